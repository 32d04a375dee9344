#include "forms/DialogTemplate.h"

#include <gtest/gtest.h>

#include <map>

using namespace vlk;

namespace {

const char* const kSmall = R"(// a comment
/* a block
   comment */
77 DIALOG 0, 0, 200, 100
STYLE DS_SETFONT | WS_CHILD
CAPTION "Проба"
FONT 8, "MS Sans Serif"
BEGIN
    CONTROL " Рамка ", 1000, "Button", BS_GROUPBOX, 5, 6, 190, 90
    CONTROL "A\tB ""q""", 1001, "aRecordList", WS_TABSTOP | 0x0100, 10, 20, 50, 40, WS_EX_CLIENTEDGE
    CONTROL 133, IDC_STATIC, "Static", SS_BITMAP | SS_CENTERIMAGE, 70, 20, 20, 20
    CONTROL "", -1, "Edit", ES_NUMBER | NOT WS_VISIBLE, 70, 50, 30, 14
END
)";

} // namespace

TEST(DialogTemplate, ReadsHeaderAndItems)
{
    QString error;
    const auto t = DialogTemplate::Parse(QString::fromUtf8(kSmall), &error);
    ASSERT_TRUE(t) << error.toStdString();
    EXPECT_EQ(t->id, 77);
    EXPECT_EQ(t->cx, 200);
    EXPECT_EQ(t->cy, 100);
    EXPECT_EQ(t->caption, QString::fromUtf8("Проба"));
    EXPECT_EQ(t->pointSize, 8);
    EXPECT_EQ(t->face, QStringLiteral("MS Sans Serif"));
    EXPECT_TRUE(t->HasFont());
    EXPECT_EQ(t->style, 0x40000040u);
    ASSERT_EQ(t->items.size(), 4u);

    const DialogItem& frame = t->items[0];
    EXPECT_EQ(frame.text, QString::fromUtf8(" Рамка "));
    EXPECT_EQ(frame.id, 1000);
    EXPECT_EQ(frame.className, QStringLiteral("Button"));
    // A control is a visible child unless told otherwise.
    EXPECT_EQ(frame.style, 0x50000007u);
    EXPECT_EQ(frame.x, 5);
    EXPECT_EQ(frame.y, 6);
    EXPECT_EQ(frame.cx, 190);
    EXPECT_EQ(frame.cy, 90);
    EXPECT_EQ(frame.line, 9);

    const DialogItem& grid = t->items[1];
    EXPECT_EQ(grid.text, QString::fromUtf8("A\tB \"q\""));
    EXPECT_EQ(grid.style, 0x50010100u);
    EXPECT_EQ(grid.exStyle, 0x200u);

    const DialogItem& picture = t->items[2];
    EXPECT_TRUE(picture.HasOrdinal());
    EXPECT_EQ(picture.ordinal, 133);
    EXPECT_EQ(picture.id, -1);
    EXPECT_EQ(picture.style & 0x2FF, 0x20Eu);

    const DialogItem& hidden = t->items[3];
    EXPECT_EQ(hidden.id, -1);
    EXPECT_EQ(hidden.style, 0x40002000u);
    EXPECT_EQ(t->Item(1001), &t->items[1]);
    EXPECT_EQ(t->Item(4242), nullptr);
}

TEST(DialogTemplate, RefusesWhatItCannotRead)
{
    const std::map<std::string, std::string> cases{
        {"1 DIALOGEX 0, 0, 10, 10\nBEGIN\nEND\n", "line 1: extended templates are not supported"},
        {"1 DIALOG 0, 0, 10, 10\nSTYLE WS_SPARKLE\nBEGIN\nEND\n", "line 2: unknown style 'WS_SPARKLE'"},
        {"1 DIALOG 0, 0, 10, 10\nBEGIN\n CONTROL \"a\", 5 \"Edit\", 0, 1, 1, 1, 1\nEND\n", "line 3: ',' expected"},
        {"1 DIALOG 0, 0, 10, 10\nBEGIN\n CONTROL \"a, 5\nEND\n", "line 3: unterminated string"},
        {"1 DIALOG 0, 0, 10, 10\nBEGIN\n PUSHBUTTON \"a\", 5, 1, 1, 1, 1\nEND\n",
         "line 3: CONTROL expected, found 'PUSHBUTTON'"},
        {"1 DIALOG 0, 0, 10, 10\nBEGIN\n CONTROL \"a\", 5, \"Edit\", 0, 1, 1, 1, 1\n", "line 4: END expected"},
        {"1 DIALOG 0, 0, 10, 10\nBEGIN\n CONTROL \"a\", 5, \"Edit\", 0, 1, 1, -1, 1\nEND\n", "line 3: negative size"},
    };
    for (const auto& [text, message] : cases) {
        QString error;
        EXPECT_FALSE(DialogTemplate::Parse(QString::fromStdString(text), &error)) << text;
        EXPECT_EQ(error.toStdString(), message) << text;
    }
}

TEST(DialogTemplate, LoadsEmbeddedTemplatesByNumber)
{
    for (int id : {130, 131, 135, 141, 142, 159, 183}) {
        QString error;
        const auto t = DialogTemplate::Load(id, &error);
        ASSERT_TRUE(t) << id << ": " << error.toStdString();
        EXPECT_EQ(t->id, id);
        EXPECT_TRUE(t->HasFont());
        EXPECT_EQ(t->face, QStringLiteral("MS Sans Serif"));
        EXPECT_EQ(t->pointSize, 8);
    }
    QString error;
    EXPECT_FALSE(DialogTemplate::Load(999, &error));
    EXPECT_EQ(error, QStringLiteral("no template 999"));
}
