#include "grid/RecordListCursor.h"

#include "grid/RecordListFlags.h"
#include "grid/RecordListLayout.h"
#include "grid/RecordListModel.h"

#include <algorithm>

namespace vlk {

CellRange CellRange::Between(CellPos a, CellPos b)
{
    if (!a.IsSet() || !b.IsSet())
        return {};
    return CellRange{std::min(a.row, b.row), std::min(a.col, b.col), std::max(a.row, b.row), std::max(a.col, b.col)};
}

bool RecordListCursor::IsCursorColumn(const RecordListModel& m, int col)
{
    if (!m.IsColumn(col))
        return false;
    const auto& column = m.Column(col);
    const bool visible = column.width > 0 || RecordListLayout::SingleStretchColumn(m);
    return (column.flags & RLC_EDIT) != 0 && visible;
}

int RecordListCursor::FirstColumn(const RecordListModel& m)
{
    for (int col = 0; col < m.ColumnCount(); ++col) {
        if (IsCursorColumn(m, col))
            return col;
    }
    return -1;
}

int RecordListCursor::LastColumn(const RecordListModel& m)
{
    for (int col = m.ColumnCount() - 1; col >= 0; --col) {
        if (IsCursorColumn(m, col))
            return col;
    }
    return -1;
}

int RecordListCursor::NextColumn(const RecordListModel& m, int col, bool backwards)
{
    if (backwards) {
        for (int c = std::min(col, m.ColumnCount()) - 1; c >= 0; --c) {
            if (IsCursorColumn(m, c))
                return c;
        }
        return -1;
    }
    for (int c = std::max(col + 1, 0); c < m.ColumnCount(); ++c) {
        if (IsCursorColumn(m, c))
            return c;
    }
    return -1;
}

int RecordListCursor::NearestColumn(const RecordListModel& m, int col)
{
    if (IsCursorColumn(m, col))
        return col;
    const int after = NextColumn(m, col, false);
    const int before = NextColumn(m, col, true);
    if (after < 0)
        return before;
    if (before < 0)
        return after;
    return after - col <= col - before ? after : before;
}

bool RecordListCursor::HasCells(const RecordListModel& m)
{
    return m.RowCount() > 0 && FirstColumn(m) >= 0;
}

CellPos RecordListCursor::Move(const RecordListModel& m, const RecordListGeometry& g, CellPos from, Step step)
{
    if (!HasCells(m))
        return {};
    const int lastRow = m.RowCount() - 1;
    CellPos to{std::clamp(from.row, 0, lastRow), NearestColumn(m, from.col)};
    if (to.col < 0)
        to.col = FirstColumn(m);
    if (!from.IsSet())
        return {0, FirstColumn(m)};
    const int page = std::max(1, RecordListLayout::RowsPerPage(g));
    switch (step) {
    case Step::Left:
        if (const int c = NextColumn(m, to.col, true); c >= 0)
            to.col = c;
        break;
    case Step::Right:
        if (const int c = NextColumn(m, to.col, false); c >= 0)
            to.col = c;
        break;
    case Step::Up:
        to.row = std::max(0, to.row - 1);
        break;
    case Step::Down:
        to.row = std::min(lastRow, to.row + 1);
        break;
    case Step::Home:
        to.col = FirstColumn(m);
        break;
    case Step::End:
        to.col = LastColumn(m);
        break;
    case Step::First:
        to = {0, FirstColumn(m)};
        break;
    case Step::Last:
        to = {lastRow, LastColumn(m)};
        break;
    case Step::PageUp:
        to.row = std::max(0, to.row - page);
        break;
    case Step::PageDown:
        to.row = std::min(lastRow, to.row + page);
        break;
    }
    return to;
}

CellPos RecordListCursor::NextInRow(const RecordListModel& m, CellPos from, bool backwards)
{
    if (!HasCells(m) || !from.IsSet())
        return from;
    const int c = NextColumn(m, from.col, backwards);
    if (c >= 0)
        return {from.row, c};
    if (backwards)
        return from.row > 0 ? CellPos{from.row - 1, LastColumn(m)} : from;
    return from.row + 1 < m.RowCount() ? CellPos{from.row + 1, FirstColumn(m)} : from;
}

} // namespace vlk
