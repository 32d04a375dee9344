#pragma once

#include "grid/RecordListColours.h"
#include "grid/RecordListEditing.h"
#include "grid/RecordListFlags.h"
#include "grid/RecordListGeometry.h"
#include "grid/RecordListKeyboard.h"
#include "grid/RecordListModel.h"
#include "grid/RecordListNotification.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QString>

#include <memory>

namespace vlk {

class Messages;
class RecordListParent;

// The station's grid: text cells under a one-line header, alternating row colours, a current
// row, in-place editing of byte values, check and picture cells. Every configuration table and
// the console's live tables live in these grids.
class ARecordList : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit ARecordList(QWidget* parent = nullptr);
    ~ARecordList() override;
    ARecordList(const ARecordList&) = delete;
    ARecordList& operator=(const ARecordList&) = delete;

    // Places the grid in parent with the template's window style (WS_BORDER gives it a frame),
    // rectangle and control identifier. The notification target is the parent when it is a
    // RecordListParent.
    [[nodiscard]] virtual bool Create(unsigned style, const QRect& rect, QWidget* parent, int id);
    [[nodiscard]] int ControlId() const { return m_controlId; }
    void SetControlId(int id) { m_controlId = id; }
    void SetNotifyTarget(RecordListParent* target);
    // Where the messages of editing go, given by the grid's owner (a page hands down its own);
    // a grid given none shows none.
    void SetMessages(Messages* messages) { m_messages = messages; }

    // Table set-up.
    void SetStyle(int style) { m_style = style; }
    [[nodiscard]] int GetStyle() const { return m_style; }
    void SetColumns(int count, const int* widths);
    void SetHeaderText(const QString& text);
    void SetColumnTip(int col, const QString& text);
    int SetColumnFlags(int col, int flags);
    [[nodiscard]] int GetColumnFlags(int col) const;
    void SetColumnWidth(int col, int pixels);
    [[nodiscard]] int GetColumnWidth(int col) const;
    void SetColumnPicture(int col, int entry, const QString& text, int image, int mask);
    [[nodiscard]] QString GetColumnTitle(int col) const;
    void SetRowHeight(int pixels);
    void SetHeaderHeight(int pixels) { m_headerHeight = pixels; }
    [[nodiscard]] int GetRowHeight() const { return m_rowHeight; }
    [[nodiscard]] int GetHeaderHeight() const { return m_headerHeight; }
    [[nodiscard]] int GetColumnCount() const { return m_model.ColumnCount(); }
    // The font is not owned; returns the previous one. Null returns to the grid's own font.
    const QFont* SetFont(const QFont* font);
    [[nodiscard]] const QFont* GetFont() const { return m_font ? m_font : &m_ownFont; }
    void SetHeaderOnly(int flag);

    // Rows, cells and selection.
    int AddRow(const QString& text);
    void MoveRow(int from, int to);
    [[nodiscard]] int GetRowCount() const { return m_model.RowCount(); }
    [[nodiscard]] QString GetCellText(int row, int col) const { return m_model.CellText(row, col); }
    void SetCellText(int row, int col, const QString& text);
    void SetCheck(int row, int col, bool checked);
    void SetCurSel(int row);
    [[nodiscard]] int GetCurSel() const { return m_curSel; }
    [[nodiscard]] int GetEditColumn() const { return m_editing.GetEditColumn(); }
    [[nodiscard]] QRect GetRowRect(int row) const;
    [[nodiscard]] QRect GetCellRect(int row, int col) const;
    [[nodiscard]] int GetColumnRight(int col) const { return m_model.ColumnRight(col); }
    [[nodiscard]] int HitTestRow(int x, int y) const;
    [[nodiscard]] int HitTestColumn(int x, int y) const;
    [[nodiscard]] int HitTestDivider(int x, int y) const;
    [[nodiscard]] QString GetCheckText() const { return m_checkText; }

    // Editing.
    void BeginEdit(int row, int col) { m_editing.BeginEdit(row, col); }
    bool EndEdit(bool commit, bool force) { return m_editing.EndEdit(commit, force); }
    [[nodiscard]] int NextEditColumn(int col, bool backwards) const;

    // The cell cursor of a grid with editable columns, apart from the current row: the cell the
    // keys act on and the block of cells that copy, paste and Delete take.
    [[nodiscard]] CellPos GetCursorCell() const { return m_keys.Cursor(); }
    [[nodiscard]] CellRange GetSelectedCells() const { return m_keys.Selection(); }
    void SetCursorCell(int row, int col, bool extend = false) { m_keys.SetCursor({row, col}, extend); }

    // For tests and the pages: the open editor window (null when idle), scroll positions,
    // the model and the colours.
    [[nodiscard]] QWidget* Editor() const { return m_editing.EditorWidget(); }
    [[nodiscard]] const RecordListEditor* EditorObject() const { return m_editing.Editor(); }
    [[nodiscard]] int TopRow() const { return m_topRow; }
    [[nodiscard]] int HorizontalPosition() const { return m_hpos; }
    [[nodiscard]] const RecordListModel& Model() const { return m_model; }
    [[nodiscard]] const RecordListColours& Colours() const { return m_colours; }
    [[nodiscard]] RecordListGeometry Geometry() const;
    [[nodiscard]] int TipColumn() const { return m_tipColumn; }
    [[nodiscard]] bool TipShown() const { return m_tipOn; }
    [[nodiscard]] bool Dragging() const { return m_drag.active; }

signals:
    // Once for every action of the user that changed values in the grid (an edit committed, a
    // check toggled, cells pasted or cleared), after the change; never for the program's own
    // SetCellText and SetCheck.
    void userEdited();

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class RecordListEditing;
    friend class RecordListKeyboard;

    struct Drag {
        bool active = false;
        int divider = -1;
        int low = 0;
        int high = 0;
        int x = -1;
    };

    int Notify(int code, int row, int col, const QString* text = nullptr);
    int NotifyColumn(int code, int col);
    void NotifySelectionCommand();
    void UpdateScrollRanges();
    void ProportionalLayout();
    void AfterLayoutChange();
    void InvalidateRow(int row);
    void InvalidateCursor();
    void SetVerticalPosition(int top);
    void SetHorizontalPosition(int pos);
    void OnHorizontalAction(int action);
    void OnVerticalAction(int action);
    void ViewportResized();
    void UpdateTip(const QPoint& pos);
    void StartDrag(int divider, int x);
    void MoveDrag(int x);
    void EndDrag(bool cancelled);
    void AutoSize(int divider);
    bool TypeAhead(const QString& text);
    bool RowKey(int key);
    [[nodiscard]] bool IsFixedColumns() const { return (m_style & RLS_FIXEDCOLUMNS) != 0; }
    [[nodiscard]] bool IsProportional() const { return (m_style & RLS_PROPORTIONAL) != 0; }

    RecordListModel m_model;
    RecordListColours m_colours;
    RecordListEditing m_editing;
    RecordListKeyboard m_keys;
    QFont m_ownFont;
    const QFont* m_font = nullptr;
    RecordListParent* m_notifyTarget = nullptr;
    Messages* m_messages = nullptr;
    int m_controlId = 0;
    bool m_border = false;
    int m_checkedPicture = 132;
    int m_uncheckedPicture = 0;
    int m_headerOnly = 0;
    int m_headerHeight = 16;
    int m_rowHeight = 18;
    int m_style = 0;
    int m_curSel = -1;
    int m_topRow = 0;
    int m_hpos = 0;
    int m_tipColumn = -1;
    bool m_tipOn = false;
    QString m_tipText;
    QString m_checkText = QStringLiteral("X");
    bool m_movePixels = false; // the running scroll moves painted pixels (line and thumb)
    Drag m_drag;
};

} // namespace vlk
