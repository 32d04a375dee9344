#include "diagram/WeekBarView.h"

#include "diagram/WeekBarPainter.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace vlk {

namespace {

// Room between the widget's edge and what is drawn.
QRectF Inner(const QWidget& widget)
{
    return QRectF(widget.rect()).adjusted(6, 4, -6, -4);
}

void ShowOrHide(QWidget* widget, QPoint global, const QString& text)
{
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(global, text, widget);
}

} // namespace

WeekBarView::WeekBarView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WeekBarView::SetLayout(WeekBarLayout layout)
{
    m_layout = std::move(layout);
    PlaceLayout();
    update();
}

void WeekBarView::PlaceLayout()
{
    m_layout.Place(Inner(*this), QFontMetricsF(font(), this));
}

void WeekBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceLayout();
}

void WeekBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setFont(font());
    painter.setPen(Qt::black);
    WeekBarPainter::Paint(painter, m_layout);
}

void WeekBarView::ShowTip(QPoint local, QPoint global)
{
    ShowOrHide(this, global, m_layout.HoverText(m_layout.HitTest(local)));
}

void WeekBarView::mouseMoveEvent(QMouseEvent* event)
{
    ShowTip(event->position().toPoint(), event->globalPosition().toPoint());
    QWidget::mouseMoveEvent(event);
}

bool WeekBarView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        ShowTip(help->pos(), help->globalPos());
        return true;
    }
    return QWidget::event(event);
}

} // namespace vlk
