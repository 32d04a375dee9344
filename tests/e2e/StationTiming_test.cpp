// "Расчёт" in the whole station: the engineer opens the demo junction, types counted flows into
// the page, writes the computed durations into program 1, sees them on "Программы", takes them
// back with undo; the flows are saved beside the file and come back with it.

#include "e2e/StationHarness.h"

#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "grid/ARecordList.h"
#include "support/WindowInput.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

namespace vlk::test {
namespace {

class StationTimingTest : public StationTest {
protected:
    void ClickTab(int tab)
    {
        CTabs& tabs = m_frame->Tabs();
        // With nine tabs a narrow window scrolls its strip; the arrow brings the tab in.
        for (int i = 0; i < 10 && tabs.TabRect(tab).right() > tabs.StripRight(); ++i)
            Click(tabs.ScrollRightButton());
        Click(&tabs, CentreOf(tabs.TabRect(tab)));
        ASSERT_EQ(tabs.Selected(), tab);
    }
    void ClickCommand(int id)
    {
        QWidget* button = m_frame->ToolBar()->widgetForAction(m_frame->Command(id));
        ASSERT_TRUE(button);
        ASSERT_TRUE(Reaches(button));
        Click(button);
    }
    // Double-clicks the cell of the flows table and types `text` over it, then Enter.
    void TypeFlow(int direction, int column, const QString& text, bool enter = true)
    {
        QTableWidget* table = m_frame->Tabs().TimingPage().InputTable();
        const QModelIndex index = table->model()->index(direction - 1, column);
        table->scrollTo(index);
        const QRect cell = table->visualRect(index);
        ASSERT_TRUE(Reaches(table->viewport(), CentreOf(cell)));
        DoubleClick(table->viewport(), CentreOf(cell));
        const auto editor = [&] {
            auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            return edit && table->viewport()->isAncestorOf(edit) ? edit : nullptr;
        };
        ASSERT_TRUE(PumpUntil([&] { return editor() != nullptr; }));
        Key(table, Qt::Key_A, Qt::ControlModifier);
        Type(table, text);
        ASSERT_EQ(editor()->text(), text);
        if (!enter)
            return;
        Key(table, Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([&] { return editor() == nullptr; }));
    }
    [[nodiscard]] QStringList Durations(int program)
    {
        ARecordList* grid = m_frame->Tabs().ProgramPage().Programs();
        QStringList texts;
        for (int phase = 0; phase < 3; ++phase)
            texts << grid->GetCellText(phase, 1 + 3 * (program - 1));
        return texts;
    }

    QTemporaryDir m_dir;
};

TEST_F(StationTimingTest, TypedFlowsWrittenIntoTheProgramAsOneUndoableStep)
{
    const QString demo = m_dir.filePath(QStringLiteral("demo.vlk"));
    {
        const ImageBytes image = ConfigurationImage::Encode(DemoJunction());
        QFile file(demo);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
    }
    StartStation(0);
    m_dialogs.openNames = {demo};
    ClickCommand(CMainFrame::ID_FILE_OPEN);
    ASSERT_EQ(Durations(1), (QStringList{"30", "20", "10"}));

    ClickTab(CTabs::TimingTab);
    CTimingWnd& page = m_frame->Tabs().TimingPage();
    QPushButton* write = page.WriteButton();
    EXPECT_EQ(write->text(), QStringLiteral("Записать в программу 1"));
    // y = 360/1800, 180/1800, 90/1800: Y = 0.35, C = (1.5 * 39 + 5) / 0.65 = 97.7 -> 98 s; 34, 17, 8.
    TypeFlow(1, CTimingWnd::FlowColumn, QStringLiteral("360"));
    TypeFlow(3, CTimingWnd::FlowColumn, QStringLiteral("180"));
    TypeFlow(5, CTimingWnd::FlowColumn, QStringLiteral("90"));
    EXPECT_EQ(page.Summary()->text(), QStringLiteral("Y = 0,350    L = 39 с    цикл 98 с (по Вебстеру 97,7 с)"));
    QTableWidget* phases = page.PhaseTable();
    ASSERT_EQ(phases->rowCount(), 3);
    EXPECT_EQ(phases->item(0, 5)->text(), QStringLiteral("34"));
    EXPECT_EQ(phases->item(1, 5)->text(), QStringLiteral("17"));
    EXPECT_EQ(phases->item(2, 5)->text(), QStringLiteral("8"));
    // Direction 1's row: X 0,58, delay 30,0 s, level C on its colour.
    QTableWidget* results = page.ResultTable();
    ASSERT_GT(results->rowCount(), 0);
    EXPECT_EQ(results->item(0, CTimingWnd::XColumn)->text(), QStringLiteral("0,58"));
    EXPECT_EQ(results->item(0, CTimingWnd::DelayColumn)->text(), QStringLiteral("30,0"));
    EXPECT_EQ(results->item(0, CTimingWnd::LosColumn)->text(), QStringLiteral("C"));
    EXPECT_NE(results->item(0, CTimingWnd::LosColumn)->background().color(),
              results->item(5, CTimingWnd::LosColumn)->background().color()); // direction 6 without flow is plain

    // A text that is no number is refused and the cell keeps its value.
    TypeFlow(2, CTimingWnd::FlowColumn, QStringLiteral("abc"));
    EXPECT_EQ(page.InputTable()->item(1, CTimingWnd::FlowColumn)->text(), QString());
    EXPECT_EQ(page.Timing().cycle, 98);

    ASSERT_TRUE(write->isEnabled());
    ASSERT_TRUE(Reaches(write));
    Click(write);
    EXPECT_EQ(Durations(1), (QStringList{"34", "17", "8"}));
    EXPECT_EQ(Durations(2), (QStringList{"45", "25", "15"}));
    EXPECT_FALSE(write->isEnabled()); // nothing left to write
    // One step: a single undo brings all three back.
    ClickMenuItem(CMainFrame::ID_EDIT_UNDO);
    EXPECT_EQ(Durations(1), (QStringList{"30", "20", "10"}));
    EXPECT_TRUE(write->isEnabled());
    ClickTab(CTabs::DiagramsTab);
    EXPECT_EQ(m_frame->Tabs().DiagramPage().CycleLabel()->text(), QStringLiteral("Цикл: 99 с"));
    ClickTab(CTabs::TimingTab);
    Click(write);
    ClickTab(CTabs::DiagramsTab);
    EXPECT_EQ(m_frame->Tabs().DiagramPage().CycleLabel()->text(), QStringLiteral("Цикл: 98 с"));

    // Saved (with a flow still in its cell editor): the image stays 1920 bytes, the flows go beside it.
    ClickTab(CTabs::TimingTab);
    TypeFlow(6, CTimingWnd::FlowColumn, QStringLiteral("72"), false);
    const QString saved = m_dir.filePath(QStringLiteral("planned.vlk"));
    m_dialogs.saveNames = {saved};
    // Under a name of its own (the demo file is open): "Сохранить как…", Ctrl+Shift+S.
    Key(m_frame.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(m_messages.Texts().empty());
    EXPECT_EQ(QFileInfo(saved).size(), 1920);
    QFile traffic(m_dir.filePath(QStringLiteral("planned.traffic.json")));
    ASSERT_TRUE(traffic.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(traffic.readAll()).object();
    EXPECT_EQ(root.value(QStringLiteral("program")).toInt(), 1);
    const QJsonArray directions = root.value(QStringLiteral("directions")).toArray();
    ASSERT_EQ(directions.size(), 4);
    EXPECT_EQ(directions[0].toObject().value(QStringLiteral("flow")).toDouble(), 360);
    EXPECT_EQ(directions[3].toObject().value(QStringLiteral("direction")).toInt(), 6);
    EXPECT_EQ(directions[3].toObject().value(QStringLiteral("flow")).toDouble(), 72);

    // Opening the demo again clears the flows (it has none beside it); the saved file brings them back.
    m_dialogs.openNames = {demo};
    ClickCommand(CMainFrame::ID_FILE_OPEN);
    EXPECT_EQ(page.Inputs().directions[0].flow, 0);
    m_dialogs.openNames = {saved};
    ClickCommand(CMainFrame::ID_FILE_OPEN);
    EXPECT_EQ(page.Inputs().directions[0].flow, 360);
    EXPECT_EQ(page.Inputs().directions[4].flow, 90);
    EXPECT_EQ(page.Inputs().directions[5].flow, 72);
    EXPECT_EQ(Durations(1), (QStringList{"34", "17", "8"}));
    EXPECT_TRUE(m_messages.Texts().empty());
}

} // namespace
} // namespace vlk::test
