#pragma once

#include "grid/ColumnRecord.h"
#include "grid/RecordListRow.h"

#include <QSet>
#include <QString>

#include <array>
#include <vector>

namespace vlk {

// The cells and columns of a grid, without a window. Equal texts are stored once: every stored
// string is taken from a pool, so equal cells share one buffer (Qt's implicit sharing keeps
// each cell behaving as its own copy).
class RecordListModel {
public:
    static constexpr int MaxColumns = 128;
    static constexpr int MaxPictures = ColumnRecord::MaxPictures;
    static constexpr int MaxTitle = 127;
    static constexpr int MaxPictureText = 15;

    // Clears all 128 column records; the column count is left as it is.
    void ClearColumns();
    // Sets the count of columns in use; fails (false) above 128.
    [[nodiscard]] bool SetColumnCount(int count);
    [[nodiscard]] int ColumnCount() const { return m_columnCount; }
    // Column record by index 0..127 (the caller checks the index).
    [[nodiscard]] ColumnRecord& Column(int col) { return m_columns[static_cast<size_t>(col)]; }
    [[nodiscard]] const ColumnRecord& Column(int col) const { return m_columns[static_cast<size_t>(col)]; }
    [[nodiscard]] bool IsColumn(int col) const { return col >= 0 && col < m_columnCount; }

    void SetHeaderText(const QString& text);
    [[nodiscard]] QString ColumnTitle(int col) const;
    // Width of column col, 0 for a column not in use.
    [[nodiscard]] int Width(int col) const { return IsColumn(col) ? Column(col).width : 0; }
    [[nodiscard]] int Flags(int col) const { return IsColumn(col) ? Column(col).flags : 0; }
    // Sum of the widths of columns 0..col: column 0 always counts, later ones only in use.
    [[nodiscard]] int ColumnRight(int col) const;

    // The first picture entry of col with an image whose text equals text, or null.
    [[nodiscard]] const ColumnPicture* PictureFor(int col, const QString& text) const;

    int AddRow(const QString& text);
    void MoveRow(int from, int to);
    [[nodiscard]] int RowCount() const { return static_cast<int>(m_rows.size()); }
    [[nodiscard]] bool IsRow(int row) const { return row >= 0 && row < RowCount(); }
    [[nodiscard]] const RecordListRow& Row(int row) const { return m_rows[static_cast<size_t>(row)]; }
    [[nodiscard]] quint32 ItemData(int row) const { return IsRow(row) ? Row(row).itemData : 0; }
    [[nodiscard]] QString CellText(int row, int col) const;
    // Stores text in the cell, padding the row with empty cells; false when nothing changed
    // (invalid row, negative column, or the same text already there).
    [[nodiscard]] bool SetCellText(int row, int col, const QString& text);
    void ClearRows() { m_rows.clear(); }

    // Whether two cells share one buffer (for tests of the pool).
    [[nodiscard]] bool SharesBuffer(int row1, int col1, int row2, int col2) const;

private:
    QString Intern(const QString& text);

    std::vector<RecordListRow> m_rows;
    std::array<ColumnRecord, MaxColumns> m_columns{};
    int m_columnCount = 1;
    QSet<QString> m_pool;
};

} // namespace vlk
