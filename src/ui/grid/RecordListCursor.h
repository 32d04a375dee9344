#pragma once

#include "grid/RecordListGeometry.h"

namespace vlk {

class RecordListModel;

// A cell of a grid, row and column from 0; -1 for none.
struct CellPos {
    int row = -1;
    int col = -1;
    [[nodiscard]] bool IsSet() const { return row >= 0 && col >= 0; }
    bool operator==(const CellPos&) const = default;
};

// The rectangle of cells between two corners, both included.
struct CellRange {
    int top = -1;
    int left = -1;
    int bottom = -1;
    int right = -1;
    [[nodiscard]] static CellRange Between(CellPos a, CellPos b);
    [[nodiscard]] bool IsSet() const { return top >= 0 && left >= 0; }
    [[nodiscard]] bool IsSingle() const { return top == bottom && left == right; }
    [[nodiscard]] bool Contains(int row, int col) const
    {
        return row >= top && row <= bottom && col >= left && col <= right;
    }
    [[nodiscard]] int Rows() const { return bottom - top + 1; }
    [[nodiscard]] int Columns() const { return right - left + 1; }
};

// Where the cell cursor may stand and where the keys take it, as plain arithmetic over the
// model: the cursor visits the editable columns that can be seen (width above 0) of every row.
class RecordListCursor {
public:
    enum class Step { Left, Right, Up, Down, Home, End, First, Last, PageUp, PageDown };

    [[nodiscard]] static bool IsCursorColumn(const RecordListModel& m, int col);
    // The first or last cursor column, -1 when the grid has none.
    [[nodiscard]] static int FirstColumn(const RecordListModel& m);
    [[nodiscard]] static int LastColumn(const RecordListModel& m);
    // The cursor column after (before) col, -1 when there is none on that side.
    [[nodiscard]] static int NextColumn(const RecordListModel& m, int col, bool backwards);
    // The cursor column nearest to col (col itself when it is one), -1 when there is none.
    [[nodiscard]] static int NearestColumn(const RecordListModel& m, int col);
    // Whether the grid has any cell the cursor can stand on.
    [[nodiscard]] static bool HasCells(const RecordListModel& m);

    // The cell a navigation key leads to; stays at the table's edges.
    [[nodiscard]] static CellPos Move(const RecordListModel& m, const RecordListGeometry& g, CellPos from, Step step);
    // The next (previous) cell in reading order, to the next (previous) row's first (last)
    // cell at the end of a row; `from` itself at the very end (start) of the table.
    [[nodiscard]] static CellPos NextInRow(const RecordListModel& m, CellPos from, bool backwards);
};

} // namespace vlk
