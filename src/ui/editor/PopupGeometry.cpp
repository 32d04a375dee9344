#include "editor/PopupGeometry.h"

#include "util/ADate.h"

namespace vlk::popup_geometry {

QRect KeyRect(int key)
{
    if (key < 0 || key >= kKeyCount)
        return {};
    const int left = 7 + 31 * (key % 4);
    const int top = 7 + 31 * (key / 4);
    return QRect(left, top, key == 18 ? 55 : 24, 24);
}

QRect DayCellRect(int cell)
{
    if (cell < 0 || cell >= kDayCellCount)
        return {};
    return QRect(30 + 23 * (cell / 7), 33 + 18 * (cell % 7), 23, 19);
}

QRect MonthCellRect(int cell)
{
    if (cell < 0 || cell >= kMonthCellCount)
        return {};
    return QRect(2 + 55 * (cell % 3), 33 + 31 * (cell / 3), 55, 32);
}

namespace {

template <typename RectOf>
int HitFirst(QPoint point, int count, RectOf rectOf)
{
    for (int i = 0; i < count; ++i)
        if (rectOf(i).contains(point))
            return i;
    return -1;
}

} // namespace

int HitKey(QPoint point)
{
    return HitFirst(point, kKeyCount, KeyRect);
}

int HitDayCell(QPoint point)
{
    return HitFirst(point, kDayCellCount, DayCellRect);
}

int HitMonthCell(QPoint point)
{
    return HitFirst(point, kMonthCellCount, MonthCellRect);
}

QRect PreviousArrowRect(int)
{
    return QRect(QPoint(4, 6), QPoint(19, 25));
}

QRect NextArrowRect(int width)
{
    return QRect(QPoint(width - 20, 6), QPoint(width - 5, 25));
}

QRect HeaderZoneRect(int width)
{
    return QRect(QPoint(4, 6), QPoint(width - 5, 25));
}

CalendarZone HitCalendarZone(QPoint point, int width)
{
    if (PreviousArrowRect(width).contains(point))
        return CalendarZone::Previous;
    if (NextArrowRect(width).contains(point))
        return CalendarZone::Next;
    if (HeaderZoneRect(width).contains(point))
        return CalendarZone::Header;
    return CalendarZone::None;
}

QPoint PopupPlacement(const QRect& editor, QSize popup, const QRect& screen)
{
    const int editorRight = editor.x() + editor.width();
    const int editorBottom = editor.y() + editor.height();
    int x = editorRight - popup.width();
    int y = editorBottom;
    if (screen.y() + screen.height() < editorBottom + popup.height())
        y = editor.y() - popup.height();
    if (editorRight - popup.width() < screen.x())
        x = editor.x();
    return {x, y};
}

std::array<DayCell, kDayCellCount> DayCells(const ADate& date)
{
    std::array<DayCell, kDayCellCount> cells{};
    int cell = 0;
    const int first = date.WeekdayOf(1);
    if (first > 1) {
        ADate previous = date;
        previous.AddMonths(-1);
        const int previousDays = previous.DaysInMonth();
        for (int n = previousDays - (first - 2); n <= previousDays; ++n)
            cells[cell++] = {n, true};
    }
    for (int n = 1; n <= date.DaysInMonth() && cell < kDayCellCount; ++n)
        cells[cell++] = {n, false};
    for (int n = 1; cell < kDayCellCount; ++n)
        cells[cell++] = {n, true};
    return cells;
}

int DayCellOf(const ADate& date)
{
    const int first = date.WeekdayOf(1);
    return (first > 1 ? first - 1 : 0) + date.GetDay() - 1;
}

int MonthStepOfCell(int cell, int number)
{
    if (number >= 11 && cell <= 6)
        return -1;
    if (number < 16 && cell >= 21)
        return +1;
    return 0;
}

} // namespace vlk::popup_geometry
