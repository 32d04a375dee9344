#pragma once

#include "grid/RecordListEditor.h"

#include <QString>

#include <memory>

class QKeyEvent;
class QObject;
class QEvent;

namespace vlk {

class ARecordList;

// In-place editing of a grid's cells: opening the editor over a cell, committing its value as
// a byte 0..255, the keys that steer an edit and keeping the editor over its cell.
class RecordListEditing {
public:
    explicit RecordListEditing(ARecordList& grid);
    ~RecordListEditing();
    RecordListEditing(const RecordListEditing&) = delete;
    RecordListEditing& operator=(const RecordListEditing&) = delete;

    void BeginEdit(int row, int col);
    bool EndEdit(bool commit, bool force);
    [[nodiscard]] int GetEditColumn() const { return m_editor ? m_editColumn : -1; }
    [[nodiscard]] int EditRow() const { return m_editRow; }
    [[nodiscard]] int EditColumn() const { return m_editColumn; }
    [[nodiscard]] bool IsOpen() const { return m_editor != nullptr; }
    [[nodiscard]] const RecordListEditor* Editor() const { return m_editor.get(); }
    [[nodiscard]] RecordListEditor* Editor() { return m_editor.get(); }
    [[nodiscard]] QWidget* EditorWidget() const { return m_editor ? m_editor->Widget() : nullptr; }
    // The editor's text as a notification carries it (at most 511 characters).
    [[nodiscard]] QString EditorText() const;

    // Keys seen before the focused window (the grid or its editor) gets them; true when used.
    bool PreTranslateKey(QKeyEvent* event);
    // Events of the editor window: focus loss of a plain edit ends the edit.
    bool EditorEvent(QObject* watched, QEvent* event);
    // Keeps the editor over its cell after a scroll, a resize or a width change.
    void MoveEditor();
    // Ends an open edit with commit, forced (the grid is going away).
    void Shutdown();

    // The value stored for an editor text: "%d" parsing, negatives and non-numbers give "0",
    // above 255 sets *tooLarge and gives "" (the caller warns and stores it).
    [[nodiscard]] static QString Normalise(const QString& text, bool* tooLarge);

private:
    void CheckClicked();
    void Watch(QObject* object);
    void Unwatch();

    ARecordList& m_grid;
    std::unique_ptr<RecordListEditor> m_editor;
    int m_editRow = -1;
    int m_editColumn = -1;
    int m_inEndEdit = 0;
    bool m_moving = false; // focus moves made by MoveEditor do not end an edit
};

} // namespace vlk
