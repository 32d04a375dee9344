#include "diagram/TimeBarView.h"

#include "diagram/TimeBarPainter.h"

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

TimeBarView::TimeBarView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TimeBarView::SetLayout(TimeBarLayout layout)
{
    m_layout = std::move(layout);
    PlaceLayout();
    update();
}

void TimeBarView::PlaceLayout()
{
    m_layout.Place(Inner(*this), QFontMetricsF(font(), this));
}

void TimeBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceLayout();
}

void TimeBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setFont(font());
    painter.setPen(Qt::black);
    TimeBarPainter::Paint(painter, m_layout);
}

void TimeBarView::ShowTip(QPoint local, QPoint global)
{
    ShowOrHide(this, global, m_layout.HoverText(m_layout.HitTest(local)));
}

void TimeBarView::mouseMoveEvent(QMouseEvent* event)
{
    // At once, not after the usual pause: the engineer runs the pointer along the bars.
    ShowTip(event->position().toPoint(), event->globalPosition().toPoint());
    QWidget::mouseMoveEvent(event);
}

bool TimeBarView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        ShowTip(help->pos(), help->globalPos());
        return true;
    }
    return QWidget::event(event);
}

} // namespace vlk
