// "Расчёт" in the station's window: the program and the longest cycle chosen with their controls,
// edits of the other pages followed, a program that does not run refused, the levels coloured.

#include "frame/MainFrm.h"
#include "config/DemoJunction.h"
#include "e2e/ScriptedDialogs.h"
#include "grid/ARecordList.h"
#include "pages/ConfigPages.h"
#include "pages/TimingWnd.h"
#include "support/RecordingMessages.h"
#include "support/WindowInput.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

namespace vlk {
namespace {

using namespace vlk::test;

class TimingPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        m_frame->resize(1100, 760);
        ASSERT_TRUE(ShowAndActivate(m_frame.get()));
        ConfigPages(Tabs().Pages()).Write(DemoJunction(), LoadFlavour::File);
        // Set 2 of the calculation's tests: y = 0.3, 0.2, 0.1 on the demo's program 1.
        TrafficInputs inputs;
        inputs.directions[0].flow = 540;
        inputs.directions[2].flow = 360;
        inputs.directions[4].flow = 180;
        Page().SetInputs(inputs);
    }

    CTabs& Tabs() { return m_frame->Tabs(); }
    CTimingWnd& Page() { return Tabs().TimingPage(); }
    void OpenTab(int tab)
    {
        for (int i = 0; i < 10 && Tabs().TabRect(tab).right() > Tabs().StripRight(); ++i)
            Click(Tabs().ScrollRightButton());
        Click(&Tabs(), CentreOf(Tabs().TabRect(tab)));
        ASSERT_EQ(Tabs().Selected(), tab);
    }
    QStringList Column(QTableWidget* table, int column)
    {
        QStringList texts;
        for (int row = 0; row < table->rowCount(); ++row)
            texts << table->item(row, column)->text();
        return texts;
    }

    RecordingMessages m_messages;
    test::ScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(TimingPage, TheProgramAndTheLongestCycleChosenWithTheirControls)
{
    OpenTab(CTabs::TimingTab);
    // Webster's 159 s capped at 120: 41, 27, 13.
    EXPECT_EQ(Page().Summary()->text(), QStringLiteral("Y = 0,600    L = 39 с    цикл 120 с (по Вебстеру 158,8 с)"));
    EXPECT_EQ(Column(Page().PhaseTable(), 5), (QStringList{"41", "27", "13"}));
    EXPECT_EQ(Page().Warnings()->text(), QStringLiteral("цикл по Вебстеру 159 с длиннее наибольшего 120 с, взят наибольший"));

    // The longest cycle typed: 180 lets Webster's 159 s stand, 60, 40, 20.
    QSpinBox* longest = Page().MaxCycleBox();
    Click(longest);
    Key(longest, Qt::Key_A, Qt::ControlModifier);
    Type(longest, QStringLiteral("180"));
    Key(longest, Qt::Key_Return);
    EXPECT_EQ(Page().Inputs().maxCycle, 180);
    EXPECT_EQ(Column(Page().PhaseTable(), 5), (QStringList{"60", "40", "20"}));
    EXPECT_EQ(Page().Warnings()->text(), QString());
    EXPECT_TRUE(Page().InputsChanged());

    // Program 3 from the list (no phase 3: direction 5's flow is served by none).
    QComboBox* program = Page().ProgramBox();
    Click(program);
    ASSERT_TRUE(PumpUntil([&] { return program->view()->isVisible(); }));
    Key(program->view(), Qt::Key_Down);
    Key(program->view(), Qt::Key_Down);
    Key(program->view(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return !program->view()->isVisible(); }));
    EXPECT_EQ(Page().Inputs().program, 3);
    EXPECT_EQ(Page().WriteButton()->text(), QStringLiteral("Записать в программу 3"));
    EXPECT_EQ(Column(Page().PhaseTable(), 0), (QStringList{"1", "2"}));
    EXPECT_TRUE(Page().Warnings()->text().contains(
        QStringLiteral("направление 5: интенсивность 180 авт/ч, но оно не участвует ни в одной фазе программы 3")));

    // Program 4 runs nothing: said so, nothing to write.
    Click(program);
    ASSERT_TRUE(PumpUntil([&] { return program->view()->isVisible(); }));
    Key(program->view(), Qt::Key_Down);
    Key(program->view(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return !program->view()->isVisible(); }));
    EXPECT_EQ(Page().Summary()->text(), QStringLiteral("в программе 4 у всех фаз длительность 0, рассчитывать нечего"));
    EXPECT_FALSE(Page().WriteButton()->isEnabled());
    EXPECT_EQ(Page().PhaseTable()->rowCount(), 0);
}

TEST_F(TimingPage, FollowsTheProgramsPageAndColoursTheLevels)
{
    OpenTab(CTabs::TimingTab);
    EXPECT_EQ(Column(Page().PhaseTable(), 4), (QStringList{"30", "20", "10"}));
    // Direction 5 (X = 180 / (1800 * 13 / 120) = 0.92 in 13 s of green) waits longest: level F in red;
    // direction 1 (41 s) level D; direction 2 without flow is not coloured.
    QTableWidget* results = Page().ResultTable();
    ASSERT_EQ(Column(results, CTimingWnd::DirectionColumn), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}));
    const QStringList levels = Column(results, CTimingWnd::LosColumn);
    EXPECT_EQ(levels[0], QStringLiteral("D"));
    EXPECT_EQ(levels[4], QStringLiteral("F"));
    const QColor d = results->item(0, CTimingWnd::LosColumn)->background().color();
    const QColor f = results->item(4, CTimingWnd::LosColumn)->background().color();
    EXPECT_NE(d, f);
    EXPECT_GT(f.red(), f.green() + 80) << "F is red";
    EXPECT_EQ(results->item(1, CTimingWnd::LosColumn)->background().style(), Qt::NoBrush);

    // Phase 2 of program 1 typed as 25 on "Программы": the page shows it as the present duration.
    OpenTab(CTabs::ProgramsTab);
    ARecordList* programs = Tabs().ProgramPage().Programs();
    DoubleClick(programs->viewport(), CentreOf(programs->GetCellRect(1, 1)));
    QLineEdit* edit = programs->Editor() ? programs->Editor()->findChild<QLineEdit*>() : nullptr;
    ASSERT_TRUE(edit);
    ASSERT_TRUE(PumpUntil([&] { return edit->hasFocus(); }));
    Key(edit, Qt::Key_End);
    Key(edit, Qt::Key_Backspace);
    Key(edit, Qt::Key_Backspace);
    Type(edit, QStringLiteral("25"));
    Key(edit, Qt::Key_Return);
    OpenTab(CTabs::TimingTab);
    EXPECT_EQ(Column(Page().PhaseTable(), 4), (QStringList{"30", "25", "10"}));
}

} // namespace
} // namespace vlk
