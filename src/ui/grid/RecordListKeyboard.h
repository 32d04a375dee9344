#pragma once

#include "grid/RecordListCursor.h"

#include <QPoint>
#include <QString>

class QKeyEvent;

namespace vlk {

class ARecordList;

// The cell cursor of an editable grid and what the keys and the clipboard do with it: moving
// and extending it, typing into a cell, committing and moving on, toggling and clearing cells,
// copying and pasting blocks of cells. It lives beside the row selection and never changes it
// on a grid without rows to select.
class RecordListKeyboard {
public:
    explicit RecordListKeyboard(ARecordList& grid);

    // The cursor's cell and the selected block; none while the grid has no cell to stand on.
    [[nodiscard]] CellPos Cursor() const;
    [[nodiscard]] CellRange Selection() const;
    [[nodiscard]] bool HasCells() const;
    // Puts the cursor on a cell (extending the block from its anchor), brings it into view.
    void SetCursor(CellPos pos, bool extend);

    // A key on the grid itself while no editor is open; true when used.
    bool KeyPress(QKeyEvent* event);
    // Whether the grid takes this key before the window's shortcuts.
    [[nodiscard]] bool WantsKey(const QKeyEvent* event) const;
    // F2: edits the cursor's cell.
    void EditCursorCell();
    // Enter, Tab and Shift+Tab in an open editor: commit, then move down, right or left.
    enum class After { Down, Next, Previous };
    void CommitAndMove(After after);

    // The mouse on the data area; false when an open edit refused to end.
    bool MousePress(QPoint pos, bool extend);
    void MouseMove(QPoint pos);
    void MouseRelease() { m_dragging = false; }
    [[nodiscard]] bool Dragging() const { return m_dragging; }

    void FocusIn();
    // The row selection moved (grids that have one keep the cursor on the current row).
    void RowSelected(int row);

    void Copy() const;
    void Paste();
    void ClearCells();
    void ToggleCheck();

private:
    void StartTyping(const QString& text);
    void RepaintSelection(const CellRange& range) const;
    [[nodiscard]] CellPos CellAt(QPoint pos) const;
    [[nodiscard]] QString CellName(int row, int col) const;
    void Refuse(const QString& text) const;

    ARecordList& m_grid;
    CellPos m_cursor;
    CellPos m_anchor;
    bool m_dragging = false;
    bool m_syncing = false;
};

} // namespace vlk
