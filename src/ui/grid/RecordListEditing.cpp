#include "grid/RecordListEditing.h"

#include "grid/ARecordList.h"
#include "grid/RecordListLayout.h"
#include "util/Messages.h"
#include "util/NumberText.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

namespace vlk {

namespace {

constexpr int MaxEditorText = 511;

} // namespace

RecordListEditing::RecordListEditing(ARecordList& grid)
    : m_grid(grid)
{
}

RecordListEditing::~RecordListEditing()
{
    Unwatch();
}

QString RecordListEditing::EditorText() const
{
    return m_editor ? m_editor->Text().left(MaxEditorText) : QString();
}

QString RecordListEditing::Normalise(const QString& text, bool* tooLarge)
{
    *tooLarge = false;
    // As "%d" reads it: leading white space, an optional sign, digits; the rest is ignored.
    const long value = NumberText::LeadingLong(text.toStdString());
    if (value < 0)
        return QStringLiteral("0");
    if (value > 255) {
        *tooLarge = true;
        return QString();
    }
    return QString::number(value);
}

void RecordListEditing::Watch(QObject* object)
{
    if (object)
        object->installEventFilter(&m_grid);
}

void RecordListEditing::Unwatch()
{
    if (!m_editor)
        return;
    if (QWidget* widget = m_editor->Widget()) {
        widget->removeEventFilter(&m_grid);
        for (QObject* child : widget->findChildren<QObject*>())
            child->removeEventFilter(&m_grid);
    }
}

void RecordListEditing::BeginEdit(int row, int col)
{
    if (row < 0 || col < 0 || !(m_grid.GetColumnFlags(col) & RLC_EDIT))
        return;
    if (m_editor) {
        if (row == m_grid.m_curSel && col == m_editColumn)
            return;
        if (!EndEdit(true, false))
            return;
    }
    m_grid.SetCurSel(row);

    const RecordListGeometry g = m_grid.Geometry();
    const QRect rect = RecordListLayout::EditorRect(m_grid.m_model, g, row, col);
    const int flags = m_grid.GetColumnFlags(col);
    m_editor = std::make_unique<RecordListEditor>(flags, m_grid.viewport());
    m_editor->Widget()->setGeometry(rect);
    m_editColumn = col;
    m_editRow = row;

    const QString text = m_grid.GetCellText(row, col);
    if (m_editor->EditorKind() == RecordListEditor::Kind::Check)
        m_editor->SetChecked(!text.isEmpty());
    else
        m_editor->SetText(text);

    if (m_grid.Notify(LVN_BEGINLABELEDIT, row, col) != 0) {
        // Refused: the editor goes at once, the edit never starts.
        m_editor->Close();
        m_editor.reset();
        return;
    }

    QWidget* widget = m_editor->Widget();
    Watch(widget);
    for (QObject* child : widget->findChildren<QObject*>())
        Watch(child);
    if (m_editor->CheckBox())
        QObject::connect(m_editor->CheckBox(), &QCheckBox::clicked, &m_grid, [this] { CheckClicked(); });
    widget->show();
    m_editor->ApplyFont(*m_grid.GetFont());
    if (m_editor->EditorKind() == RecordListEditor::Kind::Plain)
        m_editor->SelectAll();

    // Bring the editor's column into view.
    const int clientRight = g.clientWidth;
    int pos = 0;
    bool applied = false;
    if (rect.right() + 1 > clientRight) {
        pos = (m_grid.GetColumnRight(m_editColumn) - clientRight) / RecordListLayout::HorizontalUnit + 1;
        applied = true;
    }
    if (rect.left() < 0) {
        pos = m_grid.GetColumnRight(m_editColumn - 1) / RecordListLayout::HorizontalUnit - 1;
        applied = true;
    }
    if (applied) {
        m_grid.SetHorizontalPosition(std::max(pos, 0));
        MoveEditor();
    }

    m_grid.InvalidateRow(row);
    if (m_editor)
        m_editor->FocusWidget()->setFocus(Qt::OtherFocusReason);
}

bool RecordListEditing::EndEdit(bool commit, bool force)
{
    if (!m_editor || m_inEndEdit)
        return true;
    m_inEndEdit = 1;
    // The row under the editor is editRow: the editor always sits over that row, also while it
    // is hidden under the header, where a position test would find no row.
    const int row = m_editRow;
    const bool checkColumn = (m_grid.GetColumnFlags(m_editColumn) & RLC_CHECK) != 0;
    bool changed = false;

    if (commit && !checkColumn) {
        const bool zet = m_editor->EditorKind() == RecordListEditor::Kind::Zet;
        if (zet || m_editor->IsModified()) {
            const QString text = EditorText();
            if (m_grid.Notify(LVN_ITEMCHANGED, row, m_editColumn, &text) != 0 && !force) {
                m_editor->Undo();
                if (m_editor->Widget()->isVisible())
                    m_editor->FocusWidget()->setFocus(Qt::OtherFocusReason);
                m_inEndEdit = 0;
                return false;
            }
        }
        bool tooLarge = false;
        QString stored = Normalise(EditorText(), &tooLarge);
        if (tooLarge) {
            if (Messages* messages = m_grid.m_messages)
                messages->Show("Значение должно быть меньше 256!");
        }
        changed = stored != m_grid.GetCellText(row, m_editColumn);
        m_grid.SetCellText(row, m_editColumn, stored);
    }

    Unwatch();
    m_editor->Close();
    m_editor.reset();
    const int column = m_editColumn;
    m_grid.Notify(LVN_ENDLABELEDIT, row, column);
    m_editColumn = m_editRow = -1;
    m_grid.setFocus(Qt::OtherFocusReason);
    m_grid.InvalidateRow(row);
    m_inEndEdit = 0;
    // Told once the editor is gone, so whoever follows the edits finds the grid settled.
    if (changed)
        emit m_grid.userEdited();
    return true;
}

void RecordListEditing::CheckClicked()
{
    if (!m_editor)
        return;
    const bool wasEmpty = m_grid.GetCellText(m_editRow, m_editColumn).isEmpty();
    m_grid.SetCheck(m_editRow, m_editColumn, wasEmpty);
    m_grid.Notify(RLN_TOGGLED, m_editRow, m_editColumn);
    emit m_grid.userEdited();
}

void RecordListEditing::MoveEditor()
{
    if (!m_editor || !m_editor->Widget())
        return;
    const RecordListGeometry g = m_grid.Geometry();
    const QRect rect = RecordListLayout::FollowRect(m_grid.m_model, g, m_editRow, m_editColumn);
    QWidget* widget = m_editor->Widget();
    m_moving = true;
    if (rect.bottom() + 1 > g.headerHeight) {
        widget->setGeometry(rect);
        widget->show();
        m_editor->FocusWidget()->setFocus(Qt::OtherFocusReason);
    } else {
        // The row went up under the header: hide the editor; the edit stays open.
        widget->hide();
        m_grid.setFocus(Qt::OtherFocusReason);
    }
    m_moving = false;
}

void RecordListEditing::Shutdown()
{
    EndEdit(true, true);
}

bool RecordListEditing::EditorEvent(QObject* watched, QEvent* event)
{
    if (!m_editor)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        return PreTranslateKey(static_cast<QKeyEvent*>(event));
    case QEvent::FocusOut:
        // A plain edit box ends its edit when it loses the focus (not when the grid itself
        // moves the focus while the editor follows its cell).
        if (!m_moving && m_editor->EditorKind() == RecordListEditor::Kind::Plain && watched == m_editor->Widget()) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason)
                EndEdit(true, true);
        }
        return false;
    default:
        return false;
    }
}

bool RecordListEditing::PreTranslateKey(QKeyEvent* event)
{
    const int key = event->key();
    const auto mods = event->modifiers();
    const bool open = m_editor != nullptr;
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if (!open)
            return false;
        // Commit and go on to the next (previous) cell, row after row, as in a spreadsheet.
        const bool backwards = key == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
        m_grid.m_keys.CommitAndMove(backwards ? RecordListKeyboard::After::Previous : RecordListKeyboard::After::Next);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!open)
            return false;
        m_grid.m_keys.CommitAndMove(RecordListKeyboard::After::Down);
        return true;
    case Qt::Key_Escape:
        if (!open)
            return false;
        EndEdit(false, true);
        return true;
    case Qt::Key_F2:
        if (open)
            return true;
        if (m_grid.m_keys.HasCells())
            m_grid.m_keys.EditCursorCell();
        else
            BeginEdit(m_grid.m_curSel, m_grid.NextEditColumn(-1, false));
        return true;
    case Qt::Key_Insert:
        if (!open)
            return false;
        if (mods & Qt::ControlModifier)
            m_editor->Copy();
        else if (mods & Qt::ShiftModifier)
            m_editor->Paste();
        return true;
    case Qt::Key_C:
        if (!open || !(mods & Qt::ControlModifier))
            return false;
        m_editor->Copy();
        return true;
    case Qt::Key_V:
        if (!open || !(mods & Qt::ControlModifier))
            return false;
        m_editor->Paste();
        return true;
    default:
        return false;
    }
}

} // namespace vlk
