// In-place editing: the values stored, vetoes and forced ends, keys, radio columns, the
// editor following its cell.
#include "GridTestSupport.h"

#include "support/RecordingMessages.h"

#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace vlk;
using namespace vlk::test;

namespace {

// Label, a number column (drop-down editor), a plain text column, a check and a radio column.
struct EditFixture : GridFixture {
    explicit EditFixture(int style = RLS_SYNCEDITOR | RLS_FIXEDCOLUMNS, int rows = 5, QSize size = QSize(400, 200))
        : GridFixture(size)
    {
        grid->SetMessages(&messages);
        grid->SetStyle(style);
        const int widths[] = {40, 60, 60, 40, 40};
        grid->SetColumns(5, widths);
        grid->SetColumnFlags(0, 16);
        grid->SetColumnFlags(1, 14);
        grid->SetColumnFlags(2, RLC_EDIT);
        grid->SetColumnFlags(3, 68);
        grid->SetColumnFlags(4, 196);
        for (int r = 0; r < rows; ++r)
            grid->AddRow(QStringLiteral("%1\t%2\tt%1").arg(r).arg(r * 10));
        Show();
    }
    QLineEdit* Line() const
    {
        auto* editor = grid->EditorObject();
        return editor ? editor->LineEdit() : nullptr;
    }
    // Replaces the editor's text as a user would: all of it selected, then typed over.
    void Type(const QString& text)
    {
        QLineEdit* line = Line();
        ASSERT_NE(line, nullptr);
        line->setFocus();
        line->selectAll();
        if (text.isEmpty())
            test::Key(line, Qt::Key_Delete);
        else
            test::Type(line, text);
    }
    // A key to whatever has the keyboard in the form's window.
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) const { test::Key(grid, key, mods); }
    RecordingMessages messages;
};

} // namespace

TEST(RecordListEditing, CommittedValuesAreBytes)
{
    struct Case {
        const char* typed;
        const char* stored;
        bool warned;
    };
    const Case cases[] = {
        {"255", "255", false}, {"300", "", true}, {"-1", "0", false}, {"12abc", "12", false},
        {"", "0", false}, {"abc", "0", false}, {"  7", "7", false}, {"007", "7", false},
        {"256", "", true}, {"99999999999999999999", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EditFixture f;
        f.grid->SetCurSel(1);
        f.grid->BeginEdit(1, 1);
        ASSERT_NE(f.grid->Editor(), nullptr);
        f.Type(QString::fromUtf8(c.typed));
        f.Key(Qt::Key_Return);
        EXPECT_EQ(f.grid->Editor(), nullptr);
        EXPECT_EQ(f.grid->GetCellText(1, 1), QString::fromUtf8(c.stored));
        if (c.warned) {
            ASSERT_EQ(f.messages.Texts().size(), 1u);
            EXPECT_EQ(f.messages.Texts()[0], "Значение должно быть меньше 256!");
        } else {
            EXPECT_TRUE(f.messages.Texts().empty());
        }
    }
}

TEST(RecordListEditing, BeginEditFillsTheEditorAndNotifiesBeforeShowing)
{
    EditFixture f;
    bool visibleAtBegin = true;
    f.form.onNotify = [&](const RecordListNotification& n) {
        if (n.code == -105)
            visibleAtBegin = f.grid->Editor() && f.grid->Editor()->isVisible();
    };
    f.grid->BeginEdit(2, 1);
    ASSERT_NE(f.grid->Editor(), nullptr);
    EXPECT_FALSE(visibleAtBegin);
    EXPECT_TRUE(f.grid->Editor()->isVisible());
    EXPECT_EQ(f.Line()->text(), QStringLiteral("20"));
    EXPECT_EQ(f.grid->GetEditColumn(), 1);
    EXPECT_EQ(f.grid->GetCurSel(), 2);
    EXPECT_EQ(f.grid->EditorObject()->Style(), 0x82u);
    EXPECT_TRUE(f.grid->Editor()->inherits("vlk::ClassZetEdit"));
    EXPECT_TRUE(f.Line()->alignment() & Qt::AlignRight);
    const auto* begin = f.form.Last(-105);
    ASSERT_NE(begin, nullptr);
    EXPECT_EQ(begin->row, 2);
    EXPECT_EQ(begin->column, 1);
    EXPECT_EQ(begin->text, QStringLiteral("20"));
    // The editor covers the cell inside its lines.
    const QRect cell = f.grid->GetCellRect(2, 1);
    EXPECT_EQ(f.grid->Editor()->geometry(), QRect(cell.left() + 1, cell.top() + 1, cell.width() - 1, cell.height() - 1));
    // Notifications carry the editor's text while it is open.
    f.Type(QStringLiteral("42"));
    f.Click(2, 0, Qt::RightButton); // nothing while editing
    EXPECT_EQ(f.form.Count(-5), 0);
    EXPECT_NE(f.grid->Editor(), nullptr);
    // Not an editable column: nothing.
    f.grid->BeginEdit(2, 0);
    EXPECT_EQ(f.grid->GetEditColumn(), 1);
    // The same cell again: nothing either.
    f.grid->BeginEdit(2, 1);
    EXPECT_EQ(f.Line()->text(), QStringLiteral("42"));
    f.Key(Qt::Key_Return);
    EXPECT_EQ(f.grid->GetCellText(2, 1), QStringLiteral("42"));
    const auto* changed = f.form.Last(-101);
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->text, QStringLiteral("42"));
    // The edit ends (-106) before Enter takes the current row down to the next one.
    const auto codes = f.form.Codes();
    ASSERT_GE(codes.size(), 4u);
    EXPECT_EQ(std::vector<int>(codes.end() - 4, codes.end()), (std::vector<int>{-101, -106, 1, 1001}));
    EXPECT_EQ(f.grid->GetCurSel(), 3);
}

TEST(RecordListEditing, BeginEditVetoLeavesNoEditor)
{
    EditFixture f;
    f.form.vetoBegin = 1;
    f.grid->BeginEdit(1, 1);
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetEditColumn(), -1);
    EXPECT_EQ(f.form.Count(-106), 0);
    f.grid->setFocus();
    test::Key(f.grid, Qt::Key_Return); // no editor: no commit
    EXPECT_EQ(f.form.Count(-101), 0);
}

TEST(RecordListEditing, EscapeLeavesTheCellAndAnotherRowCommits)
{
    EditFixture f;
    f.grid->BeginEdit(1, 1);
    f.Type(QStringLiteral("77"));
    f.Key(Qt::Key_Escape);
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCellText(1, 1), QStringLiteral("10"));
    EXPECT_EQ(f.form.Count(-101), 0);
    EXPECT_EQ(f.form.Count(-106), 1);

    f.grid->BeginEdit(1, 1);
    f.Type(QStringLiteral("77"));
    f.Click(3, 0);
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCellText(1, 1), QStringLiteral("77"));
    EXPECT_EQ(f.grid->GetCurSel(), 3);
    EXPECT_TRUE(f.grid->hasFocus());
}

TEST(RecordListEditing, CommitVetoKeepsTheEditorUnlessForced)
{
    EditFixture f;
    f.form.vetoCommit = 1;
    f.grid->BeginEdit(1, 1); // drop-down editor: only keys and clicks end it
    f.Type(QStringLiteral("55"));
    f.Key(Qt::Key_Return);
    ASSERT_NE(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.Line()->text(), QStringLiteral("10"));
    EXPECT_EQ(f.grid->GetCellText(1, 1), QStringLiteral("10"));
    // A click on another row is refused too, and the current row stays.
    f.Type(QStringLiteral("56"));
    f.Click(3, 0);
    ASSERT_NE(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCurSel(), 1);
    EXPECT_EQ(f.grid->GetCellText(1, 1), QStringLiteral("10"));
    f.Key(Qt::Key_Escape);
    EXPECT_EQ(f.grid->Editor(), nullptr);

    // A plain edit box losing the focus forces the end: the validated text is stored.
    f.grid->BeginEdit(1, 2);
    f.Type(QStringLiteral("57x"));
    f.Key(Qt::Key_Return);
    ASSERT_NE(f.grid->Editor(), nullptr);
    f.Type(QStringLiteral("58x"));
    QLineEdit other(&f.form);
    other.show();
    test::Click(&other);
    ASSERT_TRUE(WaitFor([&] { return f.grid->Editor() == nullptr; }));
    EXPECT_EQ(f.grid->GetCellText(1, 2), QStringLiteral("58"));
}

TEST(RecordListEditing, DestroyingTheGridCommitsForced)
{
    auto f = std::make_unique<EditFixture>();
    f->form.vetoCommit = 1;
    f->grid->BeginEdit(1, 1);
    f->Type(QStringLiteral("300"));
    std::vector<int> codes;
    f->form.onNotify = [&](const RecordListNotification& n) { codes.push_back(n.code); };
    delete f->grid;
    EXPECT_EQ(f->messages.Texts(), std::vector<std::string>{"Значение должно быть меньше 256!"});
    EXPECT_EQ(codes, (std::vector<int>{-101, -106}));
}

TEST(RecordListEditing, DropDownEditorStaysOpenWhenTheFocusLeaves)
{
    EditFixture f;
    f.grid->BeginEdit(1, 1);
    f.Type(QStringLiteral("9"));
    QLineEdit other(&f.form);
    other.show();
    test::Click(&other);
    ASSERT_TRUE(other.hasFocus());
    QTest::qWait(20);
    EXPECT_NE(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCellText(1, 1), QStringLiteral("10"));
}

TEST(RecordListEditing, TabCommitsAndMovesAlongTheRowThenToTheNext)
{
    EditFixture f;
    f.grid->SetCurSel(2);
    f.grid->setFocus();
    f.Key(Qt::Key_F2);
    EXPECT_EQ(f.grid->GetEditColumn(), 1);
    f.Type(QStringLiteral("5"));
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.grid->GetCellText(2, 1), QStringLiteral("5"));
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{2, 2}));
    // A digit starts the next cell's edit; Tab commits it too.
    test::Type(f.grid, QStringLiteral("7"));
    EXPECT_EQ(f.grid->GetEditColumn(), 2);
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.grid->GetCellText(2, 2), QStringLiteral("7"));
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{2, 3}));
    // F2 on a check cell opens the check box; Tab from the last column goes to the next row.
    f.Key(Qt::Key_F2);
    EXPECT_EQ(f.grid->EditorObject()->EditorKind(), RecordListEditor::Kind::Check);
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{2, 4}));
    f.Key(Qt::Key_F2);
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{3, 1}));
    EXPECT_EQ(f.grid->GetCurSel(), 3);
    // Shift+Tab (or Backtab) goes back over the row's start to the previous row's last cell.
    f.Key(Qt::Key_F2);
    f.Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{2, 4}));
    EXPECT_EQ(f.grid->GetCurSel(), 2);
    f.Key(Qt::Key_F2);
    f.Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{2, 3}));
    // F2 with an editor open is swallowed.
    f.Key(Qt::Key_F2);
    f.Key(Qt::Key_F2);
    EXPECT_EQ(f.grid->GetEditColumn(), 3);
    EXPECT_EQ(f.grid->GetCellText(2, 1), QStringLiteral("5"));
}

TEST(RecordListEditing, TabWithOneEditableColumnGoesDownAndStopsAtTheEnd)
{
    GridFixture f;
    const int widths[] = {40, 60};
    f.grid->SetColumns(2, widths);
    f.grid->SetColumnFlags(1, 14);
    f.grid->AddRow(QStringLiteral("1\t3"));
    f.grid->AddRow(QStringLiteral("2\t4"));
    f.Show();
    f.grid->SetCurSel(0);
    f.grid->setFocus();
    test::Key(f.grid, Qt::Key_F2);
    ASSERT_NE(f.grid->Editor(), nullptr);
    test::Key(f.grid, Qt::Key_Tab);
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{1, 1}));
    // At the last cell Tab commits and the cursor stays: the next Tab leaves the grid.
    test::Key(f.grid, Qt::Key_F2);
    test::Key(f.grid, Qt::Key_Tab);
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{1, 1}));
    EXPECT_EQ(f.form.Count(-106), 2);
    EXPECT_EQ(f.grid->NextEditColumn(1, false), 1);
    EXPECT_EQ(f.grid->NextEditColumn(-1, false), 1);
}

TEST(RecordListEditing, NoSelectGridEditsTheCursorCellAndNeverHasACurrentRow)
{
    EditFixture f(RLS_SYNCEDITOR | RLS_NOSELECT | RLS_FIXEDCOLUMNS);
    f.grid->setFocus();
    test::Key(f.grid, Qt::Key_F2);
    ASSERT_NE(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetEditColumn(), 1);
    EXPECT_EQ(f.grid->GetCurSel(), -1);
    f.Key(Qt::Key_Escape);
    EXPECT_EQ(f.grid->Editor(), nullptr);
    f.DoubleClick(3, 1);
    ASSERT_NE(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCurSel(), -1);
    f.Type(QStringLiteral("33"));
    // Tab stores the value in the row under the editor and moves on in that row.
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.grid->GetCellText(3, 1), QStringLiteral("33"));
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{3, 2}));
    EXPECT_EQ(f.grid->GetCurSel(), -1);
    EXPECT_EQ(f.form.Count(1), 0);
}

TEST(RecordListEditing, RadioColumnKeepsOneCheckedRow)
{
    EditFixture f;
    f.DoubleClick(1, 4);
    EXPECT_EQ(f.grid->GetCellText(1, 4), QStringLiteral("X"));
    f.DoubleClick(3, 4);
    EXPECT_EQ(f.grid->GetCellText(3, 4), QStringLiteral("X"));
    EXPECT_EQ(f.grid->GetCellText(1, 4), QString());
    const auto* toggled = f.form.Last(0);
    ASSERT_NE(toggled, nullptr);
    EXPECT_EQ(toggled->row, 3);
    EXPECT_EQ(toggled->column, 4);
    f.DoubleClick(3, 4);
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(f.grid->GetCellText(r, 4), QString()) << r;
    // A plain check column toggles its own cell only.
    f.DoubleClick(0, 3);
    f.DoubleClick(2, 3);
    EXPECT_EQ(f.grid->GetCellText(0, 3), QStringLiteral("X"));
    EXPECT_EQ(f.grid->GetCellText(2, 3), QStringLiteral("X"));
    EXPECT_EQ(f.grid->Editor(), nullptr);
    // A check column without the edit flag does nothing.
    f.grid->SetColumnFlags(3, RLC_CHECK);
    f.DoubleClick(0, 3);
    EXPECT_EQ(f.grid->GetCellText(0, 3), QStringLiteral("X"));
}

TEST(RecordListEditing, CheckBoxEditorTogglesItsCell)
{
    EditFixture f;
    f.grid->SetCheck(2, 3, true);
    f.grid->SetCurSel(2);
    f.grid->BeginEdit(2, 3);
    auto* box = f.grid->EditorObject()->CheckBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isChecked());
    ASSERT_TRUE(box->hasFocus());
    test::Key(box, Qt::Key_Space);
    EXPECT_EQ(f.grid->GetCellText(2, 3), QString());
    EXPECT_EQ(f.form.Last(0)->column, 3);
    // Ending the edit never commits a check column through the value rules.
    f.Key(Qt::Key_Return);
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCellText(2, 3), QString());
    EXPECT_EQ(f.form.Count(-101), 0);
}

TEST(RecordListEditing, ReentryDuringTheMessageBoxDoesNothing)
{
    EditFixture f;
    struct ReenteringMessages : Messages {
        ARecordList* grid = nullptr;
        std::vector<bool> results;
        void Show(const std::string&, MessageIcon) override { results.push_back(grid->EndEdit(true, true)); }
        bool Ask(const std::string&, MessageIcon) override { return true; }
    } reentering;
    reentering.grid = f.grid;
    f.grid->SetMessages(&reentering);
    f.grid->BeginEdit(1, 1);
    f.Type(QStringLiteral("999"));
    f.Key(Qt::Key_Return);
    EXPECT_EQ(reentering.results, std::vector<bool>{true});
    EXPECT_EQ(f.form.Count(-101), 1);
    EXPECT_EQ(f.form.Count(-106), 1);
    EXPECT_EQ(f.grid->GetCellText(1, 1), QString());
}

TEST(RecordListEditing, SyncEditorFollowsSetCellTextForPlainEditsOnly)
{
    EditFixture f;
    f.grid->BeginEdit(1, 2);
    EXPECT_FALSE(f.grid->Editor()->inherits("vlk::ClassZetEdit"));
    EXPECT_TRUE(f.grid->Editor()->inherits("QLineEdit"));
    f.grid->SetCellText(1, 2, QStringLiteral("new"));
    EXPECT_EQ(f.Line()->text(), QStringLiteral("new"));
    f.Key(Qt::Key_Escape);
    f.grid->BeginEdit(1, 1);
    f.grid->SetCellText(1, 1, QStringLiteral("200"));
    EXPECT_EQ(f.Line()->text(), QStringLiteral("10"));
    f.Key(Qt::Key_Escape);
    EXPECT_EQ(f.grid->GetCellText(1, 1), QStringLiteral("200"));
}

TEST(RecordListEditing, ClipboardKeysGoToTheEditor)
{
    EditFixture f;
    f.grid->BeginEdit(1, 2);
    f.Type(QStringLiteral("123"));
    f.Line()->selectAll();
    f.Key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("123"));
    f.Line()->setText(QString());
    f.Key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(f.Line()->text(), QStringLiteral("123"));
    QApplication::clipboard()->setText(QStringLiteral("4"));
    f.Line()->selectAll();
    f.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.Line()->text(), QStringLiteral("4"));
    f.Key(Qt::Key_Return);
    EXPECT_EQ(f.grid->GetCellText(1, 2), QStringLiteral("4"));
}

TEST(RecordListEditing, EditorFollowsItsCellAndHidesUnderTheHeader)
{
    EditFixture f(RLS_SYNCEDITOR | RLS_FIXEDCOLUMNS, 30, QSize(400, 16 + 6 * 18));
    f.grid->SetCurSel(2);
    f.grid->BeginEdit(2, 1);
    f.Type(QStringLiteral("88"));
    auto* bar = f.grid->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(f.grid->TopRow(), 1);
    EXPECT_TRUE(f.grid->Editor()->isVisible());
    EXPECT_EQ(f.grid->Editor()->y(), 16 + 18 + 1);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(f.grid->TopRow(), 3);
    EXPECT_FALSE(f.grid->Editor()->isVisible());
    EXPECT_EQ(f.grid->GetEditColumn(), 1);
    EXPECT_TRUE(f.grid->hasFocus());
    // Enter on the grid still commits into the hidden editor's row.
    test::Key(f.grid, Qt::Key_Return);
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCellText(2, 1), QStringLiteral("88"));
}

TEST(RecordListEditing, EditorBringsItsColumnIntoView)
{
    GridFixture f(QSize(200, 120));
    std::vector<int> widths(8, 60);
    f.grid->SetColumns(8, widths.data());
    f.grid->SetColumnFlags(-1, 14);
    f.grid->AddRow(QStringLiteral("1\t2\t3\t4\t5\t6\t7\t8"));
    f.Show();
    f.grid->BeginEdit(0, 6);
    const int clientRight = f.grid->viewport()->width();
    EXPECT_EQ(f.grid->HorizontalPosition(), (7 * 60 - clientRight) / 8 + 1);
    ASSERT_NE(f.grid->Editor(), nullptr);
    EXPECT_LE(f.grid->Editor()->geometry().right(), clientRight);
    f.grid->BeginEdit(0, 0);
    EXPECT_EQ(f.grid->HorizontalPosition(), 0);
    EXPECT_EQ(f.grid->Editor()->x(), 0);
}

TEST(RecordListEditing, VetoedCommitStopsSetCurSel)
{
    EditFixture f;
    f.grid->SetCurSel(1);
    f.grid->BeginEdit(1, 1);
    f.Type(QStringLiteral("5"));
    f.form.vetoCommit = 1;
    f.form.entries.clear();
    f.grid->SetCurSel(3);
    EXPECT_EQ(f.grid->GetCurSel(), 1);
    EXPECT_NE(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.form.Count(1), 0);
    EXPECT_EQ(f.form.Count(-101), 1);
    // Once the parent agrees the move goes through and the value is stored first.
    f.form.vetoCommit = 0;
    f.Type(QStringLiteral("6"));
    f.grid->SetCurSel(3);
    EXPECT_EQ(f.grid->GetCurSel(), 3);
    EXPECT_EQ(f.grid->GetCellText(1, 1), QStringLiteral("6"));
    const auto codes = f.form.Codes();
    ASSERT_GE(codes.size(), 4u);
    EXPECT_EQ(codes[codes.size() - 4], -101);
    EXPECT_EQ(codes[codes.size() - 3], -106);
    EXPECT_EQ(codes[codes.size() - 2], 1);
    EXPECT_EQ(codes.back(), 1001); // the selection command
}
