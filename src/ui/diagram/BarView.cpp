#include "diagram/BarView.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace vlk {

BarView::BarView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BarView::LayoutChanged()
{
    Place();
    update();
}

void BarView::Place()
{
    // Room between the widget's edge and what is drawn.
    PlaceLayout(QRectF(rect()).adjusted(6, 4, -6, -4), QFontMetricsF(font(), this));
}

void BarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Place();
}

void BarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setFont(font());
    painter.setPen(Qt::black);
    PaintLayout(painter);
}

void BarView::ShowTip(QPoint local, QPoint global)
{
    const QString text = HoverTextAt(local);
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(global, text, this);
}

void BarView::mouseMoveEvent(QMouseEvent* event)
{
    // At once, not after the usual pause: the engineer runs the pointer along the bars.
    ShowTip(event->position().toPoint(), event->globalPosition().toPoint());
    QWidget::mouseMoveEvent(event);
}

bool BarView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        ShowTip(help->pos(), help->globalPos());
        return true;
    }
    return QWidget::event(event);
}

} // namespace vlk
