#pragma once

#include "editor/CalculatorPopup.h"
#include "editor/CalendarPopup.h"
#include "editor/ClassZetEdit.h"
#include "util/ADate.h"
#include "support/WindowInput.h"

#include <QElapsedTimer>
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

    // Presses and releases the mouse in the button strip, as the user opens the pop-up; the
    // release goes where Qt sends it (to the pop-up, which has the mouse by then).
    static ZetPopup* OpenByButton(ClassZetEdit* editor)
    {
        const QPoint strip = editor->ButtonStrip().center();
        Press(editor, strip);
        ZetPopup* popup = editor->Popup();
        Release(editor, strip);
        return popup;
    }

    // A click at `point` of the pop-up (outside it too): on the pop-up it goes to the pop-up's
    // window; outside it, to the form's window under that point, where the user clicked.
    void ClickPopupAt(const QWidget* popup, QPoint point, bool twice = false) const
    {
        const QWidget* target = popup->rect().contains(point) ? popup : m_form.get();
        const QPoint local = target == popup ? point : m_form->mapFromGlobal(popup->mapToGlobal(point));
        if (twice)
            DoubleClick(target, local);
        else
            Click(target, local);
    }

    static bool Gone(ClassZetEdit* editor)
    {
        return WaitFor([&] { return editor->Popup() == nullptr && ZetPopup::Current() == nullptr; });
    }

    int m_beeps = 0;
    std::unique_ptr<QWidget> m_form;
};

} // namespace vlk::test
