#pragma once

#include <QString>

namespace vlk {

// What a grid tells its parent. A cell notification carries the cell, its text and the row's
// item data; a column notification only the column; the selection command follows code 1.
struct RecordListNotification {
    enum class Kind { Cell, Column, SelectionCommand };

    Kind kind = Kind::Cell;
    int controlId = 0;
    int code = 0;
    int row = -1;
    int column = -1;
    int state = 0;       // 2 when row is the current row
    QString text;
    quint32 itemData = 0;
};

} // namespace vlk
