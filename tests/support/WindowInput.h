#pragma once

// Mouse and keyboard input the way a person gives it: every event goes to the top-level window
// (its QWindow) at the target's position mapped into that window, so Qt's own hit testing,
// stacking, popup grabs and focus decide who receives it. A control covered by another widget
// does not get the click, exactly as it would not for the user.
//
// The one helper of the suite for clicks, double clicks, drags and keys: never send input
// straight to the widget a test aims at.

#include <QApplication>
#include <QElapsedTimer>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace vlk::test {

// The top-level window a widget is shown in (a pop-up is a top level of its own).
inline QWindow* WindowOf(const QWidget* widget)
{
    if (!widget) {
        ADD_FAILURE() << "input to a missing widget";
        return nullptr;
    }
    QWidget* top = widget->window();
    QWindow* window = top ? top->windowHandle() : nullptr;
    if (!window)
        ADD_FAILURE() << "input to a widget whose window was never shown";
    return window;
}

// `local` (in the widget's coordinates) in the coordinates of its top-level window.
inline QPoint InWindow(const QWidget* widget, QPoint local)
{
    return widget->mapTo(widget->window(), local);
}

inline QPoint CentreOf(const QRect& r)
{
    return QPoint(r.left() + r.width() / 2, r.top() + r.height() / 2);
}

inline QPoint CentreOf(const QWidget* widget)
{
    return CentreOf(widget->rect());
}

// The widget that a click at `local` of `widget` lands on: Qt's hit test of the top-level window,
// the same one that routes a real click.
inline QWidget* WidgetAt(const QWidget* widget, QPoint local)
{
    QWidget* top = widget->window();
    const QPoint p = InWindow(widget, local);
    QWidget* hit = top->childAt(p);
    return hit ? hit : top;
}

// True when a click at `local` of `target` reaches `target` itself or one of its own children
// (a grid's viewport, a spin box's line edit), never a widget on top of it.
inline bool Reaches(const QWidget* target, QPoint local)
{
    const QWidget* hit = WidgetAt(target, local);
    return hit == target || target->isAncestorOf(hit);
}

inline bool Reaches(const QWidget* target)
{
    return Reaches(target, CentreOf(target));
}

// Shows the widget's window and waits until it is exposed and active, so that input reaches it.
inline bool ShowAndActivate(QWidget* widget)
{
    QWidget* top = widget->window();
    top->show();
    if (!QTest::qWaitForWindowExposed(top))
        return false;
    top->activateWindow();
    const bool active = QTest::qWaitForWindowActive(top);
    QApplication::processEvents();
    return active;
}

inline void Click(const QWidget* target, QPoint local, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = {})
{
    if (QWindow* window = WindowOf(target))
        QTest::mouseClick(window, button, modifiers, InWindow(target, local));
    QApplication::processEvents();
}

inline void Click(const QWidget* target, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = {})
{
    if (!target)
        (void)WindowOf(target); // reports the missing widget
    else
        Click(target, CentreOf(target), button, modifiers);
}

inline void DoubleClick(const QWidget* target, QPoint local, Qt::KeyboardModifiers modifiers = {})
{
    if (QWindow* window = WindowOf(target))
        QTest::mouseDClick(window, Qt::LeftButton, modifiers, InWindow(target, local));
    QApplication::processEvents();
}

inline void DoubleClick(const QWidget* target)
{
    if (!target)
        (void)WindowOf(target);
    else
        DoubleClick(target, CentreOf(target));
}

inline void Press(const QWidget* target, QPoint local, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = {})
{
    if (QWindow* window = WindowOf(target))
        QTest::mousePress(window, button, modifiers, InWindow(target, local));
    QApplication::processEvents();
}

inline void Release(const QWidget* target, QPoint local, Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers modifiers = {})
{
    if (QWindow* window = WindowOf(target))
        QTest::mouseRelease(window, button, modifiers, InWindow(target, local));
    QApplication::processEvents();
}

// Moves the pointer to `local` of `target`; buttons pressed with Press stay held, for a drag.
inline void Move(const QWidget* target, QPoint local)
{
    if (QWindow* window = WindowOf(target))
        QTest::mouseMove(window, InWindow(target, local));
    QApplication::processEvents();
}

// Drags `data` from outside the station (a file manager) onto `local` of `target` and drops it:
// enter, move and drop go to the top-level window, which finds who takes them. True when the
// drop was accepted.
inline bool Drop(const QWidget* target, QPoint local, const QMimeData* data)
{
    QWindow* window = WindowOf(target);
    if (!window)
        return false;
    const QPoint at = InWindow(target, local);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(window, &leave);
        QApplication::processEvents();
        return false;
    }
    QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    QApplication::processEvents();
    return drop.isAccepted();
}

// Keys go to the window that has the keyboard: the active pop-up if there is one, else the
// window of `anyWidgetInWindow`; Qt then hands them to its focus widget.
inline QWindow* KeyWindow(const QWidget* anyWidgetInWindow)
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup->windowHandle();
    if (QWindow* focus = QGuiApplication::focusWindow())
        return focus;
    return WindowOf(anyWidgetInWindow);
}

inline void Key(const QWidget* anyWidgetInWindow, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    if (QWindow* window = KeyWindow(anyWidgetInWindow))
        QTest::keyClick(window, key, modifiers);
    QApplication::processEvents();
}

// The key code a keyboard reports with `c`: QTest's table for ASCII (punctuation included), the
// upper-case code point for other letters as the X keyboard map gives it (Cyrillic).
inline Qt::Key KeyOfCharacter(QChar c)
{
    const ushort u = c.unicode();
    if (u >= 0x20 && u < 0x7F)
        return QTest::asciiToKey(static_cast<char>(u));
    if (c.isLetter())
        return Qt::Key(c.toUpper().unicode());
    return Qt::Key_unknown;
}

// Types text character by character, as a keyboard layout delivers it (Cyrillic included; a
// character beyond the basic plane comes as one key with its surrogate pair).
inline void Type(const QWidget* anyWidgetInWindow, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        QWindow* window = KeyWindow(anyWidgetInWindow);
        if (!window) {
            ADD_FAILURE() << "no window takes the keys";
            return;
        }
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const Qt::Key key = n == 1 ? KeyOfCharacter(text[i]) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, window, key, text.mid(i, n), Qt::NoModifier);
        QApplication::processEvents();
        i += n - 1;
    }
}

// Processes events until `done` holds or `ms` milliseconds pass; the last result of `done`.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 2000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(2);
    }
    return true;
}

inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    return PumpUntil(done, static_cast<int>(limit.count()));
}

} // namespace vlk::test
