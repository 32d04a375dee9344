#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

namespace vlk {

class ADate;

// Geometry of the drop-down editor's pop-ups in pop-up client pixels, without any widget.
namespace popup_geometry {

inline constexpr QSize kCalculatorSize{131, 162};
inline constexpr QSize kCalendarSize{171, 163};
inline constexpr int kKeyCount = 19;
inline constexpr int kDayCellCount = 42;
inline constexpr int kMonthCellCount = 12;

// Key i: four to a row, 24 by 24 at a pitch of 31 from (7, 7); "=" (key 18) is 55 wide.
[[nodiscard]] QRect KeyRect(int key);
// Day cell i: column (week) i / 7, row (Monday..Sunday) i % 7; 23 by 19 from (30, 33).
[[nodiscard]] QRect DayCellRect(int cell);
// Month cell i: column i % 3, row i / 3; 55 by 32 from (2, 33).
[[nodiscard]] QRect MonthCellRect(int cell);

// The first cell holding the point, -1 if none (neighbouring day cells share a pixel row).
[[nodiscard]] int HitKey(QPoint point);
[[nodiscard]] int HitDayCell(QPoint point);
[[nodiscard]] int HitMonthCell(QPoint point);

enum class CalendarZone { None, Previous, Next, Header };
[[nodiscard]] QRect PreviousArrowRect(int width);
[[nodiscard]] QRect NextArrowRect(int width);
[[nodiscard]] QRect HeaderZoneRect(int width);
// Previous arrow, next arrow and header are tested in that order.
[[nodiscard]] CalendarZone HitCalendarZone(QPoint point, int width);

// The pop-up's top-left corner: under the editor's right edge; above the editor when it would
// leave the screen's bottom; at the editor's left edge when it would leave the screen's left.
[[nodiscard]] QPoint PopupPlacement(const QRect& editor, QSize popup, const QRect& screen);

struct DayCell {
    int number = 0;
    bool otherMonth = false; // a grey day of the previous or next month
};
// The 42 day cells of the date's month: the last days of the previous month before the first
// (when it is not a Monday), the month, then the next month's first days.
[[nodiscard]] std::array<DayCell, kDayCellCount> DayCells(const ADate& date);
// The cell that shows the date's day.
[[nodiscard]] int DayCellOf(const ADate& date);
// Whether the day number n in cell i belongs to the previous (-1) or next (+1) month, else 0.
[[nodiscard]] int MonthStepOfCell(int cell, int number);

} // namespace popup_geometry
} // namespace vlk
