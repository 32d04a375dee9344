// The cell cursor through the window: walking a whole table, typing into cells, Enter and Tab,
// Space on check cells, Delete, and copy and paste of blocks as spreadsheets exchange them.
#include "GridTestSupport.h"
#include "RealTables.h"

#include "grid/RecordListLayout.h"
#include "support/RecordingMessages.h"

#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace vlk;
using namespace vlk::test;

namespace {

struct TableFixture : GridFixture {
    explicit TableFixture(void (*setUp)(ARecordList&), QSize size = QSize(420, 240))
        : GridFixture(size)
    {
        grid->SetMessages(&messages);
        setUp(*grid);
        Show();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) const { test::Key(grid, key, mods); }
    void Type(const QString& text) const { test::Type(grid, text); }
    // The cursor's frame lies wholly in the data area that the user sees.
    bool CursorVisible() const
    {
        const CellPos c = grid->GetCursorCell();
        const QRect frame = RecordListLayout::FocusFrameRect(grid->Model(), grid->Geometry(), c.row, c.col);
        const QRect data(0, grid->GetHeaderHeight() + 1, View()->width(), View()->height() - grid->GetHeaderHeight() - 1);
        return !frame.isNull() && data.contains(frame);
    }
    std::vector<std::string> Texts() const { return messages.Texts(); }
    RecordingMessages messages;
};

QString Column(const ARecordList& grid, int col)
{
    QStringList cells;
    for (int r = 0; r < grid.GetRowCount(); ++r)
        cells << grid.GetCellText(r, col);
    return cells.join(u',');
}

} // namespace

TEST(RecordListKeyboard, WalksTheWholeLampTableAndKeepsTheCursorInView)
{
    TableFixture f(SetUpLampOutputTable);
    f.Click(4, 6); // direction 2's red lamp, output 5
    EXPECT_TRUE(f.grid->hasFocus());
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{4, 6}));
    f.Key(Qt::Key_Right);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{5, 7}));
    f.Key(Qt::Key_Home);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{5, 2})); // the label and lamp columns are not cells to edit
    f.Key(Qt::Key_Left);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{5, 2}));
    f.Key(Qt::Key_End);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{5, 49}));
    EXPECT_GT(f.grid->HorizontalPosition(), 0);
    EXPECT_TRUE(f.CursorVisible());

    f.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{71, 49}));
    EXPECT_EQ(f.grid->TopRow(), f.grid->verticalScrollBar()->maximum());
    EXPECT_TRUE(f.CursorVisible());
    // The frame is painted there: black outside, white inside.
    const QImage picture = f.View()->grab().toImage();
    const QRect frame = RecordListLayout::FocusFrameRect(f.grid->Model(), f.grid->Geometry(), 71, 49);
    const qreal ratio = picture.devicePixelRatio();
    auto pixel = [&](QPoint p) { return picture.pixelColor(QPoint(qRound(p.x() * ratio), qRound(p.y() * ratio))); };
    EXPECT_EQ(pixel(frame.topLeft()), QColor(Qt::black));
    EXPECT_EQ(pixel(frame.topLeft() + QPoint(1, 1)), QColor(Qt::white));

    const int page = RecordListLayout::RowsPerPage(f.grid->Geometry());
    f.Key(Qt::Key_PageUp);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{71 - page, 49}));
    EXPECT_TRUE(f.CursorVisible());
    f.Key(Qt::Key_Up);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{70 - page, 49}));
    f.Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{0, 2}));
    EXPECT_EQ(f.grid->TopRow(), 0);
    EXPECT_EQ(f.grid->HorizontalPosition(), 0);
    f.Key(Qt::Key_PageDown);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{page, 2}));
    EXPECT_TRUE(f.CursorVisible());
    // No row is ever current in this table, and nothing told the page about rows.
    EXPECT_EQ(f.grid->GetCurSel(), -1);
    EXPECT_EQ(f.form.Count(1), 0);

    // Without the focus the frame goes.
    QLineEdit other(&f.form);
    other.setGeometry(0, 0, 10, 10);
    other.show();
    test::Click(&other);
    ASSERT_TRUE(other.hasFocus());
    const QRect now = RecordListLayout::FocusFrameRect(f.grid->Model(), f.grid->Geometry(), page, 2);
    EXPECT_NE(f.View()->grab().toImage().pixelColor(QPoint(qRound(now.left() * ratio), qRound((now.top() + 1) * ratio))),
              QColor(Qt::black));
}

TEST(RecordListKeyboard, DigitsOpenTheEditorEnterCommitsDownwardsEscCancels)
{
    TableFixture f(SetUpProgramTable, QSize(600, 240));
    f.Click(0, 1);
    f.Type(QStringLiteral("45"));
    ASSERT_NE(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->EditorObject()->LineEdit()->text(), QStringLiteral("45"));
    f.Key(Qt::Key_Return);
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCellText(0, 1), QStringLiteral("45"));
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{1, 1}));
    f.Type(QStringLiteral("300"));
    f.Key(Qt::Key_Enter);
    EXPECT_EQ(f.Texts(), std::vector<std::string>{"Значение должно быть меньше 256!"});
    EXPECT_EQ(f.grid->GetCellText(1, 1), QString());
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{2, 1}));
    f.Type(QStringLiteral("07"));
    f.Key(Qt::Key_Return);
    EXPECT_EQ(f.grid->GetCellText(2, 1), QStringLiteral("7"));
    // Esc leaves the cell as it was; the cursor stays on it.
    f.Key(Qt::Key_Up);
    f.Type(QStringLiteral("9"));
    f.Key(Qt::Key_Escape);
    EXPECT_EQ(f.grid->GetCellText(2, 1), QStringLiteral("7"));
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{2, 1}));
    // Enter without an editor only moves; a digit on a check cell opens nothing.
    f.Key(Qt::Key_Return);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{3, 1}));
    f.Key(Qt::Key_Right);
    f.Type(QStringLiteral("1"));
    EXPECT_EQ(f.grid->Editor(), nullptr);
    EXPECT_EQ(f.grid->GetCellText(3, 2), QString());
    // Tab wraps from the last program's ТВП2 to the next phase's first time.
    f.Key(Qt::Key_End);
    f.Key(Qt::Key_F2);
    ASSERT_NE(f.grid->Editor(), nullptr);
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{4, 1}));
    EXPECT_TRUE(f.CursorVisible());
    f.Type(QStringLiteral("12"));
    f.Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(f.grid->GetCellText(4, 1), QStringLiteral("12"));
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{3, 27}));
}

TEST(RecordListKeyboard, SpaceTogglesCheckCellsAndKeepsOneCheckInASingleCheckColumn)
{
    TableFixture f(SetUpProgramTable, QSize(600, 240));
    QSignalSpy edited(f.grid, &ARecordList::userEdited);
    f.Click(1, 2); // ТВП1 of program 1, phase 2
    f.Key(Qt::Key_Space);
    EXPECT_EQ(Column(*f.grid, 2), QStringLiteral(",X,,,,,,"));
    f.Key(Qt::Key_Down);
    f.Key(Qt::Key_Down);
    f.Key(Qt::Key_Space);
    EXPECT_EQ(Column(*f.grid, 2), QStringLiteral(",,,X,,,,"));
    f.Key(Qt::Key_Space);
    EXPECT_EQ(Column(*f.grid, 2), QStringLiteral(",,,,,,,"));
    EXPECT_EQ(edited.count(), 3);
    const auto* toggled = f.form.Last(0);
    ASSERT_NE(toggled, nullptr);
    EXPECT_EQ(toggled->row, 3);
    EXPECT_EQ(toggled->column, 2);
    // Space on a number cell changes nothing and says nothing.
    f.Key(Qt::Key_Left);
    f.Key(Qt::Key_Space);
    EXPECT_EQ(f.grid->GetCellText(3, 1), QString());
    EXPECT_EQ(edited.count(), 3);
    EXPECT_EQ(f.grid->Editor(), nullptr);
}

TEST(RecordListKeyboard, DeleteClearsTheSelectedBlockOnce)
{
    TableFixture f(SetUpProgramTable, QSize(600, 240));
    for (int r = 0; r < 3; ++r) {
        f.grid->SetCellText(r, 1, QString::number(10 * (r + 1)));
        f.grid->SetCheck(r, 3, true);
    }
    QSignalSpy edited(f.grid, &ARecordList::userEdited);
    f.Click(0, 1);
    f.Key(Qt::Key_Down, Qt::ShiftModifier);
    f.Key(Qt::Key_Right, Qt::ShiftModifier);
    const CellRange block = f.grid->GetSelectedCells();
    EXPECT_EQ((std::vector<int>{block.top, block.left, block.bottom, block.right}), (std::vector<int>{0, 1, 1, 2}));
    f.Key(Qt::Key_Delete);
    EXPECT_EQ(Column(*f.grid, 1), QStringLiteral(",,30,,,,,"));
    EXPECT_EQ(Column(*f.grid, 3), QStringLiteral("X,X,X,,,,,")); // outside the block
    EXPECT_EQ(edited.count(), 1);
    f.Key(Qt::Key_Delete); // nothing left to clear
    EXPECT_EQ(edited.count(), 1);
    // A plain arrow gives up the block.
    f.Key(Qt::Key_Down);
    EXPECT_TRUE(f.grid->GetSelectedCells().IsSingle());
}

TEST(RecordListKeyboard, CopiesTheCellOrTheBlockAsTabSeparatedText)
{
    TableFixture f(SetUpProgramTable, QSize(600, 240));
    f.grid->SetCellText(0, 1, QStringLiteral("30"));
    f.grid->SetCellText(1, 1, QStringLiteral("20"));
    f.grid->SetCheck(0, 2, true);
    f.grid->SetCheck(1, 3, true);
    f.Click(0, 1);
    f.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("30"));
    // Shift+click spans the block.
    test::Click(f.View(), Centre(f.grid->GetCellRect(1, 3)), Qt::LeftButton, Qt::ShiftModifier);
    f.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("30\tX\t\n20\t\tX"));
    // So does a drag, from either corner; Ctrl+Insert copies as well.
    Press(f.View(), Centre(f.grid->GetCellRect(2, 3)));
    Move(f.View(), Centre(f.grid->GetCellRect(1, 2)));
    Move(f.View(), Centre(f.grid->GetCellRect(0, 2)));
    Release(f.View(), Centre(f.grid->GetCellRect(0, 2)));
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{0, 2}));
    f.Key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("X\t\n\tX\n\t"));
}

TEST(RecordListKeyboard, PastesASpreadsheetBlockAsOneEdit)
{
    TableFixture f(SetUpProgramTable, QSize(600, 240));
    f.grid->SetCheck(6, 2, true); // the program's ТВП1 so far
    f.grid->SetCellText(3, 1, QStringLiteral("99"));
    QSignalSpy edited(f.grid, &ARecordList::userEdited);
    f.Click(0, 1);
    // As a spreadsheet copies three rows of time, ТВП1, ТВП2: CRLF after every row.
    QGuiApplication::clipboard()->setText(QStringLiteral("30\t\t\r\n 20 \tX\t\r\n10\t\tx\r\n\t\t\r\n"));
    f.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(f.Texts().empty());
    EXPECT_EQ(Column(*f.grid, 1), QStringLiteral("30,20,10,,,,,"));
    EXPECT_EQ(Column(*f.grid, 2), QStringLiteral(",X,,,,,,")); // the old check below the block is gone
    EXPECT_EQ(Column(*f.grid, 3), QStringLiteral(",,X,,,,,"));
    EXPECT_EQ(edited.count(), 1);
    const CellRange block = f.grid->GetSelectedCells();
    EXPECT_EQ((std::vector<int>{block.top, block.left, block.bottom, block.right}), (std::vector<int>{0, 1, 3, 3}));
    EXPECT_EQ(f.grid->GetCursorCell(), (CellPos{0, 1}));
    // The same again changes nothing: no edit to report. Shift+Insert pastes too.
    f.Key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(edited.count(), 1);
    // Values go through the editor's rules; LF line ends without a final one.
    f.Key(Qt::Key_Right);
    f.Key(Qt::Key_Right);
    f.Key(Qt::Key_Right);
    QGuiApplication::clipboard()->setText(QStringLiteral("-4\n12abc\nабв"));
    f.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Column(*f.grid, 4), QStringLiteral("0,12,0,,,,,"));
    EXPECT_EQ(edited.count(), 2);
}

TEST(RecordListKeyboard, RefusedPasteChangesNothingAndNamesTheFirstBadCell)
{
    TableFixture f(SetUpProgramTable, QSize(600, 240));
    f.grid->SetCellText(1, 1, QStringLiteral("5"));
    QSignalSpy edited(f.grid, &ARecordList::userEdited);
    f.Click(1, 1);
    auto paste = [&](const char* text) {
        QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
        f.Key(Qt::Key_V, Qt::ControlModifier);
    };
    paste("10\t\t\r\n256\t\t\r\n300\t\t\r\n");
    paste("10\tда\t\n");
    paste("10\tX\t\n20\tX\t\n");
    f.Key(Qt::Key_Down, Qt::ControlModifier); // no effect: still row 2
    f.Key(Qt::Key_End, Qt::ControlModifier);
    paste("1\n2\n");
    EXPECT_EQ(f.Texts(), (std::vector<std::string>{
                             "Вставка отменена: в строке 3, столбце «Время» значение «256», а значение должно быть "
                             "меньше 256.",
                             "Вставка отменена: в строке 2, столбце «ТВП1» текст «да», а в ячейке отметки допустимы "
                             "только «X» или пусто.",
                             "Вставка отменена: в столбце «ТВП1» отмечены строки 2 и 3, а отметить можно только одну "
                             "строку.",
                             "Вставка отменена: данные (строк: 2, столбцов: 1) от строки 8, столбца «ТВП2» не "
                             "помещаются в таблицу.",
                         }));
    EXPECT_EQ(Column(*f.grid, 1), QStringLiteral(",5,,,,,,"));
    EXPECT_EQ(Column(*f.grid, 2), QStringLiteral(",,,,,,,"));
    EXPECT_EQ(edited.count(), 0);
}
