#pragma once

namespace vlk {

// The quantities that place rows and columns in the client area, taken from the widget.
struct RecordListGeometry {
    int headerHeight = 16;
    int rowHeight = 18;
    int topRow = 0;          // vertical scroll position, in rows
    int hpos = 0;            // horizontal scroll position, in units of 8 pixels
    int clientWidth = 0;
    int clientHeight = 0;
    int rowCount = 0;
    bool proportional = false;
};

} // namespace vlk
