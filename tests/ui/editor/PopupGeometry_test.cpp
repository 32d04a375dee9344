#include "editor/PopupGeometry.h"
#include "util/ADate.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

namespace geo = popup_geometry;

TEST(PopupGeometryTest, KeysFillTheCalculator)
{
    EXPECT_EQ(geo::KeyRect(0), QRect(7, 7, 24, 24));
    EXPECT_EQ(geo::KeyRect(3), QRect(100, 7, 24, 24));
    EXPECT_EQ(geo::KeyRect(5), QRect(38, 38, 24, 24));
    EXPECT_EQ(geo::KeyRect(16), QRect(7, 131, 24, 24));
    EXPECT_EQ(geo::KeyRect(17), QRect(38, 131, 24, 24));
    EXPECT_EQ(geo::KeyRect(18), QRect(69, 131, 55, 24));
    EXPECT_TRUE(geo::KeyRect(19).isNull());
    // A 7-pixel margin on every side of the 131 x 162 pop-up.
    EXPECT_EQ(geo::kCalculatorSize, QSize(131, 162));
    EXPECT_EQ(geo::KeyRect(18).x() + geo::KeyRect(18).width() + 7, 131);
    EXPECT_EQ(geo::KeyRect(18).y() + geo::KeyRect(18).height() + 7, 162);
}

TEST(PopupGeometryTest, KeyHitsAtCentresAndNoneInTheGaps)
{
    for (int key = 0; key < geo::kKeyCount; ++key)
        EXPECT_EQ(geo::HitKey(geo::KeyRect(key).center()), key);
    EXPECT_EQ(geo::HitKey({31, 10}), -1); // right of key 0 (its last column is 30)
    EXPECT_EQ(geo::HitKey({30, 30}), 0);
    EXPECT_EQ(geo::HitKey({20, 33}), -1);
    EXPECT_EQ(geo::HitKey({123, 150}), 18);
    EXPECT_EQ(geo::HitKey({3, 3}), -1);
}

TEST(PopupGeometryTest, DayAndMonthCells)
{
    EXPECT_EQ(geo::kCalendarSize, QSize(171, 163));
    EXPECT_EQ(geo::DayCellRect(0), QRect(30, 33, 23, 19));
    EXPECT_EQ(geo::DayCellRect(6), QRect(30, 141, 23, 19));  // first Sunday
    EXPECT_EQ(geo::DayCellRect(7), QRect(53, 33, 23, 19));   // second week
    EXPECT_EQ(geo::DayCellRect(41), QRect(145, 141, 23, 19));
    EXPECT_EQ(geo::MonthCellRect(0), QRect(2, 33, 55, 32));
    EXPECT_EQ(geo::MonthCellRect(2), QRect(112, 33, 55, 32));
    EXPECT_EQ(geo::MonthCellRect(11), QRect(112, 126, 55, 32));
    EXPECT_TRUE(geo::DayCellRect(42).isNull());
    EXPECT_TRUE(geo::MonthCellRect(-1).isNull());

    for (int cell = 0; cell < geo::kDayCellCount; ++cell)
        EXPECT_EQ(geo::HitDayCell(geo::DayCellRect(cell).center()), cell);
    for (int cell = 0; cell < geo::kMonthCellCount; ++cell)
        EXPECT_EQ(geo::HitMonthCell(geo::MonthCellRect(cell).center()), cell);
    // Rows overlap by one pixel: the upper cell wins.
    EXPECT_EQ(geo::HitDayCell({40, 51}), 0);
    EXPECT_EQ(geo::HitDayCell({40, 52}), 1);
    EXPECT_EQ(geo::HitDayCell({29, 40}), -1); // the weekday column
    EXPECT_EQ(geo::HitMonthCell({1, 40}), -1);
}

TEST(PopupGeometryTest, HeaderZonesInOrder)
{
    const int w = 171;
    EXPECT_EQ(geo::HitCalendarZone({4, 6}, w), geo::CalendarZone::Previous);
    EXPECT_EQ(geo::HitCalendarZone({19, 25}, w), geo::CalendarZone::Previous);
    EXPECT_EQ(geo::HitCalendarZone({20, 25}, w), geo::CalendarZone::Header);
    EXPECT_EQ(geo::HitCalendarZone({151, 10}, w), geo::CalendarZone::Next);
    EXPECT_EQ(geo::HitCalendarZone({166, 10}, w), geo::CalendarZone::Next);
    EXPECT_EQ(geo::HitCalendarZone({167, 10}, w), geo::CalendarZone::None);
    EXPECT_EQ(geo::HitCalendarZone({85, 15}, w), geo::CalendarZone::Header);
    EXPECT_EQ(geo::HitCalendarZone({85, 26}, w), geo::CalendarZone::None);
    EXPECT_EQ(geo::HitCalendarZone({85, 5}, w), geo::CalendarZone::None);
}

TEST(PopupGeometryTest, PlacementKeepsThePopupOnTheScreen)
{
    const QRect screen(0, 0, 800, 600);
    const QSize calc(131, 162);
    // Normally under the editor, right edges aligned.
    EXPECT_EQ(geo::PopupPlacement(QRect(300, 200, 60, 18), calc, screen), QPoint(229, 218));
    // Would leave the bottom: above the editor.
    EXPECT_EQ(geo::PopupPlacement(QRect(300, 500, 60, 18), calc, screen), QPoint(229, 338));
    // Exactly fits at the bottom: stays below.
    EXPECT_EQ(geo::PopupPlacement(QRect(300, 420, 60, 18), calc, screen), QPoint(229, 438));
    EXPECT_EQ(geo::PopupPlacement(QRect(300, 421, 60, 18), calc, screen), QPoint(229, 259));
    // Would leave the left edge: aligned to the editor's left.
    EXPECT_EQ(geo::PopupPlacement(QRect(10, 200, 60, 18), calc, screen), QPoint(10, 218));
    EXPECT_EQ(geo::PopupPlacement(QRect(0, 0, 131, 18), calc, screen), QPoint(0, 18));
    // Both at once.
    EXPECT_EQ(geo::PopupPlacement(QRect(5, 590, 40, 10), QSize(171, 163), screen), QPoint(5, 427));
    // A second screen to the right and below: its own edges count.
    const QRect second(800, 100, 1024, 768);
    EXPECT_EQ(geo::PopupPlacement(QRect(810, 800, 60, 18), calc, second), QPoint(810, 638));
}

class DayCellsTest : public ::testing::Test {
protected:
    void SetUp() override { SetTodaySource([] { return CivilDay{2026, 12, 7}; }); }
    void TearDown() override { SetTodaySource({}); }
    static ADate Make(int y, int m, int d)
    {
        ADate date;
        date.SetDate(y, m, d);
        return date;
    }
};

TEST_F(DayCellsTest, MonthStartingOnSaturdayShowsFiveDaysOfFebruary)
{
    const ADate date = Make(2008, 3, 6); // 1 March 2008 is a Saturday
    const auto cells = geo::DayCells(date);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(cells[i].number, 25 + i);
        EXPECT_TRUE(cells[i].otherMonth);
    }
    EXPECT_EQ(cells[5].number, 1);
    EXPECT_FALSE(cells[5].otherMonth);
    EXPECT_EQ(cells[35].number, 31);
    EXPECT_EQ(cells[36].number, 1);
    EXPECT_TRUE(cells[36].otherMonth);
    EXPECT_EQ(cells[41].number, 6);
    EXPECT_EQ(geo::DayCellOf(date), 10);
}

TEST_F(DayCellsTest, MonthStartingOnMondayHasNoDaysBefore)
{
    const ADate date = Make(2008, 9, 1); // a Monday
    const auto cells = geo::DayCells(date);
    EXPECT_EQ(cells[0].number, 1);
    EXPECT_FALSE(cells[0].otherMonth);
    EXPECT_EQ(cells[29].number, 30);
    EXPECT_EQ(cells[30].number, 1);
    EXPECT_TRUE(cells[30].otherMonth);
    EXPECT_EQ(cells[41].number, 12);
    EXPECT_EQ(geo::DayCellOf(date), 0);
}

TEST_F(DayCellsTest, MonthStartingOnSundayFillsSixCellsBefore)
{
    const ADate date = Make(2008, 6, 30); // 1 June 2008 is a Sunday
    const auto cells = geo::DayCells(date);
    EXPECT_EQ(cells[0].number, 26);
    EXPECT_EQ(cells[5].number, 31);
    EXPECT_EQ(cells[6].number, 1);
    EXPECT_EQ(geo::DayCellOf(date), 35);
    EXPECT_EQ(cells[35].number, 30);
    EXPECT_EQ(cells[36].number, 1);
}

TEST(MonthStepTest, GreyDaysStepTheMonth)
{
    EXPECT_EQ(geo::MonthStepOfCell(0, 30), -1);
    EXPECT_EQ(geo::MonthStepOfCell(6, 11), -1);
    EXPECT_EQ(geo::MonthStepOfCell(6, 10), 0);
    EXPECT_EQ(geo::MonthStepOfCell(7, 30), 0);
    EXPECT_EQ(geo::MonthStepOfCell(21, 15), 1);
    EXPECT_EQ(geo::MonthStepOfCell(21, 16), 0);
    EXPECT_EQ(geo::MonthStepOfCell(20, 1), 0);
    EXPECT_EQ(geo::MonthStepOfCell(41, 12), 1);
}

} // namespace
} // namespace vlk
