#pragma once

#include "grid/RecordListGeometry.h"

#include <QRect>

namespace vlk {

class RecordListModel;

// Column edges, hit tests, scroll ranges and width layout as plain arithmetic over the model
// and the geometry; the widget and the tests call these without painting.
class RecordListLayout {
public:
    static constexpr int HorizontalUnit = 8;
    static constexpr int DragMargin = 5;

    struct Limits {
        int low = 0;
        int high = 0;
    };

    [[nodiscard]] static int RowsPerPage(const RecordListGeometry& g);
    [[nodiscard]] static QRect RowRect(const RecordListGeometry& g, int row);
    [[nodiscard]] static QRect CellRect(const RecordListModel& m, const RecordListGeometry& g, int row, int col);
    [[nodiscard]] static int HitTestRow(const RecordListGeometry& g, int y);
    [[nodiscard]] static int HitTestColumn(const RecordListModel& m, const RecordListGeometry& g, int x);
    [[nodiscard]] static int HitTestDivider(const RecordListModel& m, const RecordListGeometry& g, int x);
    // True when the only column has width 0 and so stretches to the right edge.
    [[nodiscard]] static bool SingleStretchColumn(const RecordListModel& m);

    [[nodiscard]] static int VerticalMax(const RecordListGeometry& g);
    [[nodiscard]] static int HorizontalMax(const RecordListModel& m, const RecordListGeometry& g);
    [[nodiscard]] static int HorizontalPage(const RecordListGeometry& g);

    // Widths from the per-cent shares, the last column taking the rest.
    static void ApplyProportional(RecordListModel& m, int clientWidth);
    // Shares from the widths.
    static void StoreShares(RecordListModel& m, int clientWidth);

    // The new vertical position that brings row into view, or -1 when it is visible.
    [[nodiscard]] static int ScrollIntoView(const RecordListGeometry& g, int row);

    // Rectangle of a new editor over (row, col).
    [[nodiscard]] static QRect EditorRect(const RecordListModel& m, const RecordListGeometry& g, int row, int col);
    // Rectangle of an open editor following its cell after a scroll; its bottom may lie at or
    // above the header's bottom when the row has scrolled up under the header.
    [[nodiscard]] static QRect FollowRect(const RecordListModel& m, const RecordListGeometry& g, int row, int col);

    // The focus frame of the cell cursor: the cell inside its grid lines (as an editor over it).
    [[nodiscard]] static QRect FocusFrameRect(const RecordListModel& m, const RecordListGeometry& g, int row, int col);
    // The cells from (top, left) to (bottom, right) as one rectangle inside their grid lines.
    [[nodiscard]] static QRect RangeRect(const RecordListModel& m, const RecordListGeometry& g, int top, int left,
                                         int bottom, int right);
    // The horizontal position that brings column col wholly into view, or -1 when it is.
    [[nodiscard]] static int HorizontalIntoView(const RecordListModel& m, const RecordListGeometry& g, int col);

    // Where the divider of column d may be dragged, in client x.
    [[nodiscard]] static Limits DragLimits(const RecordListModel& m, const RecordListGeometry& g, int d);
    // Applies a finished drag of divider d to client x.
    static void ApplyDrag(RecordListModel& m, const RecordListGeometry& g, int d, int x);
    // Applies an auto-size of column d to the text width w (title and cells, plus 5).
    static void ApplyAutoSize(RecordListModel& m, const RecordListGeometry& g, int d, int w);
};

} // namespace vlk
