// The grid's table model and programming interface: set-up, rows and cells, selection and its
// notifications, keys that move the current row, type-ahead, hit tests through the widget.
#include "GridTestSupport.h"

#include <QScrollBar>

#include <gtest/gtest.h>

using namespace vlk;
using namespace vlk::test;

namespace {

void ThreeColumns(ARecordList& grid, int style = 0)
{
    grid.SetStyle(style);
    const int widths[] = {40, 60, 60};
    grid.SetColumns(3, widths);
}

} // namespace

TEST(ARecordListModel, RowsSplitAtTabsAndMissingCellsReadEmpty)
{
    GridFixture f;
    ThreeColumns(*f.grid);
    EXPECT_EQ(f.grid->AddRow(QStringLiteral("a\t\tb")), 0);
    EXPECT_EQ(f.grid->AddRow(QString()), 1);
    EXPECT_EQ(f.grid->AddRow(QStringLiteral("1\t2\t3\t4\t5")), 2);
    EXPECT_EQ(f.grid->GetRowCount(), 3);
    EXPECT_EQ(f.grid->Model().Row(0).cells.size(), 3);
    EXPECT_EQ(f.grid->GetCellText(0, 0), QStringLiteral("a"));
    EXPECT_EQ(f.grid->GetCellText(0, 1), QString());
    EXPECT_EQ(f.grid->GetCellText(0, 2), QStringLiteral("b"));
    EXPECT_EQ(f.grid->Model().Row(1).cells.size(), 1);
    EXPECT_EQ(f.grid->GetCellText(1, 2), QString());
    // Extra cells stay stored though never drawn.
    EXPECT_EQ(f.grid->GetCellText(2, 4), QStringLiteral("5"));
    // Invalid indexes read as empty.
    EXPECT_EQ(f.grid->GetCellText(-1, 0), QString());
    EXPECT_EQ(f.grid->GetCellText(0, -1), QString());
    EXPECT_EQ(f.grid->GetCellText(3, 0), QString());
}

TEST(ARecordListModel, SetCellTextPadsTheRowAndIgnoresInvalidRows)
{
    GridFixture f;
    ThreeColumns(*f.grid);
    f.grid->AddRow(QStringLiteral("x"));
    f.grid->SetCellText(0, 2, QStringLiteral("7"));
    EXPECT_EQ(f.grid->Model().Row(0).cells.size(), 3);
    EXPECT_EQ(f.grid->GetCellText(0, 1), QString());
    EXPECT_EQ(f.grid->GetCellText(0, 2), QStringLiteral("7"));
    // A column beyond the count is stored too.
    f.grid->SetCellText(0, 5, QStringLiteral("z"));
    EXPECT_EQ(f.grid->GetCellText(0, 5), QStringLiteral("z"));
    f.grid->SetCellText(1, 0, QStringLiteral("no row"));
    f.grid->SetCellText(-1, 0, QStringLiteral("no row"));
    f.grid->SetCellText(0, -1, QStringLiteral("no col"));
    EXPECT_EQ(f.grid->GetRowCount(), 1);
    EXPECT_EQ(f.grid->GetCellText(0, 0), QStringLiteral("x"));
}

TEST(ARecordListModel, EqualTextsShareOneBufferYetBehaveAsCopies)
{
    GridFixture f;
    ThreeColumns(*f.grid);
    f.grid->AddRow(QStringLiteral("12\t12\tК"));
    f.grid->AddRow(QStringLiteral("0\t0\t0"));
    QString typed = QStringLiteral("1");
    typed += QStringLiteral("2"); // a separately built string
    f.grid->SetCellText(1, 2, typed);
    EXPECT_TRUE(f.grid->Model().SharesBuffer(0, 0, 0, 1));
    EXPECT_TRUE(f.grid->Model().SharesBuffer(0, 0, 1, 2));
    // Changing one cell leaves the sharers alone, and the caller's string is not tied to them.
    f.grid->SetCellText(0, 0, QStringLiteral("99"));
    typed[0] = QLatin1Char('5');
    EXPECT_EQ(f.grid->GetCellText(0, 0), QStringLiteral("99"));
    EXPECT_EQ(f.grid->GetCellText(0, 1), QStringLiteral("12"));
    EXPECT_EQ(f.grid->GetCellText(1, 2), QStringLiteral("12"));
    QString read = f.grid->GetCellText(0, 1);
    read[0] = QLatin1Char('7');
    EXPECT_EQ(f.grid->GetCellText(0, 1), QStringLiteral("12"));
}

TEST(ARecordListModel, ColumnTableLimits)
{
    GridFixture f;
    std::vector<int> widths(129, 10);
    f.grid->SetColumns(128, widths.data());
    EXPECT_EQ(f.grid->GetColumnCount(), 128);
    EXPECT_EQ(f.grid->GetColumnRight(127), 1280);
    f.grid->SetHeaderText(QStringLiteral("a\tb"));
    EXPECT_EQ(f.grid->SetColumnFlags(127, 68), 1);
    EXPECT_EQ(f.grid->GetColumnFlags(127), 68);
    EXPECT_EQ(f.grid->SetColumnFlags(128, 68), 0);
    EXPECT_EQ(f.grid->GetColumnFlags(128), -1);
    // 129 clears every column record but keeps the count.
    f.grid->SetColumns(129, widths.data());
    EXPECT_EQ(f.grid->GetColumnCount(), 128);
    EXPECT_EQ(f.grid->GetColumnWidth(0), 0);
    EXPECT_EQ(f.grid->GetColumnFlags(127), 0);
    EXPECT_EQ(f.grid->GetColumnTitle(0), QString());
    // Without widths only the count changes.
    f.grid->SetColumns(3, nullptr);
    EXPECT_EQ(f.grid->GetColumnCount(), 3);
    EXPECT_EQ(f.grid->GetColumnWidth(1), 0);
}

TEST(ARecordListModel, FlagsTitlesTipsAndPictures)
{
    GridFixture f;
    ThreeColumns(*f.grid);
    EXPECT_EQ(f.grid->SetColumnFlags(-1, 14), 1);
    EXPECT_EQ(f.grid->GetColumnFlags(0), 14);
    EXPECT_EQ(f.grid->GetColumnFlags(2), 14);
    EXPECT_EQ(f.grid->GetColumnFlags(3), 0);
    EXPECT_EQ(f.grid->SetColumnFlags(5, 8), 1); // beyond the count, still stored
    EXPECT_EQ(f.grid->GetColumnFlags(5), 8);

    const QString longTitle(200, QChar(u'Ж'));
    f.grid->SetHeaderText(QStringLiteral("№\t") + longTitle);
    EXPECT_EQ(f.grid->GetColumnTitle(0), QStringLiteral("№"));
    EXPECT_EQ(f.grid->GetColumnTitle(1).size(), 127);
    EXPECT_EQ(f.grid->GetColumnTitle(3), QString());
    EXPECT_EQ(f.grid->GetColumnTitle(-1), QString());
    // Columns after the last piece keep their titles.
    f.grid->SetHeaderText(QStringLiteral("A"));
    EXPECT_EQ(f.grid->GetColumnTitle(0), QStringLiteral("A"));
    EXPECT_EQ(f.grid->GetColumnTitle(1).size(), 127);

    f.grid->SetColumnPicture(1, 0, QStringLiteral("Красный сигнал лампы"), 136, 155);
    f.grid->SetColumnPicture(1, 10, QStringLiteral("Ж"), 139, 155);
    f.grid->SetColumnPicture(1, -1, QStringLiteral("Ж"), 139, 155);
    EXPECT_EQ(f.grid->Model().Column(1).pictures[0].text.size(), 15);
    EXPECT_EQ(f.grid->Model().Column(1).pictures[0].image, 136);
    EXPECT_EQ(f.grid->Model().Column(1).pictures[1].image, 0);
}

TEST(ARecordListModel, HeaderTextWithNoColumnsNamesColumnZero)
{
    GridFixture f;
    f.grid->SetColumns(0, nullptr);
    f.grid->SetHeaderText(QStringLiteral("Один\tДва"));
    EXPECT_EQ(f.grid->GetColumnTitle(0), QStringLiteral("Один\tДва"));
}

TEST(ARecordListModel, SetCheckOnlyOnCheckColumns)
{
    GridFixture f;
    ThreeColumns(*f.grid);
    f.grid->SetColumnFlags(1, 68);
    f.grid->AddRow(QStringLiteral("1\t\t"));
    f.grid->SetCheck(0, 2, true);
    EXPECT_EQ(f.grid->GetCellText(0, 2), QString());
    f.grid->SetCheck(0, 1, true);
    EXPECT_EQ(f.grid->GetCellText(0, 1), QStringLiteral("X"));
    f.grid->SetCheck(0, 1, false);
    EXPECT_EQ(f.grid->GetCellText(0, 1), QString());
}

TEST(ARecordListModel, MoveRowKeepsTheCurrentIndexAndSendsNothing)
{
    GridFixture f;
    ThreeColumns(*f.grid);
    for (int i = 0; i < 4; ++i)
        f.grid->AddRow(QString::number(i));
    f.grid->SetCurSel(1);
    f.form.entries.clear();
    f.grid->MoveRow(0, 3);
    EXPECT_EQ(f.grid->GetCellText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(f.grid->GetCellText(3, 0), QStringLiteral("0"));
    f.grid->MoveRow(3, 0);
    EXPECT_EQ(f.grid->GetCellText(0, 0), QStringLiteral("0"));
    f.grid->MoveRow(9, 0);
    EXPECT_EQ(f.grid->GetCurSel(), 1);
    EXPECT_TRUE(f.form.entries.empty());
}

TEST(ARecordListSelection, SetCurSelNotifiesOnceAndScrollsIntoView)
{
    GridFixture f(QSize(300, 16 + 5 * 18));
    ThreeColumns(*f.grid);
    for (int i = 0; i < 20; ++i)
        f.grid->AddRow(QString::number(i));
    f.Show();
    f.grid->SetCurSel(2);
    ASSERT_EQ(f.form.entries.size(), 2u);
    EXPECT_EQ(f.form.entries[0].code, 1);
    EXPECT_EQ(f.form.entries[0].row, 2);
    EXPECT_EQ(f.form.entries[0].column, -1);
    EXPECT_EQ(f.form.entries[0].state, 2);
    EXPECT_EQ(f.form.entries[1].kind, RecordListNotification::Kind::SelectionCommand);
    f.form.entries.clear();
    f.grid->SetCurSel(2);
    EXPECT_TRUE(f.form.entries.empty());
    f.grid->SetCurSel(20);
    EXPECT_EQ(f.grid->GetCurSel(), 2);

    // Below the view: the row comes to the bottom.
    const int visible = (f.grid->viewport()->height() - 16 - 1) / 18;
    f.grid->SetCurSel(15);
    EXPECT_EQ(f.grid->TopRow(), 15 - visible + 1);
    f.grid->SetCurSel(1);
    EXPECT_EQ(f.grid->TopRow(), 1);
    f.grid->SetCurSel(-1);
    EXPECT_EQ(f.grid->GetCurSel(), -1);
}

TEST(ARecordListSelection, NoSelectGridNeverHasACurrentRow)
{
    GridFixture f;
    ThreeColumns(*f.grid, RLS_NOSELECT);
    f.grid->AddRow(QStringLiteral("1"));
    f.Show();
    f.grid->SetCurSel(0);
    f.Click(0, 1);
    EXPECT_TRUE(f.grid->hasFocus()); // the keys below reach it
    Key(f.grid, Qt::Key_Down);
    EXPECT_EQ(f.grid->GetCurSel(), -1);
    EXPECT_EQ(f.form.Count(1), 0);
}

TEST(ARecordListSelection, RowKeys)
{
    GridFixture f(QSize(300, 16 + 5 * 18));
    ThreeColumns(*f.grid);
    for (int i = 0; i < 12; ++i)
        f.grid->AddRow(QString::number(i));
    f.Show();
    f.grid->setFocus();
    const int page = (f.grid->viewport()->height() - 16) / 18;
    Key(f.grid, Qt::Key_Down);
    EXPECT_EQ(f.grid->GetCurSel(), 0);
    Key(f.grid, Qt::Key_Up);
    EXPECT_EQ(f.grid->GetCurSel(), 0);
    Key(f.grid, Qt::Key_PageDown);
    EXPECT_EQ(f.grid->GetCurSel(), page);
    Key(f.grid, Qt::Key_End);
    EXPECT_EQ(f.grid->GetCurSel(), 11);
    Key(f.grid, Qt::Key_Down);
    EXPECT_EQ(f.grid->GetCurSel(), 11);
    Key(f.grid, Qt::Key_PageDown);
    EXPECT_EQ(f.grid->GetCurSel(), 11);
    Key(f.grid, Qt::Key_PageUp);
    EXPECT_EQ(f.grid->GetCurSel(), 11 - page);
    Key(f.grid, Qt::Key_Home);
    EXPECT_EQ(f.grid->GetCurSel(), 0);
    Key(f.grid, Qt::Key_PageUp);
    EXPECT_EQ(f.grid->GetCurSel(), 0);
}

TEST(ARecordListSelection, TypeAheadMatchesCyrillicLabelsAsUpperCase)
{
    GridFixture f;
    ThreeColumns(*f.grid);
    for (const char* label : {"Красный", "желтый", "Зеленый", "Желтый", "ЖМ", "Auto"})
        f.grid->AddRow(QString::fromUtf8(label));
    f.Show();
    f.grid->setFocus();
    Type(f.grid, QStringLiteral("ж"));
    EXPECT_EQ(f.grid->GetCurSel(), 3); // the lower-case label does not match
    Type(f.grid, QStringLiteral("Ж"));
    EXPECT_EQ(f.grid->GetCurSel(), 4);
    Type(f.grid, QStringLiteral("ж"));
    EXPECT_EQ(f.grid->GetCurSel(), 3); // wrapped round
    Type(f.grid, QStringLiteral("к"));
    EXPECT_EQ(f.grid->GetCurSel(), 0);
    // Latin letters are left alone.
    Type(f.grid, QStringLiteral("a"));
    Type(f.grid, QStringLiteral("A"));
    EXPECT_EQ(f.grid->GetCurSel(), 0);
    // A letter that starts nothing changes nothing.
    Type(f.grid, QStringLiteral("я"));
    EXPECT_EQ(f.grid->GetCurSel(), 0);
}

TEST(ARecordListMouse, ClicksRightButtonAndHeader)
{
    GridFixture f;
    ThreeColumns(*f.grid, RLS_FIXEDCOLUMNS);
    for (int i = 0; i < 4; ++i)
        f.grid->AddRow(QString::number(i));
    f.Show();
    f.Click(2, 1);
    EXPECT_EQ(f.grid->GetCurSel(), 2);
    EXPECT_TRUE(f.grid->hasFocus());
    f.form.entries.clear();
    f.Click(3, 2, Qt::RightButton);
    EXPECT_EQ(f.grid->GetCurSel(), 3);
    const auto* right = f.form.Last(-5);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->row, 3);
    EXPECT_EQ(right->column, 2);
    // A right click below the rows gives the last row; on the header no row.
    Click(f.View(), QPoint(50, 8), Qt::RightButton);
    EXPECT_EQ(f.form.Last(-5)->row, -1);
    EXPECT_EQ(f.form.Last(-5)->column, 1);
    // Left on the header: the column notification, no selection change.
    Click(f.View(), QPoint(110, 8), Qt::LeftButton);
    const auto* column = f.form.Last(-108);
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->kind, RecordListNotification::Kind::Column);
    EXPECT_EQ(column->column, 2);
    EXPECT_EQ(f.grid->GetCurSel(), 3);
    // Every double-click reports its cell.
    f.DoubleClick(1, 0);
    const auto* dbl = f.form.Last(2);
    ASSERT_NE(dbl, nullptr);
    EXPECT_EQ(dbl->row, 1);
    EXPECT_EQ(dbl->column, 0);
}

TEST(ARecordListMouse, HorizontalScrollNotifiesForCompanionGrids)
{
    GridFixture f(QSize(200, 120));
    std::vector<int> widths(10, 50);
    f.grid->SetColumns(10, widths.data());
    f.grid->AddRow(QStringLiteral("a"));
    f.Show();
    auto* bar = f.grid->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.grid->HorizontalPosition(), 1);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub); // nothing to move, still reported
    EXPECT_EQ(f.grid->HorizontalPosition(), 0);
    EXPECT_EQ(f.form.Count(-100), 3);
    EXPECT_EQ(f.form.Last(-100)->row, 0);
    EXPECT_EQ(f.form.Last(-100)->column, 0);
}
