#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vlk {

// Cells on the clipboard as spreadsheets put them there: one line per row, tabs between the
// cells, LF or CRLF line ends, usually one after the last row as well.
class RecordListClipboard {
public:
    using Table = std::vector<QStringList>;

    // The rows of a clipboard text; a final line end adds no empty row. Empty text gives none.
    [[nodiscard]] static Table Parse(const QString& text);
    // Tab-separated rows joined by line feeds, no line end after the last.
    [[nodiscard]] static QString Format(const Table& table);
};

} // namespace vlk
