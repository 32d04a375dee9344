#include "grid/RecordListKeyboard.h"

#include "grid/ARecordList.h"
#include "grid/RecordListClipboard.h"
#include "grid/RecordListLayout.h"
#include "util/Messages.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

#include <algorithm>
#include <vector>

namespace vlk {

namespace {

bool IsCheckColumn(int flags)
{
    return (flags & RLC_CHECK) != 0;
}

// What a spreadsheet may hold in a check cell: the grid's own mark in either alphabet.
bool IsCheckMark(const QString& text)
{
    return text == u"X" || text == u"x" || text == u"Х" || text == u"х";
}

bool IsDigitText(const QString& text)
{
    return text.size() == 1 && text[0] >= u'0' && text[0] <= u'9';
}

} // namespace

RecordListKeyboard::RecordListKeyboard(ARecordList& grid)
    : m_grid(grid)
{
}

bool RecordListKeyboard::HasCells() const
{
    return RecordListCursor::HasCells(m_grid.m_model);
}

CellPos RecordListKeyboard::Cursor() const
{
    const auto& m = m_grid.m_model;
    if (m.IsRow(m_cursor.row) && RecordListCursor::IsCursorColumn(m, m_cursor.col))
        return m_cursor;
    return {};
}

CellRange RecordListKeyboard::Selection() const
{
    const CellPos cursor = Cursor();
    if (!cursor.IsSet())
        return {};
    const auto& m = m_grid.m_model;
    const bool anchorValid = m.IsRow(m_anchor.row) && m.IsColumn(m_anchor.col);
    return CellRange::Between(anchorValid ? m_anchor : cursor, cursor);
}

void RecordListKeyboard::RepaintSelection(const CellRange& range) const
{
    if (!range.IsSet())
        return;
    const QRect box = RecordListLayout::RangeRect(m_grid.m_model, m_grid.Geometry(), range.top, range.left,
                                                  range.bottom, range.right);
    if (!box.isNull())
        m_grid.viewport()->update(box.adjusted(-1, -1, 1, 1));
}

void RecordListKeyboard::SetCursor(CellPos pos, bool extend)
{
    const auto& m = m_grid.m_model;
    if (!m.IsRow(pos.row) || !RecordListCursor::IsCursorColumn(m, pos.col))
        return;
    RepaintSelection(Selection());
    if (!extend || !Cursor().IsSet())
        m_anchor = pos;
    m_cursor = pos;

    // Into view, and the row selection along where the grid has one.
    const RecordListGeometry g = m_grid.Geometry();
    const int top = RecordListLayout::ScrollIntoView(g, pos.row);
    if (top >= 0)
        m_grid.SetVerticalPosition(top);
    const int hpos = RecordListLayout::HorizontalIntoView(m, m_grid.Geometry(), pos.col);
    if (hpos >= 0 && hpos != m_grid.m_hpos) {
        m_grid.SetHorizontalPosition(hpos);
        // A page keeps a companion grid in step with this one.
        m_grid.Notify(LVN_ITEMCHANGING, 0, 0);
    }
    if (!(m_grid.m_style & RLS_NOSELECT) && m_grid.m_curSel != pos.row) {
        m_syncing = true;
        m_grid.SetCurSel(pos.row);
        m_syncing = false;
    }
    RepaintSelection(Selection());
}

void RecordListKeyboard::FocusIn()
{
    if (Cursor().IsSet() || !HasCells())
        return;
    const auto& m = m_grid.m_model;
    const int row = m.IsRow(m_grid.m_curSel) ? m_grid.m_curSel : std::clamp(m_grid.m_topRow, 0, m.RowCount() - 1);
    m_cursor = m_anchor = {row, RecordListCursor::FirstColumn(m)};
    RepaintSelection(Selection());
}

void RecordListKeyboard::RowSelected(int row)
{
    if (m_syncing || !HasCells() || !m_grid.m_model.IsRow(row))
        return;
    const CellPos cursor = Cursor();
    const int col = cursor.IsSet() ? cursor.col : RecordListCursor::FirstColumn(m_grid.m_model);
    RepaintSelection(Selection());
    m_cursor = m_anchor = {row, col};
    RepaintSelection(Selection());
}

CellPos RecordListKeyboard::CellAt(QPoint pos) const
{
    const auto& m = m_grid.m_model;
    const int row = m_grid.HitTestRow(pos.x(), pos.y());
    int col = m_grid.HitTestColumn(pos.x(), pos.y());
    if (col < 0) // right of the last column
        col = RecordListCursor::LastColumn(m);
    return {row, RecordListCursor::NearestColumn(m, col)};
}

bool RecordListKeyboard::MousePress(QPoint pos, bool extend)
{
    if (!HasCells())
        return true;
    // A click anywhere in the cells ends an open edit first, as moving with the keys does.
    if (m_grid.m_editing.IsOpen() && !m_grid.m_editing.EndEdit(true, false))
        return false;
    const CellPos cell = CellAt(pos);
    SetCursor(cell, extend);
    m_dragging = cell.IsSet();
    return true;
}

void RecordListKeyboard::MouseMove(QPoint pos)
{
    if (!m_dragging)
        return;
    const CellPos cell = CellAt(pos);
    if (cell.IsSet() && !(cell == m_cursor))
        SetCursor(cell, true);
}

bool RecordListKeyboard::WantsKey(const QKeyEvent* event) const
{
    if (!HasCells() || m_grid.m_editing.IsOpen())
        return false;
    const auto mods = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    const bool ctrl = mods == Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_C:
    case Qt::Key_V:
        return ctrl;
    case Qt::Key_Insert:
        return ctrl || mods == Qt::ShiftModifier;
    case Qt::Key_Home:
    case Qt::Key_End:
        return !(mods & Qt::AltModifier);
    case Qt::Key_Delete:
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // Ctrl+PgUp / Ctrl+PgDn stay the window's page switch.
        return (mods & ~Qt::ShiftModifier) == Qt::NoModifier;
    default:
        return mods == Qt::NoModifier && IsDigitText(event->text());
    }
}

bool RecordListKeyboard::KeyPress(QKeyEvent* event)
{
    if (!WantsKey(event))
        return false;
    const auto& m = m_grid.m_model;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    CellPos at = Cursor();
    if (!at.IsSet()) {
        FocusIn();
        at = Cursor();
    }
    using Step = RecordListCursor::Step;
    auto move = [&](Step step) {
        SetCursor(RecordListCursor::Move(m, m_grid.Geometry(), at, step), shift);
        return true;
    };
    switch (event->key()) {
    case Qt::Key_C:
        Copy();
        return true;
    case Qt::Key_V:
        Paste();
        return true;
    case Qt::Key_Insert:
        if (ctrl)
            Copy();
        else
            Paste();
        return true;
    case Qt::Key_Delete:
        ClearCells();
        return true;
    case Qt::Key_Space:
        ToggleCheck();
        return true;
    case Qt::Key_F2:
        EditCursorCell();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        SetCursor(RecordListCursor::Move(m, m_grid.Geometry(), at, Step::Down), false);
        return true;
    case Qt::Key_Left:
        return move(Step::Left);
    case Qt::Key_Right:
        return move(Step::Right);
    case Qt::Key_Up:
        return move(Step::Up);
    case Qt::Key_Down:
        return move(Step::Down);
    case Qt::Key_PageUp:
        return move(Step::PageUp);
    case Qt::Key_PageDown:
        return move(Step::PageDown);
    case Qt::Key_Home:
        return move(ctrl ? Step::First : Step::Home);
    case Qt::Key_End:
        return move(ctrl ? Step::Last : Step::End);
    default:
        StartTyping(event->text());
        return true;
    }
}

void RecordListKeyboard::EditCursorCell()
{
    const CellPos at = Cursor();
    if (at.IsSet())
        m_grid.BeginEdit(at.row, at.col);
}

void RecordListKeyboard::StartTyping(const QString& text)
{
    const CellPos at = Cursor();
    if (!at.IsSet() || IsCheckColumn(m_grid.GetColumnFlags(at.col)))
        return;
    m_grid.BeginEdit(at.row, at.col);
    auto& editing = m_grid.m_editing;
    if (editing.IsOpen() && editing.EditRow() == at.row && editing.EditColumn() == at.col)
        editing.Editor()->StartWith(text);
}

void RecordListKeyboard::CommitAndMove(After after)
{
    auto& editing = m_grid.m_editing;
    if (!editing.IsOpen())
        return;
    const CellPos from{editing.EditRow(), editing.EditColumn()};
    if (!editing.EndEdit(true, false))
        return; // refused: the editor stays open
    const auto& m = m_grid.m_model;
    CellPos to = from;
    switch (after) {
    case After::Down:
        to = RecordListCursor::Move(m, m_grid.Geometry(), from, RecordListCursor::Step::Down);
        break;
    case After::Next:
        to = RecordListCursor::NextInRow(m, from, false);
        break;
    case After::Previous:
        to = RecordListCursor::NextInRow(m, from, true);
        break;
    }
    if (to.IsSet())
        SetCursor(to, false);
    else if (from.IsSet())
        SetCursor(from, false);
}

void RecordListKeyboard::ToggleCheck()
{
    const CellPos at = Cursor();
    if (!at.IsSet())
        return;
    const int flags = m_grid.GetColumnFlags(at.col);
    if (!IsCheckColumn(flags))
        return;
    const bool wasEmpty = m_grid.GetCellText(at.row, at.col).isEmpty();
    if (flags & RLC_RADIO) {
        for (int row = 0; row < m_grid.m_model.RowCount(); ++row) {
            if (row != at.row)
                m_grid.SetCheck(row, at.col, false);
        }
    }
    m_grid.SetCheck(at.row, at.col, wasEmpty);
    m_grid.Notify(RLN_TOGGLED, at.row, at.col);
    emit m_grid.userEdited();
}

void RecordListKeyboard::ClearCells()
{
    const CellRange range = Selection();
    if (!range.IsSet())
        return;
    bool changed = false;
    for (int row = range.top; row <= range.bottom; ++row) {
        for (int col = range.left; col <= range.right; ++col) {
            if (!RecordListCursor::IsCursorColumn(m_grid.m_model, col) || m_grid.GetCellText(row, col).isEmpty())
                continue;
            m_grid.SetCellText(row, col, QString());
            changed = true;
        }
    }
    if (changed)
        emit m_grid.userEdited();
}

void RecordListKeyboard::Copy() const
{
    const CellRange range = Selection();
    if (!range.IsSet())
        return;
    RecordListClipboard::Table table;
    for (int row = range.top; row <= range.bottom; ++row) {
        QStringList cells;
        for (int col = range.left; col <= range.right; ++col) {
            const QString text = m_grid.GetCellText(row, col);
            if (IsCheckColumn(m_grid.GetColumnFlags(col)))
                cells.push_back(text.isEmpty() ? QString() : QStringLiteral("X"));
            else
                cells.push_back(text);
        }
        table.push_back(cells);
    }
    QGuiApplication::clipboard()->setText(RecordListClipboard::Format(table));
}

QString RecordListKeyboard::CellName(int row, int col) const
{
    return QStringLiteral("строке %1, столбце «%2»").arg(row + 1).arg(m_grid.GetColumnTitle(col));
}

void RecordListKeyboard::Refuse(const QString& text) const
{
    if (Messages* messages = m_grid.m_messages)
        messages->Show(text.toStdString());
}

void RecordListKeyboard::Paste()
{
    const CellPos at = Cursor();
    if (!at.IsSet())
        return;
    const RecordListClipboard::Table table = RecordListClipboard::Parse(QGuiApplication::clipboard()->text());
    if (table.empty())
        return;
    const auto& m = m_grid.m_model;
    int width = 0;
    for (const QStringList& line : table)
        width = std::max(width, static_cast<int>(line.size()));
    const int height = static_cast<int>(table.size());

    // The whole block must land on cells the cursor can reach.
    bool fits = at.row + height <= m.RowCount();
    for (int k = 0; k < width && fits; ++k)
        fits = RecordListCursor::IsCursorColumn(m, at.col + k);
    if (!fits) {
        Refuse(QStringLiteral("Вставка отменена: данные (строк: %1, столбцов: %2) от строки %3, столбца «%4» не "
                              "помещаются в таблицу.")
                   .arg(height)
                   .arg(width)
                   .arg(at.row + 1)
                   .arg(m_grid.GetColumnTitle(at.col)));
        return;
    }

    // Every value is checked before anything changes.
    struct Change {
        int row;
        int col;
        QString text;
    };
    std::vector<Change> changes;
    std::vector<int> radioRow(static_cast<size_t>(width), -1);
    for (int i = 0; i < height; ++i) {
        const QStringList& line = table[static_cast<size_t>(i)];
        for (int k = 0; k < line.size(); ++k) {
            const int row = at.row + i;
            const int col = at.col + k;
            const int flags = m.Flags(col);
            const QString value = line[k].trimmed();
            if (IsCheckColumn(flags)) {
                if (!value.isEmpty() && !IsCheckMark(value)) {
                    Refuse(QStringLiteral("Вставка отменена: в %1 текст «%2», а в ячейке отметки допустимы только «X» "
                                          "или пусто.")
                               .arg(CellName(row, col), value));
                    return;
                }
                const bool checked = !value.isEmpty();
                if (checked && (flags & RLC_RADIO)) {
                    int& first = radioRow[static_cast<size_t>(k)];
                    if (first >= 0) {
                        Refuse(QStringLiteral("Вставка отменена: в столбце «%1» отмечены строки %2 и %3, а отметить "
                                              "можно только одну строку.")
                                   .arg(m_grid.GetColumnTitle(col))
                                   .arg(first + 1)
                                   .arg(row + 1));
                        return;
                    }
                    first = row;
                }
                changes.push_back({row, col, checked ? m_grid.m_checkText : QString()});
            } else if (value.isEmpty()) {
                changes.push_back({row, col, QString()});
            } else {
                bool tooLarge = false;
                const QString stored = RecordListEditing::Normalise(value, &tooLarge);
                if (tooLarge) {
                    Refuse(QStringLiteral("Вставка отменена: в %1 значение «%2», а значение должно быть меньше 256.")
                               .arg(CellName(row, col), value));
                    return;
                }
                changes.push_back({row, col, stored});
            }
        }
    }

    bool changed = false;
    for (const Change& c : changes) {
        if (m_grid.GetCellText(c.row, c.col) != c.text) {
            m_grid.SetCellText(c.row, c.col, c.text);
            changed = true;
        }
    }
    // A check pasted into a single-check column clears that column outside the block.
    for (int k = 0; k < width; ++k) {
        const int row = radioRow[static_cast<size_t>(k)];
        if (row < 0)
            continue;
        for (int other = 0; other < m.RowCount(); ++other) {
            if ((other < at.row || other >= at.row + height) && !m_grid.GetCellText(other, at.col + k).isEmpty()) {
                m_grid.SetCheck(other, at.col + k, false);
                changed = true;
            }
        }
    }
    // The pasted block stays selected, the cursor on its first cell.
    const CellPos last{at.row + height - 1, at.col + width - 1};
    SetCursor(last, false);
    SetCursor(at, false);
    m_anchor = last;
    RepaintSelection(Selection());
    if (changed)
        emit m_grid.userEdited();
}

} // namespace vlk
