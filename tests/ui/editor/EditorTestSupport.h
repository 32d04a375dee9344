#pragma once

#include "editor/CalculatorPopup.h"
#include "editor/CalendarPopup.h"
#include "editor/ClassZetEdit.h"
#include "util/ADate.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace vlk::test {

// Polls until the condition holds, for at most two seconds.
template <typename Condition>
bool WaitFor(Condition condition, int milliseconds = 2000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QTest::qWait(5);
    }
    return true;
}

// A form holding one editor; a fixed today (Monday 7 December 2026) and a counting beep.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClassZetEdit::Register(); // installs the platform beep once; ours replaces it
        SetBeepHandler([this] { ++m_beeps; });
        SetTodaySource([] { return CivilDay{2026, 12, 7}; });
        CalculatorPopup::SetKeyDelay(1);
        m_form = std::make_unique<QWidget>();
        m_form->resize(400, 300);
        m_form->move(100, 100);
    }
    void TearDown() override
    {
        m_form.reset();
        QTest::qWait(1); // let pop-ups closed by the form's end go away
        SetBeepHandler({});
        SetTodaySource({});
        CalculatorPopup::SetKeyDelay(100);
    }

    ClassZetEdit* MakeEditor(unsigned style, const QString& text = {}, QRect geometry = {200, 50, 80, 18})
    {
        auto* editor = new ClassZetEdit(style, m_form.get());
        editor->setGeometry(geometry);
        editor->SetText(text);
        if (!m_form->isVisible()) {
            m_form->show();
            m_form->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
        }
        editor->show();
        return editor;
    }

    // Presses and releases the mouse in the button strip, as the user opens the pop-up.
    static ZetPopup* OpenByButton(ClassZetEdit* editor)
    {
        const QPoint strip = editor->ButtonStrip().center();
        QTest::mousePress(editor, Qt::LeftButton, {}, strip);
        ZetPopup* popup = editor->Popup();
        QTest::mouseRelease(editor, Qt::LeftButton, {}, strip);
        return popup;
    }

    // A typed character the ASCII key table of QTest does not know (Cyrillic, say).
    static void TypeCharacter(QWidget* widget, const QString& character)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QCoreApplication::sendEvent(widget, &release);
    }

    static void ClickAt(QWidget* popup, QPoint point)
    {
        QTest::mouseClick(popup, Qt::LeftButton, {}, point);
    }

    static bool Gone(ClassZetEdit* editor)
    {
        return WaitFor([&] { return editor->Popup() == nullptr && ZetPopup::Current() == nullptr; });
    }

    int m_beeps = 0;
    std::unique_ptr<QWidget> m_form;
};

} // namespace vlk::test
