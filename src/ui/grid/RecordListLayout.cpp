#include "grid/RecordListLayout.h"

#include "grid/RecordListModel.h"

#include <algorithm>

namespace vlk {

namespace {

int SafeRowHeight(const RecordListGeometry& g)
{
    // A row height of 0 would divide by zero everywhere; such a grid shows no rows anyway.
    return g.rowHeight > 0 ? g.rowHeight : 1;
}

} // namespace

int RecordListLayout::RowsPerPage(const RecordListGeometry& g)
{
    return (g.clientHeight - g.headerHeight) / SafeRowHeight(g);
}

QRect RecordListLayout::RowRect(const RecordListGeometry& g, int row)
{
    if (row < 0 || row >= g.rowCount)
        return {};
    const int top = g.headerHeight + g.rowHeight * (row - g.topRow);
    return QRect(0, top, g.clientWidth, g.rowHeight);
}

QRect RecordListLayout::CellRect(const RecordListModel& m, const RecordListGeometry& g, int row, int col)
{
    const QRect rowRect = RowRect(g, row);
    if (rowRect.isNull())
        return {};
    const int left = m.ColumnRight(col - 1) - HorizontalUnit * g.hpos;
    int width = col >= 0 && col < RecordListModel::MaxColumns ? m.Column(col).width : 0;
    if (SingleStretchColumn(m) && col == 0)
        width = std::max(0, g.clientWidth - left);
    return QRect(left, rowRect.top(), width, rowRect.height());
}

int RecordListLayout::HitTestRow(const RecordListGeometry& g, int y)
{
    if (y < g.headerHeight)
        return -1;
    const int row = (g.topRow * g.rowHeight + y - g.headerHeight) / SafeRowHeight(g);
    return std::min(row, g.rowCount - 1);
}

int RecordListLayout::HitTestColumn(const RecordListModel& m, const RecordListGeometry& g, int x)
{
    if (m.ColumnCount() == 0)
        return 0;
    const int pos = x + HorizontalUnit * g.hpos;
    if (pos < 0)
        return -1;
    if (SingleStretchColumn(m))
        return 0;
    int right = 0;
    for (int col = 0; col < m.ColumnCount(); ++col) {
        right += m.Column(col).width;
        if (pos < right)
            return col;
    }
    return -1;
}

int RecordListLayout::HitTestDivider(const RecordListModel& m, const RecordListGeometry& g, int x)
{
    const int count = g.proportional ? m.ColumnCount() - 1 : m.ColumnCount();
    int edge = -HorizontalUnit * g.hpos;
    for (int col = 0; col < count; ++col) {
        edge += m.Column(col).width;
        if (edge - 1 <= x && x <= edge + 1)
            return col;
    }
    return -1;
}

bool RecordListLayout::SingleStretchColumn(const RecordListModel& m)
{
    return m.ColumnCount() <= 1 && m.Column(0).width == 0;
}

int RecordListLayout::VerticalMax(const RecordListGeometry& g)
{
    return std::max(0, g.rowCount - RowsPerPage(g));
}

int RecordListLayout::HorizontalMax(const RecordListModel& m, const RecordListGeometry& g)
{
    if (g.proportional)
        return 0;
    const int total = m.ColumnRight(m.ColumnCount());
    return std::max(0, (total - g.clientWidth + HorizontalUnit) / HorizontalUnit);
}

int RecordListLayout::HorizontalPage(const RecordListGeometry& g)
{
    return g.clientWidth / HorizontalUnit - 1;
}

void RecordListLayout::ApplyProportional(RecordListModel& m, int clientWidth)
{
    const int count = m.ColumnCount();
    for (int col = 0; col < count; ++col) {
        auto& column = m.Column(col);
        column.width = static_cast<int>(clientWidth * column.percent / 100.0 + 0.5);
    }
    if (count >= 2)
        m.Column(count - 1).width = clientWidth - m.ColumnRight(count - 2);
}

void RecordListLayout::StoreShares(RecordListModel& m, int clientWidth)
{
    if (clientWidth == 0)
        return; // no width to take shares of; keep the old ones instead of dividing by zero
    for (int col = 0; col < m.ColumnCount(); ++col) {
        auto& column = m.Column(col);
        column.percent = column.width * 100.0 / clientWidth;
    }
}

int RecordListLayout::ScrollIntoView(const RecordListGeometry& g, int row)
{
    const int top = g.headerHeight + g.rowHeight * (row - g.topRow);
    if (top < g.headerHeight)
        return row;
    if (top + g.rowHeight > g.clientHeight)
        return std::max(0, row - (g.clientHeight - g.headerHeight - 1) / SafeRowHeight(g) + 1);
    return -1;
}

QRect RecordListLayout::EditorRect(const RecordListModel& m, const RecordListGeometry& g, int row, int col)
{
    const int rowTop = g.headerHeight + g.rowHeight * (row - g.topRow);
    const int top = rowTop + 1;
    const int bottom = rowTop + g.rowHeight;
    const int base = m.ColumnRight(col - 1);
    const int left = (col == 0 ? 1 : base + 1) - HorizontalUnit * g.hpos;
    int width = col < RecordListModel::MaxColumns ? m.Column(col).width : 0;
    if (SingleStretchColumn(m) && col == 0)
        width = g.clientWidth + HorizontalUnit * g.hpos;
    const int right = base + width - HorizontalUnit * g.hpos;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QRect RecordListLayout::FollowRect(const RecordListModel& m, const RecordListGeometry& g, int row, int col)
{
    int width = col < RecordListModel::MaxColumns ? m.Column(col).width : 0;
    if (SingleStretchColumn(m) && col == 0)
        width = g.clientWidth + HorizontalUnit * g.hpos;
    const int right = m.ColumnRight(col - 1) + width - HorizontalUnit * g.hpos;
    const int left = right - width;
    const int top = g.headerHeight - (g.topRow - row) * g.rowHeight + 1;
    const int bottom = top + g.rowHeight - 1;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QRect RecordListLayout::FocusFrameRect(const RecordListModel& m, const RecordListGeometry& g, int row, int col)
{
    return RangeRect(m, g, row, col, row, col);
}

QRect RecordListLayout::RangeRect(const RecordListModel& m, const RecordListGeometry& g, int top, int left, int bottom,
                                  int right)
{
    if (top < 0 || left < 0 || bottom < top || right < left || bottom >= g.rowCount)
        return {};
    const QRect first = CellRect(m, g, top, left);
    const QRect last = CellRect(m, g, bottom, right);
    // Inside the lines: a cell's top line and its left neighbour's right line are not its own.
    const QRect box(QPoint(first.left() + 1, first.top() + 1), QPoint(last.right(), last.bottom()));
    return box.isValid() ? box : QRect();
}

int RecordListLayout::HorizontalIntoView(const RecordListModel& m, const RecordListGeometry& g, int col)
{
    if (g.proportional || SingleStretchColumn(m))
        return -1;
    const int left = m.ColumnRight(col - 1) - HorizontalUnit * g.hpos;
    const int right = left + (col >= 0 && col < RecordListModel::MaxColumns ? m.Column(col).width : 0);
    if (left < 0) {
        // Back at the table's start the label columns come along when the column still fits.
        if (m.ColumnRight(col) <= g.clientWidth)
            return 0;
        return std::max(0, m.ColumnRight(col - 1) / HorizontalUnit);
    }
    if (right > g.clientWidth) {
        const int pos = (m.ColumnRight(col) - g.clientWidth + HorizontalUnit - 1) / HorizontalUnit;
        // A column wider than the view shows its left edge.
        return std::max(0, std::min(pos, m.ColumnRight(col - 1) / HorizontalUnit));
    }
    return -1;
}

RecordListLayout::Limits RecordListLayout::DragLimits(const RecordListModel& m, const RecordListGeometry& g, int d)
{
    Limits limits;
    if (g.proportional) {
        limits.low = (d == 0 ? 0 : m.ColumnRight(d - 1)) + DragMargin;
        const int next = m.ColumnRight(d + 1);
        limits.high = next == 0 ? g.clientWidth : next - DragMargin;
    } else {
        limits.low = std::max(0, m.ColumnRight(d - 1) - HorizontalUnit * g.hpos + DragMargin);
        limits.high = g.clientWidth == 0 ? 0 : g.clientWidth - DragMargin;
    }
    return limits;
}

void RecordListLayout::ApplyDrag(RecordListModel& m, const RecordListGeometry& g, int d, int x)
{
    const int scrolled = x + HorizontalUnit * g.hpos;
    const int oldNextRight = m.ColumnRight(d + 1);
    m.Column(d).width = d == 0 ? scrolled : scrolled - m.ColumnRight(d - 1);
    if (g.proportional) {
        if (d < m.ColumnCount() - 1)
            m.Column(d + 1).width = oldNextRight - x;
        else
            m.Column(d + 1).width = g.clientWidth;
        StoreShares(m, g.clientWidth);
    }
}

void RecordListLayout::ApplyAutoSize(RecordListModel& m, const RecordListGeometry& g, int d, int w)
{
    if (g.proportional && d + 1 < RecordListModel::MaxColumns) {
        const int w0 = m.Column(d).width;
        const int w1 = m.Column(d + 1).width;
        if (w0 + w1 < w) {
            w = w0 + w1 - DragMargin;
            m.Column(d + 1).width = DragMargin;
        } else {
            m.Column(d + 1).width = w0 + w1 - w;
        }
    }
    m.Column(d).width = w;
    if (g.proportional)
        StoreShares(m, g.clientWidth);
}

} // namespace vlk
