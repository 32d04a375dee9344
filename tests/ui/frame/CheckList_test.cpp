// "Проверить конфигурацию" in the station: Ctrl+K lists the findings of what the pages hold, a
// double click on a line shows its page with the editor on its cell; the Да/Нет question.
#include "frame/CheckList.h"
#include "frame/MainFrm.h"
#include "frame/BoxMessages.h"
#include "config/DemoJunction.h"
#include "e2e/ScriptedDialogs.h"
#include "grid/ARecordList.h"
#include "pages/ConfigPages.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <mutex>

namespace vlk {
namespace {

using namespace vlk::test;

class CheckListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        setenv("VLK_COM2", "/nonexistent/vlk-com2", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        ASSERT_TRUE(ShowAndActivate(m_frame.get()));
    }

    void Load(const Configuration& c) { ConfigPages(m_frame->Tabs().Pages()).Write(c, LoadFlavour::File); }

    QTreeWidget* List() { return m_frame->Findings().List(); }

    // The texts of line `row`: severity, place, message.
    QStringList Line(int row)
    {
        QTreeWidgetItem* item = List()->topLevelItem(row);
        if (!item)
            return {};
        return {item->text(0), item->text(1), item->text(2)};
    }

    void DoubleClickLine(int row)
    {
        QTreeWidgetItem* item = List()->topLevelItem(row);
        ASSERT_NE(item, nullptr);
        List()->scrollToItem(item);
        const QRect rect = List()->visualItemRect(item);
        ASSERT_TRUE(Reaches(List()->viewport(), CentreOf(rect)));
        DoubleClick(List()->viewport(), CentreOf(rect));
    }

    // The grid's editor stands over (row, col) and has the keyboard.
    static ::testing::AssertionResult EditsCell(ARecordList* grid, int row, int col)
    {
        QWidget* editor = grid->Editor();
        if (!editor)
            return ::testing::AssertionFailure() << "no editor open";
        if (!editor->geometry().contains(CentreOf(grid->GetCellRect(row, col))))
            return ::testing::AssertionFailure() << "the editor is not over cell " << row << ", " << col;
        if (!editor->isVisible())
            return ::testing::AssertionFailure() << "the editor is hidden";
        QWidget* focus = QApplication::focusWidget();
        if (focus != editor && !editor->isAncestorOf(focus))
            return ::testing::AssertionFailure() << "the editor has no focus";
        return ::testing::AssertionSuccess();
    }

    RecordingMessages m_messages;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(CheckListTest, CtrlKListsAPlantedFaultAndADoubleClickOpensItsCell)
{
    Configuration c = DemoJunction();
    c.programDuration[0][2] = 4; // the left-turn phase of the day program below its 5 s
    Load(c);
    EXPECT_FALSE(m_frame->Findings().isVisible());

    Key(m_frame.get(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(m_frame->Findings().isVisible());
    EXPECT_EQ(m_frame->Findings().Summary()->text(), QStringLiteral("Ошибок: 1, предупреждений: 0"));
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(Line(0), (QStringList{QStringLiteral("Ошибка"), QStringLiteral("Программа 1, фаза 3"),
                                    QStringLiteral("Программа 1, фаза 3: длительность 4 с меньше минимального "
                                                   "времени фазы 5 с")}));
    EXPECT_TRUE(List()->topLevelItem(0)->toolTip(2).endsWith(QStringLiteral("[min-phase-time]")));
    // The dock stands beside the pages, not over them.
    EXPECT_FALSE(m_frame->Findings().geometry().intersects(m_frame->centralWidget()->geometry()));

    m_frame->Tabs().SelectPage(CTabs::ConsoleTab);
    DoubleClickLine(0);
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::ProgramsTab);
    ARecordList* programs = m_frame->Tabs().ProgramPage().Programs();
    ASSERT_TRUE(EditsCell(programs, 2, 1));

    // The engineer mends it in place, and the next check finds nothing.
    Key(m_frame.get(), Qt::Key_A, Qt::ControlModifier);
    Type(m_frame.get(), QStringLiteral("6"));
    Key(m_frame.get(), Qt::Key_Return);
    EXPECT_EQ(programs->GetCellText(2, 1), QStringLiteral("6"));
    Key(m_frame.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(m_frame->Findings().Summary()->text(), QStringLiteral("Ошибок и предупреждений нет"));
    EXPECT_EQ(List()->topLevelItemCount(), 0);
}

TEST_F(CheckListTest, EachFindingShowsItsOwnPageAndCellOrRow)
{
    Configuration c = DemoJunction();
    c.lampOutputs[3] |= 1;     // output 1 drives the reds of directions 1 and 2
    c.redSensors[3] = 0;       // direction 4 has no red-lamp sensor
    c.interGreen[3][3] = 4;    // a time on the diagonal
    c.directions[7].stepTimes[1] = 0; // direction 8, a crossing, loses its flashing green
    c.directions[7].stepTimes[3] = 0; // and its clearance red: no steps at all
    Load(c);
    // The toolbar button does what Ctrl+K does.
    QWidget* button = m_frame->ToolBar()->widgetForAction(m_frame->Command(32800));
    ASSERT_NE(button, nullptr);
    Click(button);
    ASSERT_TRUE(m_frame->Findings().isVisible());
    ASSERT_EQ(List()->topLevelItemCount(), 4);
    EXPECT_EQ(Line(0).mid(0, 2), (QStringList{QStringLiteral("Ошибка"), QStringLiteral("Направления 1, 2, выход 1")}));
    EXPECT_EQ(Line(1).mid(0, 2), (QStringList{QStringLiteral("Предупреждение"), QStringLiteral("Направление 4")}));
    EXPECT_EQ(Line(2).mid(0, 2),
              (QStringList{QStringLiteral("Предупреждение"), QStringLiteral("Программа 1, направление 8")}));
    EXPECT_EQ(Line(3).mid(0, 2), (QStringList{QStringLiteral("Предупреждение"), QStringLiteral("Направление 4")}));
    EXPECT_EQ(Line(3)[2], QStringLiteral("Межзелёный интервал направления 4 с самим собой равен 4 с"));

    DoubleClickLine(0);
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::OutputsTab);
    EXPECT_TRUE(EditsCell(m_frame->Tabs().OutputPage().LampOutput(), 0, 2)); // direction 1's red, output 1

    // A finding about a whole row: the row comes into view and the grid takes the keys.
    DoubleClickLine(1);
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::SensorsTab);
    ARecordList* red = m_frame->Tabs().MeasurePage().RedSensor();
    EXPECT_EQ(red->Editor(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), red);
    EXPECT_TRUE(red->viewport()->rect().contains(red->GetRowRect(3).center()));

    DoubleClickLine(2);
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::DirectionsTab);
    EXPECT_TRUE(EditsCell(m_frame->Tabs().DirectionPage().Directions(), 7, 9)); // "Т зел." of direction 8

    DoubleClickLine(3);
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::ZadTab);
    ARecordList* interGreen = m_frame->Tabs().ConfigPage().InterGreen();
    EXPECT_TRUE(EditsCell(interGreen, 3, 4));
    EXPECT_EQ(interGreen->GetCellText(3, 4), QStringLiteral("4"));
    // Looking changes nothing: the pages still hold the faults.
    Key(m_frame.get(), Qt::Key_Escape);
    EXPECT_EQ(ConfigPages(m_frame->Tabs().Pages()).Read().interGreen[3][3], 4);
    EXPECT_EQ(ConfigPages(m_frame->Tabs().Pages()).Read().lampOutputs[0], c.lampOutputs[0]);
}

TEST_F(CheckListTest, PlacesOfTheScheduleAndThePhaseChangeFindings)
{
    // Monday noon switches to a program without phases: the schedules page.
    Configuration c = DemoJunction();
    c.week[0][24] = 5;
    Load(c);
    Key(m_frame.get(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(Line(0)[1], QStringLiteral("ПН 12:00, программа 5"));
    DoubleClickLine(0);
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::SchedulesTab);

    // An inter-green the change 1→2 cannot give: the inter-green time of the pair, from 1's
    // green to 3's, on the ZAD page.
    c = DemoJunction();
    c.interGreen[0][2] = 9;
    Load(c);
    Key(m_frame.get(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_EQ(Line(1)[1], QStringLiteral("Программа 2, фазы 1→2, направления 1, 3, секунда 58"));
    DoubleClickLine(1);
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::ZadTab);
    ARecordList* interGreen = m_frame->Tabs().ConfigPage().InterGreen();
    EXPECT_TRUE(EditsCell(interGreen, 0, 3));
    EXPECT_EQ(interGreen->GetCellText(0, 3), QStringLiteral("9"));
}

TEST_F(CheckListTest, AtTheDefaultSizeSentencesWrapThePagesKeepTheirRowsAndGreensTogetherOpenTheirInterGreen)
{
    ASSERT_EQ(m_frame->size(), QSize(1024, 720));
    // Direction 3 green with direction 1 although 5 s must pass between them.
    Configuration c = DemoJunction();
    c.directions[2].phaseMask = c.directions[0].phaseMask;
    ASSERT_NE(c.interGreen[0][2], 0);
    Load(c);
    m_frame->Tabs().SelectPage(CTabs::ProgramsTab);
    Key(m_frame.get(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(m_frame->Findings().isVisible());
    int row = -1;
    for (int i = 0; i < List()->topLevelItemCount() && row < 0; ++i)
        if (List()->topLevelItem(i)->toolTip(2).endsWith(QStringLiteral("[conflicting-greens]")))
            row = i;
    ASSERT_GE(row, 0);

    // The whole sentence is there, wrapped in its column.
    QTreeWidgetItem* item = List()->topLevelItem(row);
    List()->scrollToItem(item);
    PumpUntil([] { return false; }, 50);
    const QRect cell = List()->visualRect(List()->model()->index(row, 2));
    const QRect needed = List()->fontMetrics().boundingRect(QRect(0, 0, cell.width() - 8, 10000),
                                                            Qt::TextWordWrap, item->text(2));
    EXPECT_GT(needed.height(), List()->fontMetrics().height()) << "the sentence is long enough to wrap";
    EXPECT_GE(cell.height(), needed.height()) << item->text(2).toStdString();
    // The program page above still shows its eight phases.
    ARecordList* programs = m_frame->Tabs().ProgramPage().Programs();
    EXPECT_TRUE(programs->viewport()->rect().contains(programs->GetRowRect(7)))
        << programs->viewport()->height();

    DoubleClickLine(row);
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::ZadTab);
    EXPECT_TRUE(EditsCell(m_frame->Tabs().ConfigPage().InterGreen(), 0, 3));
}

TEST_F(CheckListTest, CtrlKInAnOpenCellChecksTheValueBeingTyped)
{
    Load(DemoJunction());
    m_frame->Tabs().SelectPage(CTabs::ProgramsTab);
    ARecordList* programs = m_frame->Tabs().ProgramPage().Programs();
    ASSERT_TRUE(Reaches(programs->viewport(), CentreOf(programs->GetCellRect(2, 1))));
    DoubleClick(programs->viewport(), CentreOf(programs->GetCellRect(2, 1)));
    if (!programs->Editor())
        Click(programs->viewport(), CentreOf(programs->GetCellRect(2, 1)));
    ASSERT_TRUE(EditsCell(programs, 2, 1));
    Key(m_frame.get(), Qt::Key_A, Qt::ControlModifier);
    Type(m_frame.get(), QStringLiteral("42"));
    Key(m_frame.get(), Qt::Key_Home);
    // Ctrl+K is also a line edit's "delete to the end of the line": here it must check instead.
    Key(m_frame.get(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(m_frame->Findings().isVisible());
    EXPECT_EQ(programs->GetCellText(2, 1), QStringLiteral("42"));
    EXPECT_EQ(ConfigPages(m_frame->Tabs().Pages()).Read().programDuration[0][2], 42);
    EXPECT_EQ(m_frame->Findings().Summary()->text(), QStringLiteral("Ошибок и предупреждений нет"));
}

TEST_F(CheckListTest, CtrlKInALineEditChecksAndDeletesNothing)
{
    m_frame->Tabs().SelectPage(CTabs::DirectionsTab);
    QLineEdit* account = m_frame->Tabs().DirectionPage().AccountRecord();
    ASSERT_NE(account, nullptr);
    ASSERT_TRUE(Reaches(account));
    Click(account);
    Type(m_frame.get(), QStringLiteral("node"));
    Key(m_frame.get(), Qt::Key_Home);
    Key(m_frame.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(m_frame->Findings().isVisible());
    EXPECT_EQ(account->text(), QStringLiteral("node"));
}

// The question before a write: Нет is what Enter and Escape answer, only Да lets it go.
TEST(BoxMessagesTest, AskYesNoDefaultsToNo)
{
    BoxMessages messages;
    auto answer = [&](const std::function<void(QMessageBox*)>& act) {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            QMessageBox* box = nullptr;
            if (!PumpUntil([&] {
                    box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    return box != nullptr && box->isActiveWindow();
                })) {
                if (box)
                    box->reject();
                return;
            }
            act(box);
            acted = true;
        });
        const bool result = messages.AskYesNo("Записать в контроллер, несмотря на ошибки?");
        EXPECT_TRUE(acted);
        return result;
    };
    EXPECT_FALSE(answer([](QMessageBox* box) {
        EXPECT_EQ(box->text(), QStringLiteral("Записать в контроллер, несмотря на ошибки?"));
        QStringList buttons;
        for (QAbstractButton* b : box->buttons())
            buttons << b->text();
        buttons.sort();
        EXPECT_EQ(buttons, (QStringList{QStringLiteral("Да"), QStringLiteral("Нет")}));
        Key(box, Qt::Key_Return);
    }));
    EXPECT_FALSE(answer([](QMessageBox* box) { Key(box, Qt::Key_Escape); }));
    EXPECT_TRUE(answer([](QMessageBox* box) { Click(box->button(QMessageBox::Yes)); }));
}

} // namespace
} // namespace vlk
