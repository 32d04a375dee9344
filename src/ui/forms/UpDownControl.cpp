#include "forms/UpDownControl.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>

namespace vlk {

UpDownControl::UpDownControl(bool horizontal, QWidget* parent) : QWidget(parent), m_horizontal(horizontal)
{
    connect(&m_repeat, &QTimer::timeout, this, [this] {
        // A release this control never saw (taken by another window) ends the press here.
        if (m_pressed == 0 || !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
            EndPress();
            return;
        }
        m_repeat.setInterval(100);
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
    // A step may answer with a modal box: that box takes the rest of the press (the user
    // releases the button on it), so the box blocking this window ends the press, and the
    // repeat never starts behind its back.
    QWidget* top = window();
    top->installEventFilter(this);
    const QPointer<UpDownControl> alive(this);
    Step(m_pressed);
    if (!alive)
        return;
    // A held arrow repeats after a short pause, as spin buttons do.
    if (m_pressed != 0 && (QGuiApplication::mouseButtons() & Qt::LeftButton))
        m_repeat.start(400);
    else
        EndPress();
}

void UpDownControl::mouseReleaseEvent(QMouseEvent*)
{
    EndPress();
}

void UpDownControl::EndPress()
{
    if (QWidget* top = window())
        top->removeEventFilter(this);
    m_repeat.stop();
    if (m_pressed != 0) {
        m_pressed = 0;
        update();
    }
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window()) {
        const QEvent::Type type = event->type();
        if (type == QEvent::WindowBlocked || type == QEvent::WindowDeactivate)
            EndPress();
    }
    return QWidget::eventFilter(watched, event);
}

void UpDownControl::hideEvent(QHideEvent* event)
{
    EndPress();
    QWidget::hideEvent(event);
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
