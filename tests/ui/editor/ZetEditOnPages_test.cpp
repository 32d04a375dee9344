// The number editor in the cells of the real pages, opened and used through the window as the
// user does: what is typed stays visible, a click in the text places the caret, and only the
// drop-down strip opens the calculator.

#include "frame/Tabs.h"
#include "editor/ClassZetEdit.h"
#include "editor/ZetPopup.h"
#include "grid/ARecordList.h"
#include "support/RecordingMessages.h"
#include "support/WindowInput.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace vlk {
namespace {

using namespace vlk::test;

struct Cell {
    const char* name;
    int tab;
    ARecordList* (*grid)(CTabs&);
    int row;
    int col;
};

ARecordList* ProgramTable(CTabs& tabs) { return tabs.ProgramPage().Programs(); }
ARecordList* InterGreenTable(CTabs& tabs) { return tabs.ConfigPage().InterGreen(); }
ARecordList* MinSignalTable(CTabs& tabs) { return tabs.ConfigPage().MinSignalTime(); }
ARecordList* DirectionTable(CTabs& tabs) { return tabs.DirectionPage().Directions(); }

// "Время" of program 1 (a 40-pixel column in tall rows), the ZAD tables and a step time.
const Cell kCells[] = {
    {"Программы / Время", CTabs::ProgramsTab, ProgramTable, 0, 1},
    {"Программы / Время 9", CTabs::ProgramsTab, ProgramTable, 7, 25},
    {"ZAD / межзеленые", CTabs::ZadTab, InterGreenTable, 0, 1},
    {"ZAD / минимальные", CTabs::ZadTab, MinSignalTable, 1, 24},
    {"Направления / Т зел.", CTabs::DirectionsTab, DirectionTable, 0, 9},
};

void PrintTo(const Cell& cell, std::ostream* os)
{
    *os << cell.name;
}

class ZetEditOnPages : public ::testing::TestWithParam<std::tuple<Cell, QSize>> {
protected:
    void SetUp() override
    {
        const auto& [cell, size] = GetParam();
        m_cell = cell;
        m_tabs.resize(size);
        ASSERT_TRUE(ShowAndActivate(&m_tabs));
        Click(&m_tabs, CentreOf(m_tabs.TabRect(cell.tab)));
        ASSERT_EQ(m_tabs.Selected(), cell.tab);
        m_grid = cell.grid(m_tabs);
        ASSERT_TRUE(m_grid);
    }
    void TearDown() override
    {
        if (ZetPopup* popup = ZetPopup::Current())
            popup->Dismiss();
    }

    // Double-clicks the cell, as the user opens its editor.
    ClassZetEdit* OpenEditor()
    {
        const QRect rect = m_grid->GetCellRect(m_cell.row, m_cell.col);
        EXPECT_TRUE(m_grid->viewport()->rect().contains(rect)) << "the cell is out of view";
        DoubleClick(m_grid->viewport(), CentreOf(rect));
        auto* editor = qobject_cast<ClassZetEdit*>(m_grid->Editor());
        EXPECT_TRUE(editor) << "no number editor opened";
        if (editor) {
            EXPECT_TRUE(PumpUntil([&] { return editor->EditChild()->hasFocus(); }));
        }
        return editor;
    }

    Cell m_cell{};
    RecordingMessages m_messages;
    CTabs m_tabs{m_messages};
    ARecordList* m_grid = nullptr;
};

TEST_P(ZetEditOnPages, ThreeDigitsShowBesideASmallStrip)
{
    ClassZetEdit* editor = OpenEditor();
    ASSERT_TRUE(editor);
    QLineEdit* edit = editor->EditChild();
    const QFontMetrics metrics(edit->font());
    SCOPED_TRACE(testing::Message() << m_cell.name << ": cell " << m_grid->GetCellRect(m_cell.row, m_cell.col).width()
                                    << "x" << m_grid->GetRowHeight() << ", editor " << editor->width() << ", edit "
                                    << edit->width() << ", strip " << editor->ButtonStrip().width());
    // The strip is about a line of text wide, whatever the row height.
    EXPECT_GE(editor->ButtonStrip().width(), 9);
    EXPECT_LE(editor->ButtonStrip().width(), metrics.height() + 2);
    // The edit lies left of the strip and has room for three digits.
    EXPECT_LE(edit->geometry().right(), editor->ButtonStrip().left());
    // (QLineEdit keeps 2 pixels free on each side of its text.)
    const QRect inside = edit->contentsRect().marginsRemoved(edit->textMargins()).adjusted(2, 0, -2, 0);
    EXPECT_GE(inside.width(), metrics.horizontalAdvance(QStringLiteral("888")) + 1);
    // The whole editor stays inside the grid, so nothing of it is clipped.
    const QRect inGrid(editor->mapTo(m_grid->viewport(), QPoint(0, 0)), editor->size());
    EXPECT_TRUE(m_grid->viewport()->rect().contains(inGrid)) << inGrid.x() << "," << inGrid.width();

    // Typed digits are the text, and all of them are drawn inside the edit.
    Key(edit, Qt::Key_Backspace);
    Type(edit, QStringLiteral("123"));
    EXPECT_EQ(editor->Text(), QStringLiteral("123"));
    EXPECT_FALSE(editor->Popup());
    EXPECT_LE(metrics.horizontalAdvance(editor->Text()), inside.width());
}

TEST_P(ZetEditOnPages, AClickInTheTextPlacesTheCaretAndOnlyTheStripOpensThePopup)
{
    ClassZetEdit* editor = OpenEditor();
    ASSERT_TRUE(editor);
    QLineEdit* edit = editor->EditChild();
    Key(edit, Qt::Key_Backspace);
    Type(edit, QStringLiteral("123"));
    ASSERT_EQ(edit->cursorPosition(), 3);
    // A click between "1" and "2" puts the caret there.
    const QRect inside = edit->contentsRect().marginsRemoved(edit->textMargins()).adjusted(2, 0, -2, 0);
    const QFontMetrics metrics(edit->font());
    const int textLeft = inside.right() + 1 - metrics.horizontalAdvance(QStringLiteral("123"));
    const QPoint between(textLeft + metrics.horizontalAdvance(QStringLiteral("1")), inside.center().y());
    ASSERT_TRUE(Reaches(edit, between));
    Click(edit, between);
    EXPECT_EQ(edit->cursorPosition(), 1);
    EXPECT_FALSE(editor->Popup());
    EXPECT_EQ(editor->Text(), QStringLiteral("123"));

    // The strip opens the calculator.
    const QPoint strip = CentreOf(editor->ButtonStrip());
    ASSERT_TRUE(Reaches(editor, strip));
    ASSERT_EQ(WidgetAt(editor, strip), editor);
    Click(editor, strip);
    EXPECT_TRUE(editor->Popup());
}

std::string CellName(const testing::TestParamInfo<std::tuple<Cell, QSize>>& info)
{
    static const char* const names[] = {"ProgramTime", "ProgramTime9", "InterGreen", "MinSignal", "StepTime"};
    // Combine varies the last parameter fastest: two sizes per cell.
    return std::string(names[info.index / 2]) + "_" + std::to_string(std::get<1>(info.param).height());
}

INSTANTIATE_TEST_SUITE_P(Cells, ZetEditOnPages,
                         testing::Combine(testing::ValuesIn(kCells),
                                          testing::Values(QSize(1016, 640), QSize(1600, 1100))),
                         CellName);

} // namespace
} // namespace vlk

void PrintTo(const QSize& size, std::ostream* os)
{
    *os << size.width() << "x" << size.height();
}
