#pragma once

#include <QPointer>
#include <QString>

#include <QCheckBox>
#include <QLineEdit>
class QWidget;
class QFont;

namespace vlk {

// The in-place editor window of a grid cell: a drop-down editor for kind columns, a plain line
// edit for other text columns, a check box for check columns opened from the keyboard. Hides
// the three behind the few operations the grid uses.
class RecordListEditor {
public:
    enum class Kind { Zet, Plain, Check };

    // Makes the editor for a column with `flags` as a hidden child of parent.
    RecordListEditor(int flags, QWidget* parent);
    ~RecordListEditor();
    RecordListEditor(const RecordListEditor&) = delete;
    RecordListEditor& operator=(const RecordListEditor&) = delete;

    [[nodiscard]] Kind EditorKind() const { return m_kind; }
    [[nodiscard]] QWidget* Widget() const { return m_widget; }
    // The widget that holds the keyboard focus while editing.
    [[nodiscard]] QWidget* FocusWidget() const;
    [[nodiscard]] QLineEdit* LineEdit() const { return m_line; }
    [[nodiscard]] QCheckBox* CheckBox() const { return m_check; }
    // The window style the editor was made with (low bits select a drop-down editor's kind).
    [[nodiscard]] unsigned Style() const { return m_style; }

    [[nodiscard]] QString Text() const;
    void SetText(const QString& text);
    void SetChecked(bool checked);
    [[nodiscard]] bool IsModified() const;
    void Undo();
    void Copy();
    void Paste();
    void SelectAll();
    // Replaces the text with what the user began typing on the cell, the caret after it.
    void StartWith(const QString& text);
    void ApplyFont(const QFont& font);
    // Lets the editor go: hidden now, deleted once the current event is over.
    void Close();

private:
    Kind m_kind = Kind::Plain;
    unsigned m_style = 0;
    QPointer<QWidget> m_widget;
    QPointer<QLineEdit> m_line;
    QPointer<QCheckBox> m_check;
};

} // namespace vlk
