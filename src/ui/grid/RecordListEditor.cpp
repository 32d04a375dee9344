#include "grid/RecordListEditor.h"

#include "grid/RecordListFlags.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPalette>

#include "editor/ClassZetEdit.h"

namespace vlk {

namespace {

constexpr unsigned ES_AUTOHSCROLL = 0x80;

unsigned EditorStyle(int flags)
{
    unsigned style = ES_AUTOHSCROLL;
    if (flags & RLC_ZETKIND2)
        style |= 0x2;
    if (flags & RLC_ZETKIND1)
        style |= 0x1;
    if (flags & RLC_RIGHT)
        style |= 0x2;
    if (flags & RLC_CENTER)
        style |= 0x1;
    return style;
}

Qt::Alignment Alignment(unsigned style)
{
    if (style & 0x2)
        return Qt::AlignRight | Qt::AlignVCenter;
    if (style & 0x1)
        return Qt::AlignHCenter | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QLineEdit* MakeLineEdit(QWidget* parent, unsigned style)
{
    auto* line = new QLineEdit(parent);
    line->setFrame(false);
    line->setAlignment(Alignment(style));
    line->setMaxLength(32767);
    return line;
}

} // namespace

RecordListEditor::RecordListEditor(int flags, QWidget* parent)
{
    if (flags & RLC_CHECK) {
        m_kind = Kind::Check;
        m_style = 3; // BS_AUTOCHECKBOX
        auto* check = new QCheckBox(parent);
        // The check box sits on the stock grey brush.
        check->setAutoFillBackground(true);
        QPalette palette = check->palette();
        palette.setColor(QPalette::Window, QColor(128, 128, 128));
        check->setPalette(palette);
        m_check = check;
        m_widget = check;
    } else if (flags & (RLC_ZETKIND1 | RLC_ZETKIND2)) {
        m_kind = Kind::Zet;
        m_style = EditorStyle(flags);
        // The low two bits select the editor's kind.
        auto* zet = new ClassZetEdit(m_style & 0x3u, parent);
        m_line = zet->EditChild();
        if (m_line)
            m_line->setAlignment(Alignment(m_style));
        m_widget = zet;
    } else {
        m_kind = Kind::Plain;
        m_style = EditorStyle(flags);
        m_line = MakeLineEdit(parent, m_style);
        m_widget = m_line.data();
    }
    m_widget->setObjectName(QStringLiteral("RecordListEditor"));
    m_widget->setProperty("controlId", RL_EDITOR_ID);
    m_widget->hide();
}

RecordListEditor::~RecordListEditor()
{
    Close();
}

QWidget* RecordListEditor::FocusWidget() const
{
    if (m_line)
        return m_line;
    return m_widget;
}

QString RecordListEditor::Text() const
{
    if (m_kind == Kind::Zet) {
        if (auto* zet = qobject_cast<ClassZetEdit*>(m_widget.data()))
            return zet->Text();
    }
    if (m_line)
        return m_line->text();
    return {};
}

void RecordListEditor::SetText(const QString& text)
{
    if (m_kind == Kind::Zet) {
        if (auto* zet = qobject_cast<ClassZetEdit*>(m_widget.data())) {
            zet->SetText(text);
            return;
        }
    }
    if (m_line)
        m_line->setText(text);
}

void RecordListEditor::SetChecked(bool checked)
{
    if (m_check)
        m_check->setChecked(checked);
}

bool RecordListEditor::IsModified() const
{
    return m_line && m_line->isModified();
}

void RecordListEditor::Undo()
{
    if (m_line) {
        m_line->undo();
        m_line->setModified(false);
    }
}

void RecordListEditor::Copy()
{
    if (m_line)
        m_line->copy();
}

void RecordListEditor::Paste()
{
    if (m_line)
        m_line->paste();
}

void RecordListEditor::SelectAll()
{
    if (m_line)
        m_line->selectAll();
}

void RecordListEditor::StartWith(const QString& text)
{
    if (!m_line)
        return;
    m_line->setText(text);
    m_line->setModified(true);
    m_line->deselect();
    m_line->end(false);
}

void RecordListEditor::ApplyFont(const QFont& font)
{
    if (m_widget)
        m_widget->setFont(font);
}

void RecordListEditor::Close()
{
    if (m_widget) {
        QWidget* widget = m_widget;
        m_widget = nullptr;
        widget->hide();
        widget->deleteLater();
    }
}

} // namespace vlk
