#include "grid/RecordListModel.h"

#include <algorithm>

namespace vlk {

void RecordListModel::ClearColumns()
{
    for (auto& column : m_columns)
        column = ColumnRecord{};
}

bool RecordListModel::SetColumnCount(int count)
{
    if (count > MaxColumns)
        return false;
    // A negative count would make every column loop misbehave; it means no columns.
    m_columnCount = std::max(count, 0);
    return true;
}

void RecordListModel::SetHeaderText(const QString& text)
{
    if (m_columnCount < 1) {
        m_columns[0].title = text.left(MaxTitle);
        return;
    }
    const QStringList pieces = text.split(QLatin1Char('\t'));
    const int count = std::min<int>(static_cast<int>(pieces.size()), MaxColumns);
    for (int i = 0; i < count; ++i)
        m_columns[static_cast<size_t>(i)].title = pieces[i].left(MaxTitle);
}

QString RecordListModel::ColumnTitle(int col) const
{
    if (IsColumn(col) || col == 0)
        return Column(col).title;
    return {};
}

int RecordListModel::ColumnRight(int col) const
{
    if (col < 0)
        return 0;
    int right = m_columns[0].width;
    const int last = std::min(col, m_columnCount - 1);
    for (int i = 1; i <= last; ++i)
        right += m_columns[static_cast<size_t>(i)].width;
    return right;
}

const ColumnPicture* RecordListModel::PictureFor(int col, const QString& text) const
{
    if (col < 0 || col >= MaxColumns)
        return nullptr;
    for (const auto& entry : Column(col).pictures) {
        if (entry.image > 0 && entry.text == text)
            return &entry;
    }
    return nullptr;
}

int RecordListModel::AddRow(const QString& text)
{
    RecordListRow row;
    const QStringList pieces = text.split(QLatin1Char('\t'));
    row.cells.reserve(pieces.size());
    for (const auto& piece : pieces)
        row.cells.append(Intern(piece));
    m_rows.push_back(std::move(row));
    return RowCount() - 1;
}

void RecordListModel::MoveRow(int from, int to)
{
    if (from == to || !IsRow(from))
        return;
    RecordListRow row = std::move(m_rows[static_cast<size_t>(from)]);
    m_rows.erase(m_rows.begin() + from);
    // The callers keep `to` in range; clamp anyway so a bad index cannot corrupt the array.
    to = std::clamp(to, 0, RowCount());
    m_rows.insert(m_rows.begin() + to, std::move(row));
}

QString RecordListModel::CellText(int row, int col) const
{
    if (!IsRow(row) || col < 0)
        return {};
    const auto& cells = Row(row).cells;
    return col < cells.size() ? cells[col] : QString();
}

bool RecordListModel::SetCellText(int row, int col, const QString& text)
{
    if (!IsRow(row) || col < 0)
        return false;
    // A missing cell reads as empty, so storing "" there changes nothing.
    if (CellText(row, col) == text)
        return false;
    auto& cells = m_rows[static_cast<size_t>(row)].cells;
    if (col < cells.size()) {
        cells[col] = Intern(text);
        return true;
    }
    const QString empty = Intern(QString());
    while (cells.size() < col)
        cells.append(empty);
    cells.append(Intern(text));
    return true;
}

bool RecordListModel::SharesBuffer(int row1, int col1, int row2, int col2) const
{
    if (!IsRow(row1) || !IsRow(row2))
        return false;
    const auto& a = Row(row1).cells;
    const auto& b = Row(row2).cells;
    if (col1 < 0 || col2 < 0 || col1 >= a.size() || col2 >= b.size())
        return false;
    return a[col1].constData() == b[col2].constData();
}

QString RecordListModel::Intern(const QString& text)
{
    auto it = m_pool.constFind(text);
    if (it != m_pool.constEnd())
        return *it;
    return *m_pool.insert(text);
}

} // namespace vlk
