#include "forms/UpDownControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace vlk {

UpDownControl::UpDownControl(bool horizontal, QWidget* parent) : QWidget(parent), m_horizontal(horizontal)
{
    connect(&m_repeat, &QTimer::timeout, this, [this] {
        m_repeat.setInterval(100);
        if (m_pressed != 0)
            Step(m_pressed);
    });
}

void UpDownControl::Step(int delta)
{
    emit DeltaPos(delta < 0 ? -1 : 1);
}

QRect UpDownControl::ArrowRect(int delta) const
{
    const QRect r = rect();
    if (m_horizontal) {
        const int half = r.width() / 2;
        return delta < 0 ? QRect(0, 0, half, r.height()) : QRect(half, 0, r.width() - half, r.height());
    }
    const int half = r.height() / 2;
    return delta < 0 ? QRect(0, 0, r.width(), half) : QRect(0, half, r.width(), r.height() - half);
}

void UpDownControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    for (int delta : {-1, 1}) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = ArrowRect(delta);
        button.state |= (m_pressed == delta) ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &p, this);
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = button.rect.adjusted(2, 2, -2, -2);
        const auto primitive = m_horizontal ? (delta < 0 ? QStyle::PE_IndicatorArrowLeft : QStyle::PE_IndicatorArrowRight)
                                            : (delta < 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown);
        style()->drawPrimitive(primitive, &arrow, &p, this);
    }
}

void UpDownControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_pressed = ArrowRect(-1).contains(event->position().toPoint()) ? -1 : 1;
    update();
    Step(m_pressed);
    // A held arrow repeats after a short pause, as spin buttons do.
    m_repeat.start(400);
}

void UpDownControl::mouseReleaseEvent(QMouseEvent*)
{
    m_pressed = 0;
    m_repeat.stop();
    update();
}

void UpDownControl::keyPressEvent(QKeyEvent* event)
{
    const int back = m_horizontal ? Qt::Key_Left : Qt::Key_Up;
    const int forward = m_horizontal ? Qt::Key_Right : Qt::Key_Down;
    if (m_arrowKeys && (event->key() == back || event->key() == forward)) {
        Step(event->key() == back ? -1 : 1);
        return;
    }
    QWidget::keyPressEvent(event);
}

QSize UpDownControl::sizeHint() const
{
    return m_horizontal ? QSize(32, 16) : QSize(16, 32);
}

} // namespace vlk
