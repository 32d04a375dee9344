#pragma once

#include <QColor>

namespace vlk {

// The grid's colours, held by the grid (not per cell).
struct RecordListColours {
    QColor evenRow{224, 228, 216};
    QColor oddRow{248, 252, 240};
    QColor header{206, 199, 181};
    QColor selFocused{0, 0, 139};
    QColor selUnfocused{169, 169, 169};
    QColor selText{255, 255, 255};
    QColor text{0, 0, 0};
    QColor gridLine{192, 192, 192};
    QColor headerLine{170, 166, 146};
};

} // namespace vlk
