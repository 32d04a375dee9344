// Where the cell cursor may stand and go, its frame and the clipboard's table text, computed
// without a window.
#include "grid/RecordListClipboard.h"
#include "grid/RecordListCursor.h"
#include "grid/RecordListLayout.h"
#include "grid/RecordListModel.h"

#include <gtest/gtest.h>

using namespace vlk;

namespace {

// Label (16), three numbers (14), a hidden number (width 0), a check (68), a radio (196).
RecordListModel SampleModel(int rows)
{
    RecordListModel m;
    EXPECT_TRUE(m.SetColumnCount(7));
    const int widths[] = {40, 30, 30, 30, 0, 20, 20};
    const int flags[] = {16, 14, 14, 14, 14, 68, 196};
    for (int c = 0; c < 7; ++c) {
        m.Column(c).width = widths[c];
        m.Column(c).flags = flags[c];
    }
    for (int r = 0; r < rows; ++r)
        m.AddRow(QString::number(r + 1));
    return m;
}

RecordListGeometry Geo(int width, int height, int rows, int top = 0, int hpos = 0)
{
    RecordListGeometry g;
    g.clientWidth = width;
    g.clientHeight = height;
    g.rowCount = rows;
    g.topRow = top;
    g.hpos = hpos;
    return g;
}

} // namespace

TEST(RecordListCursor, VisitsEditableVisibleColumnsOnly)
{
    const RecordListModel m = SampleModel(3);
    EXPECT_EQ(RecordListCursor::FirstColumn(m), 1);
    EXPECT_EQ(RecordListCursor::LastColumn(m), 6);
    EXPECT_EQ(RecordListCursor::NextColumn(m, 3, false), 5); // the hidden column 4 is skipped
    EXPECT_EQ(RecordListCursor::NextColumn(m, 5, true), 3);
    EXPECT_EQ(RecordListCursor::NextColumn(m, 6, false), -1);
    EXPECT_EQ(RecordListCursor::NextColumn(m, 1, true), -1);
    EXPECT_EQ(RecordListCursor::NearestColumn(m, 0), 1);
    EXPECT_EQ(RecordListCursor::NearestColumn(m, 4), 5); // a tie goes right
    EXPECT_EQ(RecordListCursor::NearestColumn(m, 9), 6);

    RecordListModel labels;
    ASSERT_TRUE(labels.SetColumnCount(2));
    labels.Column(0).width = labels.Column(1).width = 30;
    labels.AddRow(QStringLiteral("a"));
    EXPECT_FALSE(RecordListCursor::HasCells(labels));
    EXPECT_FALSE(RecordListCursor::HasCells(SampleModel(0)));
}

TEST(RecordListCursor, KeysStopAtTheTableEdges)
{
    using Step = RecordListCursor::Step;
    const RecordListModel m = SampleModel(20);
    const RecordListGeometry g = Geo(300, 16 + 5 * 18, 20); // five rows a page
    auto move = [&](CellPos from, Step step) { return RecordListCursor::Move(m, g, from, step); };
    EXPECT_EQ(move({0, 1}, Step::Left), (CellPos{0, 1}));
    EXPECT_EQ(move({0, 1}, Step::Up), (CellPos{0, 1}));
    EXPECT_EQ(move({0, 3}, Step::Right), (CellPos{0, 5}));
    EXPECT_EQ(move({4, 3}, Step::Home), (CellPos{4, 1}));
    EXPECT_EQ(move({4, 3}, Step::End), (CellPos{4, 6}));
    EXPECT_EQ(move({4, 3}, Step::First), (CellPos{0, 1}));
    EXPECT_EQ(move({4, 3}, Step::Last), (CellPos{19, 6}));
    EXPECT_EQ(move({4, 3}, Step::PageDown), (CellPos{9, 3}));
    EXPECT_EQ(move({17, 3}, Step::PageDown), (CellPos{19, 3}));
    EXPECT_EQ(move({3, 3}, Step::PageUp), (CellPos{0, 3}));
    EXPECT_EQ(move({19, 6}, Step::Down), (CellPos{19, 6}));
    // No cursor yet: any key puts it on the first cell.
    EXPECT_EQ(move({}, Step::Last), (CellPos{0, 1}));
}

TEST(RecordListCursor, TabOrderRunsAlongRowsAndStopsAtTheEnds)
{
    const RecordListModel m = SampleModel(2);
    EXPECT_EQ(RecordListCursor::NextInRow(m, {0, 3}, false), (CellPos{0, 5}));
    EXPECT_EQ(RecordListCursor::NextInRow(m, {0, 6}, false), (CellPos{1, 1}));
    EXPECT_EQ(RecordListCursor::NextInRow(m, {1, 1}, true), (CellPos{0, 6}));
    EXPECT_EQ(RecordListCursor::NextInRow(m, {1, 6}, false), (CellPos{1, 6}));
    EXPECT_EQ(RecordListCursor::NextInRow(m, {0, 1}, true), (CellPos{0, 1}));
}

TEST(RecordListCursor, FrameAndBlockLieInsideTheGridLines)
{
    const RecordListModel m = SampleModel(10);
    // Cell (2, 1): x 40..70, y 16 + 2 * 18 = 52..70; its own lines are the right and bottom ones.
    EXPECT_EQ(RecordListLayout::FocusFrameRect(m, Geo(300, 200, 10), 2, 1), QRect(41, 53, 29, 17));
    // Scrolled down two rows and right one unit.
    EXPECT_EQ(RecordListLayout::FocusFrameRect(m, Geo(300, 200, 10, 2, 1), 2, 1), QRect(33, 17, 29, 17));
    EXPECT_EQ(RecordListLayout::RangeRect(m, Geo(300, 200, 10), 1, 1, 3, 3), QRect(41, 35, 89, 53));
    EXPECT_TRUE(RecordListLayout::FocusFrameRect(m, Geo(300, 200, 10), 10, 1).isNull());
    EXPECT_TRUE(RecordListLayout::RangeRect(m, Geo(300, 200, 10), 3, 1, 1, 1).isNull());
}

TEST(RecordListCursor, HorizontalPositionBringsTheColumnIntoView)
{
    RecordListModel m;
    ASSERT_TRUE(m.SetColumnCount(10));
    for (int c = 0; c < 10; ++c)
        m.Column(c).width = 50; // 500 pixels in all
    // A view 200 wide: column 5 (250..300) needs its right edge at 200: (300 - 200) / 8 up = 13.
    EXPECT_EQ(RecordListLayout::HorizontalIntoView(m, Geo(200, 100, 1), 5), 13);
    EXPECT_EQ(RecordListLayout::HorizontalIntoView(m, Geo(200, 100, 1), 2), -1);
    // Scrolled to 40 (320 pixels), column 4 (200..250) lies left of the view: its left edge to
    // 0 at 200 / 8; column 1 fits with the columns before it, so the view goes back to the start.
    EXPECT_EQ(RecordListLayout::HorizontalIntoView(m, Geo(200, 100, 1, 0, 40), 4), 25);
    EXPECT_EQ(RecordListLayout::HorizontalIntoView(m, Geo(200, 100, 1, 0, 13), 1), 0);
    EXPECT_EQ(RecordListLayout::HorizontalIntoView(m, Geo(200, 100, 1, 0, 13), 4), -1);
    // Proportional grids never scroll sideways.
    RecordListGeometry g = Geo(200, 100, 1);
    g.proportional = true;
    EXPECT_EQ(RecordListLayout::HorizontalIntoView(m, g, 5), -1);
}

TEST(RecordListClipboard, ReadsSpreadsheetTextInAnyLineEnding)
{
    using Table = RecordListClipboard::Table;
    const Table expected{{"1", "", "X"}, {"20", "3", ""}};
    EXPECT_EQ(RecordListClipboard::Parse(QStringLiteral("1\t\tX\r\n20\t3\t\r\n")), expected);
    EXPECT_EQ(RecordListClipboard::Parse(QStringLiteral("1\t\tX\n20\t3\t\n")), expected);
    EXPECT_EQ(RecordListClipboard::Parse(QStringLiteral("1\t\tX\n20\t3\t")), expected);
    EXPECT_EQ(RecordListClipboard::Parse(QStringLiteral("7")), (Table{{"7"}}));
    EXPECT_EQ(RecordListClipboard::Parse(QStringLiteral("7\n")), (Table{{"7"}}));
    // An empty line inside stays a row of one empty cell.
    EXPECT_EQ(RecordListClipboard::Parse(QStringLiteral("1\n\n2\n")), (Table{{"1"}, {""}, {"2"}}));
    EXPECT_TRUE(RecordListClipboard::Parse(QString()).empty());
    EXPECT_TRUE(RecordListClipboard::Parse(QStringLiteral("\r\n")).empty());

    EXPECT_EQ(RecordListClipboard::Format(expected), QStringLiteral("1\t\tX\n20\t3\t"));
    EXPECT_EQ(RecordListClipboard::Format(Table{{"5"}}), QStringLiteral("5"));
}
