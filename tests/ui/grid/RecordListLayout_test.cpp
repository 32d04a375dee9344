// Column edges, hit tests, scroll ranges and width layout, computed without a window.
#include "grid/RecordListLayout.h"
#include "grid/RecordListModel.h"

#include <gtest/gtest.h>

using namespace vlk;

namespace {

RecordListModel Columns(std::initializer_list<int> widths)
{
    RecordListModel m;
    EXPECT_TRUE(m.SetColumnCount(static_cast<int>(widths.size())));
    int i = 0;
    for (int w : widths)
        m.Column(i++).width = w;
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

TEST(RecordListLayout, ColumnRightCountsColumnZeroAlwaysAndOthersOnlyInUse)
{
    RecordListModel m = Columns({30, 40, 50});
    EXPECT_EQ(m.ColumnRight(-1), 0);
    EXPECT_EQ(m.ColumnRight(0), 30);
    EXPECT_EQ(m.ColumnRight(2), 120);
    EXPECT_EQ(m.ColumnRight(7), 120);
    m.Column(3).width = 99; // beyond the count: never counts
    EXPECT_EQ(m.ColumnRight(3), 120);
    ASSERT_TRUE(m.SetColumnCount(0));
    EXPECT_EQ(m.ColumnRight(5), 30);
}

TEST(RecordListLayout, HitTestRowClampsToTheLastRowAndIgnoresTheHeader)
{
    RecordListGeometry g = Geo(200, 200, 5);
    EXPECT_EQ(RecordListLayout::HitTestRow(g, 15), -1);
    EXPECT_EQ(RecordListLayout::HitTestRow(g, 16), 0);
    EXPECT_EQ(RecordListLayout::HitTestRow(g, 16 + 18), 1);
    EXPECT_EQ(RecordListLayout::HitTestRow(g, 190), 4);
    g.topRow = 2;
    EXPECT_EQ(RecordListLayout::HitTestRow(g, 17), 2);
    RecordListGeometry empty = Geo(200, 200, 0);
    EXPECT_EQ(RecordListLayout::HitTestRow(empty, 50), -1);
}

TEST(RecordListLayout, HitTestColumnUsesTheScrolledPosition)
{
    RecordListModel m = Columns({30, 40, 50});
    RecordListGeometry g = Geo(200, 100, 3);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, 0), 0);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, 29), 0);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, 30), 1);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, 119), 2);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, 120), -1);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, -1), -1);
    g.hpos = 2; // 16 pixels
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, 14), 1);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, -16), 0);
    RecordListModel none;
    ASSERT_TRUE(none.SetColumnCount(0));
    EXPECT_EQ(RecordListLayout::HitTestColumn(none, g, 500), 0);
}

TEST(RecordListLayout, HitTestDividerTakesOnePixelEitherSide)
{
    RecordListModel m = Columns({30, 40});
    RecordListGeometry g = Geo(200, 100, 3);
    EXPECT_EQ(RecordListLayout::HitTestDivider(m, g, 28), -1);
    EXPECT_EQ(RecordListLayout::HitTestDivider(m, g, 29), 0);
    EXPECT_EQ(RecordListLayout::HitTestDivider(m, g, 31), 0);
    EXPECT_EQ(RecordListLayout::HitTestDivider(m, g, 32), -1);
    EXPECT_EQ(RecordListLayout::HitTestDivider(m, g, 70), 1);
    g.hpos = 1;
    EXPECT_EQ(RecordListLayout::HitTestDivider(m, g, 22), 0);
    // In proportional mode the last edge is the window's edge, not a divider.
    g.hpos = 0;
    g.proportional = true;
    EXPECT_EQ(RecordListLayout::HitTestDivider(m, g, 70), -1);
    EXPECT_EQ(RecordListLayout::HitTestDivider(m, g, 30), 0);
}

TEST(RecordListLayout, ProportionalWidthsRoundAndTheLastColumnTakesTheRest)
{
    RecordListModel m;
    ASSERT_TRUE(m.SetColumnCount(2));
    m.Column(0).percent = 30;
    m.Column(1).percent = 70;
    RecordListLayout::ApplyProportional(m, 101);
    EXPECT_EQ(m.Column(0).width, 30);
    EXPECT_EQ(m.Column(1).width, 71);

    RecordListModel three;
    ASSERT_TRUE(three.SetColumnCount(3));
    three.Column(0).percent = 33.3;
    three.Column(1).percent = 33.3;
    three.Column(2).percent = 33.4;
    RecordListLayout::ApplyProportional(three, 200);
    EXPECT_EQ(three.Column(0).width, 67); // 66.6 + 0.5
    EXPECT_EQ(three.Column(1).width, 67);
    EXPECT_EQ(three.Column(2).width, 66);
}

TEST(RecordListLayout, ScrollRangesShowTheLastRowAtTheBottom)
{
    RecordListModel m = Columns({100, 100, 100});
    // (200 - 16) / 18 = 10 rows fit.
    EXPECT_EQ(RecordListLayout::VerticalMax(Geo(250, 200, 25)), 15);
    EXPECT_EQ(RecordListLayout::VerticalMax(Geo(250, 200, 4)), 0);
    // (300 - 250 + 8) / 8 = 7 units.
    EXPECT_EQ(RecordListLayout::HorizontalMax(m, Geo(250, 200, 4)), 7);
    EXPECT_EQ(RecordListLayout::HorizontalMax(m, Geo(400, 200, 4)), 0);
    RecordListGeometry prop = Geo(250, 200, 4);
    prop.proportional = true;
    EXPECT_EQ(RecordListLayout::HorizontalMax(m, prop), 0);
    EXPECT_EQ(RecordListLayout::HorizontalPage(Geo(250, 200, 4)), 30);
}

TEST(RecordListLayout, ScrollIntoViewAboveAndBelow)
{
    RecordListGeometry g = Geo(200, 200, 30, 5);
    EXPECT_EQ(RecordListLayout::ScrollIntoView(g, 3), 3);
    EXPECT_EQ(RecordListLayout::ScrollIntoView(g, 7), -1);
    // Row 20 at the bottom: 20 - (200 - 16 - 1) / 18 + 1 = 11.
    EXPECT_EQ(RecordListLayout::ScrollIntoView(g, 20), 11);
}

TEST(RecordListLayout, CellAndEditorRectangles)
{
    RecordListModel m = Columns({30, 40, 50});
    RecordListGeometry g = Geo(300, 200, 5, 1, 1);
    const QRect cell = RecordListLayout::CellRect(m, g, 2, 1);
    EXPECT_EQ(cell, QRect(30 - 8, 16 + 18, 40, 18));
    EXPECT_TRUE(RecordListLayout::CellRect(m, g, 5, 1).isNull());
    const QRect editor = RecordListLayout::EditorRect(m, g, 2, 1);
    EXPECT_EQ(editor.left(), 31 - 8);
    EXPECT_EQ(editor.right() + 1, 70 - 8);
    EXPECT_EQ(editor.top(), 16 + 18 + 1);
    EXPECT_EQ(editor.bottom() + 1, 16 + 36);
    const QRect follow = RecordListLayout::FollowRect(m, g, 2, 1);
    EXPECT_EQ(follow.left(), 30 - 8);
    EXPECT_EQ(follow.top(), 16 + 18 + 1);
    EXPECT_EQ(follow.height(), 17);
    // A row above the view puts the editor under the header.
    const QRect under = RecordListLayout::FollowRect(m, g, 0, 1);
    EXPECT_LE(under.bottom() + 1, 16);
}

TEST(RecordListLayout, SingleZeroWidthColumnStretches)
{
    RecordListModel m;
    ASSERT_TRUE(m.SetColumnCount(1));
    RecordListGeometry g = Geo(250, 100, 2);
    EXPECT_TRUE(RecordListLayout::SingleStretchColumn(m));
    EXPECT_EQ(RecordListLayout::CellRect(m, g, 0, 0).width(), 250);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, 200), 0);
}

TEST(RecordListLayout, DragLimitsStopFivePixelsShortOfTheNeighbours)
{
    RecordListModel m = Columns({30, 40, 50});
    RecordListGeometry g = Geo(300, 100, 3);
    auto limits = RecordListLayout::DragLimits(m, g, 1);
    EXPECT_EQ(limits.low, 35);
    EXPECT_EQ(limits.high, 295);
    g.hpos = 10;
    limits = RecordListLayout::DragLimits(m, g, 1);
    EXPECT_EQ(limits.low, 0);
    g.hpos = 0;
    g.proportional = true;
    limits = RecordListLayout::DragLimits(m, g, 0);
    EXPECT_EQ(limits.low, 5);
    EXPECT_EQ(limits.high, 65);
    limits = RecordListLayout::DragLimits(m, g, 1);
    EXPECT_EQ(limits.low, 35);
    EXPECT_EQ(limits.high, 115);
}

TEST(RecordListLayout, ProportionalDragMovesWidthToTheNeighbour)
{
    RecordListModel m = Columns({30, 40, 50});
    RecordListGeometry g = Geo(120, 100, 3);
    g.proportional = true;
    RecordListLayout::ApplyDrag(m, g, 0, 50);
    EXPECT_EQ(m.Column(0).width, 50);
    EXPECT_EQ(m.Column(1).width, 20);
    EXPECT_EQ(m.Column(2).width, 50);
    EXPECT_NEAR(m.Column(1).percent, 20 * 100.0 / 120, 1e-9);

    RecordListModel fixed = Columns({30, 40});
    RecordListGeometry fg = Geo(300, 100, 3, 0, 2);
    RecordListLayout::ApplyDrag(fixed, fg, 1, 60);
    EXPECT_EQ(fixed.Column(1).width, 60 + 16 - 30);
}

TEST(RecordListLayout, AutoSizeInProportionalModeKeepsThePairsWidth)
{
    RecordListModel m = Columns({30, 40, 50});
    RecordListGeometry g = Geo(120, 100, 3);
    g.proportional = true;
    RecordListLayout::ApplyAutoSize(m, g, 0, 50);
    EXPECT_EQ(m.Column(0).width, 50);
    EXPECT_EQ(m.Column(1).width, 20);
    RecordListLayout::ApplyAutoSize(m, g, 0, 200);
    EXPECT_EQ(m.Column(0).width, 65);
    EXPECT_EQ(m.Column(1).width, 5);
}

TEST(RecordListLayout, ZeroWidthColumnsAreNeverHitAndShareTheirNeighboursDivider)
{
    // As the red-sensor table: columns after the data have width 0.
    RecordListModel m = Columns({40, 40, 40, 0, 0, 0});
    RecordListGeometry g = Geo(400, 100, 3);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, 119), 2);
    EXPECT_EQ(RecordListLayout::HitTestColumn(m, g, 120), -1);
    EXPECT_EQ(RecordListLayout::HitTestDivider(m, g, 120), 2);
    EXPECT_EQ(RecordListLayout::HorizontalMax(m, g), 0);
    EXPECT_EQ(m.ColumnRight(5), 120);
}
