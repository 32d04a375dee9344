#include "forms/DialogTemplate.h"

#include <QFile>

#include <unordered_map>

namespace vlk {

namespace {

struct Token {
    enum Kind { End, Number, String, Name, Comma, Pipe } kind = End;
    QString text;
    long long number = 0;
    int line = 0;
};

const std::unordered_map<std::string, std::uint32_t>& StyleNames()
{
    using namespace DialogStyle;
    static const std::unordered_map<std::string, std::uint32_t> names{
        {"WS_CHILD", Child}, {"WS_VISIBLE", Visible}, {"WS_DISABLED", Disabled},
        {"WS_BORDER", Border}, {"WS_VSCROLL", VScroll}, {"WS_HSCROLL", HScroll},
        {"WS_GROUP", Group}, {"WS_TABSTOP", TabStop}, {"WS_CHILDWINDOW", Child},
        {"WS_POPUP", 0x80000000u}, {"WS_CAPTION", 0x00C00000u}, {"WS_SYSMENU", 0x00080000u},
        {"DS_SETFONT", SetFont}, {"DS_3DLOOK", 0x4}, {"DS_CONTROL", 0x400},
        {"DS_MODALFRAME", 0x80},
        {"BS_PUSHBUTTON", PushButton}, {"BS_DEFPUSHBUTTON", DefPushButton},
        {"BS_CHECKBOX", CheckBox}, {"BS_AUTOCHECKBOX", AutoCheckBox},
        {"BS_RADIOBUTTON", RadioButton}, {"BS_3STATE", ThreeState},
        {"BS_AUTO3STATE", AutoThreeState}, {"BS_GROUPBOX", GroupBox},
        {"BS_AUTORADIOBUTTON", AutoRadioButton}, {"BS_LEFTTEXT", 0x20}, {"BS_FLAT", 0x8000},
        {"BS_MULTILINE", 0x2000}, {"BS_CENTER", 0x300}, {"BS_LEFT", 0x100}, {"BS_RIGHT", 0x200},
        {"ES_LEFT", 0x0}, {"ES_CENTER", EditCenter}, {"ES_RIGHT", EditRight},
        {"ES_PASSWORD", EditPassword}, {"ES_AUTOHSCROLL", EditAutoHScroll},
        {"ES_READONLY", EditReadOnly}, {"ES_NUMBER", EditNumber}, {"ES_UPPERCASE", 0x8},
        {"SS_LEFT", 0x0}, {"SS_CENTER", StaticCenter}, {"SS_RIGHT", StaticRight},
        {"SS_BITMAP", StaticBitmap}, {"SS_LEFTNOWORDWRAP", StaticLeftNoWordWrap},
        {"SS_NOTIFY", StaticNotify}, {"SS_CENTERIMAGE", StaticCenterImage},
        {"SS_NOPREFIX", StaticNoPrefix}, {"SS_SUNKEN", 0x1000},
        {"LBS_NOTIFY", 0x1}, {"LBS_SORT", 0x2}, {"LBS_NOINTEGRALHEIGHT", 0x100},
        {"CBS_SIMPLE", ComboSimple}, {"CBS_DROPDOWN", ComboDropDown},
        {"CBS_DROPDOWNLIST", ComboDropDownList}, {"CBS_SORT", 0x100},
        {"UDS_ARROWKEYS", UpDownArrowKeys}, {"UDS_HORZ", UpDownHorizontal},
        {"UDS_WRAP", 0x1}, {"UDS_SETBUDDYINT", 0x2}, {"UDS_ALIGNRIGHT", 0x4},
        {"UDS_ALIGNLEFT", 0x8}, {"UDS_AUTOBUDDY", 0x10}, {"UDS_NOTHOUSANDS", 0x80},
        {"SBS_HORZ", 0x0}, {"SBS_VERT", ScrollBarVertical},
        {"WS_EX_CLIENTEDGE", 0x200}, {"WS_EX_STATICEDGE", 0x20000}, {"WS_EX_TRANSPARENT", 0x20},
        {"IDC_STATIC", 0xFFFFFFFFu},
    };
    return names;
}

class Lexer {
public:
    explicit Lexer(const QString& text) : m_text(text) {}

    // Reads the next token; returns false with `error` set on a malformed one.
    bool Next(Token& token, QString& error)
    {
        SkipSpaceAndComments();
        token = Token{};
        token.line = m_line;
        if (m_pos >= m_text.size())
            return true;
        const QChar c = m_text[m_pos];
        if (c == u',') {
            token.kind = Token::Comma;
            ++m_pos;
            return true;
        }
        if (c == u'|') {
            token.kind = Token::Pipe;
            ++m_pos;
            return true;
        }
        if (c == u'"')
            return ReadString(token, error);
        if (c.isDigit() || (c == u'-' && m_pos + 1 < m_text.size() && m_text[m_pos + 1].isDigit()))
            return ReadNumber(token, error);
        if (c.isLetter() || c == u'_') {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == u'_'))
                ++m_pos;
            token.kind = Token::Name;
            token.text = m_text.mid(start, m_pos - start);
            return true;
        }
        error = QStringLiteral("unexpected character '%1'").arg(c);
        return false;
    }

private:
    void SkipSpaceAndComments()
    {
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos];
            if (c == u'\n') {
                ++m_line;
                ++m_pos;
            } else if (c.isSpace()) {
                ++m_pos;
            } else if (c == u'/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'/') {
                while (m_pos < m_text.size() && m_text[m_pos] != u'\n')
                    ++m_pos;
            } else if (c == u'/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'*') {
                m_pos += 2;
                while (m_pos + 1 < m_text.size() && !(m_text[m_pos] == u'*' && m_text[m_pos + 1] == u'/')) {
                    if (m_text[m_pos] == u'\n')
                        ++m_line;
                    ++m_pos;
                }
                m_pos += 2;
            } else {
                return;
            }
        }
    }

    bool ReadString(Token& token, QString& error)
    {
        ++m_pos;
        QString value;
        while (true) {
            if (m_pos >= m_text.size() || m_text[m_pos] == u'\n') {
                error = QStringLiteral("unterminated string");
                return false;
            }
            const QChar c = m_text[m_pos++];
            if (c == u'"') {
                // A doubled quote stands for one quote character.
                if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                    value += u'"';
                    ++m_pos;
                    continue;
                }
                break;
            }
            if (c == u'\\' && m_pos < m_text.size()) {
                const QChar e = m_text[m_pos++];
                if (e == u't')
                    value += u'\t';
                else if (e == u'n')
                    value += u'\n';
                else
                    value += e;
                continue;
            }
            value += c;
        }
        token.kind = Token::String;
        token.text = value;
        return true;
    }

    bool ReadNumber(Token& token, QString& error)
    {
        const qsizetype start = m_pos;
        if (m_text[m_pos] == u'-')
            ++m_pos;
        while (m_pos < m_text.size() && m_text[m_pos].isLetterOrNumber())
            ++m_pos;
        QString digits = m_text.mid(start, m_pos - start);
        if (digits.endsWith(u'L') || digits.endsWith(u'l'))
            digits.chop(1);
        bool ok = false;
        token.number = digits.toLongLong(&ok, 0);
        if (!ok) {
            error = QStringLiteral("bad number '%1'").arg(digits);
            return false;
        }
        token.kind = Token::Number;
        token.text = digits;
        return true;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
};

class Parser {
public:
    explicit Parser(const QString& text) : m_lexer(text) {}

    std::optional<DialogTemplate> Run(QString* error)
    {
        DialogTemplate result;
        if (!Advance() || !ParseTemplate(result)) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(m_errorLine ? m_errorLine : m_token.line).arg(m_error);
            return std::nullopt;
        }
        return result;
    }

private:
    bool Advance()
    {
        return m_lexer.Next(m_token, m_error);
    }

    bool Fail(const QString& what, int line = 0)
    {
        if (m_error.isEmpty()) {
            m_error = what;
            m_errorLine = line;
        }
        return false;
    }

    bool IsName(const char* name) const
    {
        return m_token.kind == Token::Name && m_token.text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    }

    bool ExpectComma()
    {
        if (m_token.kind != Token::Comma)
            return Fail(QStringLiteral("',' expected"));
        return Advance();
    }

    bool ReadInt(int& value, const char* what)
    {
        if (m_token.kind == Token::Name && m_token.text == QLatin1String("IDC_STATIC")) {
            value = -1;
            return Advance();
        }
        if (m_token.kind != Token::Number)
            return Fail(QStringLiteral("%1 expected").arg(QLatin1String(what)));
        value = static_cast<int>(m_token.number);
        return Advance();
    }

    // term { '|' term }, where a term is a number, a style name or NOT and a term.
    bool ReadStyle(std::uint32_t& set, std::uint32_t& cleared)
    {
        set = 0;
        cleared = 0;
        while (true) {
            bool negate = false;
            if (IsName("NOT")) {
                negate = true;
                if (!Advance())
                    return false;
            }
            std::uint32_t value = 0;
            if (m_token.kind == Token::Number) {
                value = static_cast<std::uint32_t>(m_token.number);
            } else if (m_token.kind == Token::Name) {
                const auto& names = StyleNames();
                const auto it = names.find(m_token.text.toStdString());
                if (it == names.end())
                    return Fail(QStringLiteral("unknown style '%1'").arg(m_token.text));
                value = it->second;
            } else {
                return Fail(QStringLiteral("style expected"));
            }
            if (negate)
                cleared |= value;
            else
                set |= value;
            if (!Advance())
                return false;
            if (m_token.kind != Token::Pipe)
                return true;
            if (!Advance())
                return false;
        }
    }

    bool ParseTemplate(DialogTemplate& t)
    {
        if (!ReadInt(t.id, "template number"))
            return false;
        if (IsName("DIALOGEX"))
            return Fail(QStringLiteral("extended templates are not supported"));
        if (!IsName("DIALOG"))
            return Fail(QStringLiteral("DIALOG expected"));
        if (!Advance() || !ReadInt(t.x, "x") || !ExpectComma() || !ReadInt(t.y, "y") || !ExpectComma()
            || !ReadInt(t.cx, "width") || !ExpectComma() || !ReadInt(t.cy, "height"))
            return false;
        while (!IsName("BEGIN")) {
            if (m_token.kind == Token::End)
                return Fail(QStringLiteral("BEGIN expected"));
            std::uint32_t set = 0;
            std::uint32_t cleared = 0;
            if (IsName("STYLE")) {
                if (!Advance() || !ReadStyle(set, cleared))
                    return false;
                t.style = (t.style | set) & ~cleared;
            } else if (IsName("EXSTYLE")) {
                if (!Advance() || !ReadStyle(set, cleared))
                    return false;
                t.exStyle = set & ~cleared;
            } else if (IsName("CAPTION")) {
                if (!Advance() || m_token.kind != Token::String)
                    return Fail(QStringLiteral("caption text expected"));
                t.caption = m_token.text;
                if (!Advance())
                    return false;
            } else if (IsName("FONT")) {
                if (!Advance() || !ReadInt(t.pointSize, "point size") || !ExpectComma())
                    return false;
                if (m_token.kind != Token::String)
                    return Fail(QStringLiteral("font face expected"));
                t.face = m_token.text;
                t.style |= DialogStyle::SetFont;
                if (!Advance())
                    return false;
            } else {
                return Fail(QStringLiteral("unknown statement '%1'").arg(m_token.text));
            }
        }
        if (!Advance())
            return false;
        while (!IsName("END")) {
            if (m_token.kind == Token::End)
                return Fail(QStringLiteral("END expected"));
            if (!IsName("CONTROL"))
                return Fail(QStringLiteral("CONTROL expected, found '%1'").arg(m_token.text));
            DialogItem item;
            item.line = m_token.line;
            if (!Advance() || !ParseControl(item))
                return false;
            t.items.push_back(std::move(item));
        }
        return true;
    }

    // CONTROL text, id, class, style, x, y, cx, cy [, exstyle]
    bool ParseControl(DialogItem& item)
    {
        if (m_token.kind == Token::String) {
            item.text = m_token.text;
        } else if (m_token.kind == Token::Number && m_token.number >= 0 && m_token.number <= 0xFFFF) {
            item.ordinal = static_cast<int>(m_token.number);
        } else {
            return Fail(QStringLiteral("control text expected"));
        }
        if (!Advance() || !ExpectComma() || !ReadInt(item.id, "control identifier") || !ExpectComma())
            return false;
        if (m_token.kind != Token::String)
            return Fail(QStringLiteral("class name expected"));
        item.className = m_token.text;
        std::uint32_t set = 0;
        std::uint32_t cleared = 0;
        if (!Advance() || !ExpectComma() || !ReadStyle(set, cleared) || !ExpectComma())
            return false;
        // As in resource scripts, a control is a visible child unless told otherwise.
        item.style = (DialogStyle::Child | DialogStyle::Visible | set) & ~cleared;
        if (!ReadInt(item.x, "x") || !ExpectComma() || !ReadInt(item.y, "y") || !ExpectComma()
            || !ReadInt(item.cx, "width") || !ExpectComma() || !ReadInt(item.cy, "height"))
            return false;
        if (m_token.kind == Token::Comma) {
            if (!Advance() || !ReadStyle(set, cleared))
                return false;
            item.exStyle = set & ~cleared;
        }
        if (item.cx < 0 || item.cy < 0)
            return Fail(QStringLiteral("negative size"), item.line);
        return true;
    }

    Lexer m_lexer;
    Token m_token;
    QString m_error;
    int m_errorLine = 0;
};

} // namespace

const DialogItem* DialogTemplate::Item(int itemId) const
{
    for (const DialogItem& item : items)
        if (item.id == itemId)
            return &item;
    return nullptr;
}

std::optional<DialogTemplate> DialogTemplate::Parse(const QString& text, QString* error)
{
    return Parser(text).Run(error);
}

QString DialogTemplate::ResourcePath(int templateId)
{
    return QStringLiteral(":/dialogs/%1.rc").arg(templateId);
}

std::optional<DialogTemplate> DialogTemplate::Load(int templateId, QString* error)
{
    QFile file(ResourcePath(templateId));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("no template %1").arg(templateId);
        return std::nullopt;
    }
    auto result = Parse(QString::fromUtf8(file.readAll()), error);
    if (result && result->id != templateId) {
        if (error)
            *error = QStringLiteral("%1 holds template %2").arg(ResourcePath(templateId)).arg(result->id);
        return std::nullopt;
    }
    return result;
}

} // namespace vlk
