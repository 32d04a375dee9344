#pragma once

#include <QStringList>

namespace vlk {

// A row: the owner's value and the cell texts, column 0 first. It may hold fewer strings than
// there are columns (missing cells read as empty) or more (kept, never drawn).
struct RecordListRow {
    quint32 itemData = 0;
    QStringList cells;
};

} // namespace vlk
