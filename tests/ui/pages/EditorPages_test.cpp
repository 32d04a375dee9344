#include "pages/ConfigWnd.h"
#include "pages/MeasureWnd.h"
#include "pages/OutputWnd.h"
#include "pages/ProgramWnd.h"

#include "PageTestSupport.h"
#include "support/RecordingMessages.h"
#include "support/WindowInput.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

using namespace vlk;
using vlk::test::U;

namespace {

template <class Page>
void ShowPage(Page& page, QSize size = {1024, 700})
{
    page.resize(size);
    ASSERT_TRUE(test::ShowAndActivate(&page));
}

// The left edge, in the grid's viewport, of column `col` as it is drawn now.
int DrawnLeft(const ARecordList& grid, int col)
{
    return (col == 0 ? 0 : grid.GetColumnRight(col - 1)) - grid.HorizontalPosition();
}

} // namespace

TEST(ProgramPage, GridsAreSetUpAsTheCatalogueAndTheLiteralTables)
{
    RecordingMessages messages;
    CProgramWnd page(messages);
    ASSERT_TRUE(page.Strip() && page.Programs());
    test::ExpectGridMatchesCatalogue(*page.Strip(), TableId::ProgramGroupStrip);
    test::ExpectGridMatchesCatalogue(*page.Programs(), TableId::Program);
    const ARecordList& strip = *page.Strip();
    const ARecordList& table = *page.Programs();
    EXPECT_EQ(strip.GetStyle(), 0x14);
    EXPECT_EQ(table.GetStyle(), 0x1C);
    ASSERT_EQ(strip.GetColumnCount(), 10);
    ASSERT_EQ(table.GetColumnCount(), 28);
    EXPECT_EQ(strip.GetColumnTitle(5), U("Программа 5"));
    EXPECT_EQ(strip.GetColumnWidth(0), 46);
    EXPECT_EQ(strip.GetColumnWidth(9), 102);
    EXPECT_EQ(strip.GetRowCount(), 0);
    EXPECT_EQ(table.GetColumnTitle(0), U("№ фазы"));
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(table.GetColumnTitle(3 * i - 2), U("Время"));
        EXPECT_EQ(table.GetColumnTitle(3 * i - 1), U("ТВП1"));
        EXPECT_EQ(table.GetColumnTitle(3 * i), U("ТВП2"));
        EXPECT_EQ(table.GetColumnWidth(3 * i - 2), 40);
        EXPECT_EQ(table.GetColumnWidth(3 * i - 1), 30);
        EXPECT_EQ(table.GetColumnWidth(3 * i), 32);
        EXPECT_EQ(table.GetColumnFlags(3 * i - 2), 14);
        EXPECT_EQ(table.GetColumnFlags(3 * i - 1), 196);
        EXPECT_EQ(table.GetColumnFlags(3 * i), 196);
        // Each program title spans exactly its three columns.
        EXPECT_EQ(strip.GetColumnRight(i), table.GetColumnRight(3 * i));
    }
    EXPECT_EQ(table.GetRowCount(), 8);
    EXPECT_EQ(table.GetCellText(7, 0), U("8"));
}

TEST(ProgramPage, StripFollowsTheTablesHorizontalScroll)
{
    RecordingMessages messages;
    CProgramWnd page(messages);
    ShowPage(page, {640, 500}); // narrow, so the 28 columns need scrolling
    ARecordList& table = *page.Programs();
    const ARecordList& strip = *page.Strip();
    ASSERT_GT(table.horizontalScrollBar()->maximum(), 0);
    table.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    table.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QApplication::processEvents();
    ASSERT_GT(table.HorizontalPosition(), 0);
    EXPECT_EQ(strip.horizontalScrollBar()->maximum(), table.horizontalScrollBar()->maximum());
    EXPECT_EQ(strip.HorizontalPosition(), table.HorizontalPosition());
    // "Программа 5" stays over "Время" of program 5, "ТВП2" ends where it ends.
    EXPECT_EQ(DrawnLeft(strip, 5), DrawnLeft(table, 13));
    EXPECT_EQ(DrawnLeft(strip, 6), DrawnLeft(table, 16));

    // Widening the page shrinks the range and pulls the table back; the strip comes along.
    table.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    page.resize(1000, 500);
    QApplication::processEvents();
    EXPECT_EQ(strip.HorizontalPosition(), table.HorizontalPosition());
    EXPECT_EQ(DrawnLeft(strip, 9), DrawnLeft(table, 25));

    table.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    QApplication::processEvents();
    EXPECT_EQ(strip.HorizontalPosition(), 0);
}

TEST(ProgramPage, LayoutLeavesRoomForEightRowsAndTheScrollBar)
{
    RecordingMessages messages;
    CProgramWnd page(messages);
    ShowPage(page);
    for (const QSize size : {QSize(1024, 700), QSize(1280, 800), QSize(800, 600)}) {
        page.resize(size);
        QApplication::processEvents();
        const ARecordList& table = *page.Programs();
        const ARecordList& strip = *page.Strip();
        EXPECT_EQ(table.GetRowHeight(), (table.height() - table.GetHeaderHeight()) / 9);
        EXPECT_LE(table.GetHeaderHeight() + 8 * table.GetRowHeight(), table.viewport()->height());
        EXPECT_EQ(strip.geometry().bottom(), table.geometry().top());
        EXPECT_EQ(strip.GetHeaderHeight(), strip.height());
    }
}

TEST(OutputPage, GridsLampPicturesAndRowHeights)
{
    RecordingMessages messages;
    COutputWnd page(messages);
    ASSERT_TRUE(page.LampOutput() && page.WaitBoard());
    test::ExpectGridMatchesCatalogue(*page.LampOutput(), TableId::LampOutput, true);
    test::ExpectGridMatchesCatalogue(*page.WaitBoard(), TableId::WaitBoard, true);
    const ARecordList& lamps = *page.LampOutput();
    ASSERT_EQ(lamps.GetColumnCount(), 50);
    EXPECT_EQ(lamps.GetStyle(), 0x18);
    EXPECT_EQ(lamps.GetColumnFlags(1), 2048);
    // "Лампа" is wider than the 30 pixels the column was given.
    EXPECT_GT(lamps.GetColumnWidth(1), 30);
    EXPECT_EQ(lamps.GetColumnWidth(49), 18);
    EXPECT_EQ(lamps.GetColumnTitle(49), U("48"));
    const ColumnRecord& lamp = lamps.Model().Column(1);
    const std::pair<const char*, int> pictures[] = {{"К", 136}, {"Ж", 139}, {"З", 138}};
    for (int e = 0; e < 3; ++e) {
        EXPECT_EQ(lamp.pictures[e].text, U(pictures[e].first));
        EXPECT_EQ(lamp.pictures[e].image, pictures[e].second);
        EXPECT_EQ(lamp.pictures[e].mask, 155);
    }
    ASSERT_EQ(lamps.GetRowCount(), 72);
    // The direction number stands only in the red row.
    EXPECT_EQ(lamps.GetCellText(3, 0), U("2"));
    EXPECT_EQ(lamps.GetCellText(3, 1), U("К"));
    EXPECT_EQ(lamps.GetCellText(4, 0), QString());
    EXPECT_EQ(lamps.GetCellText(4, 1), U("Ж"));
    EXPECT_EQ(lamps.GetCellText(71, 1), U("З"));
    EXPECT_EQ(page.WaitBoard()->GetCellText(1, 0), U("ТВП 2"));
    EXPECT_EQ(page.WaitBoard()->GetColumnWidth(0), 60);

    ShowPage(page);
    for (const QSize size : {QSize(1024, 700), QSize(1280, 800), QSize(1100, 1000)}) {
        page.resize(size);
        QApplication::processEvents();
        const ARecordList& boards = *page.WaitBoard();
        EXPECT_EQ(boards.GetRowHeight(), (boards.viewport()->height() - boards.GetHeaderHeight()) / 2);
    }
}

TEST(MeasurePage, SensorTablesHideTheirUntitledColumns)
{
    RecordingMessages messages;
    CMeasureWnd page(messages);
    ASSERT_TRUE(page.RedSensor() && page.GreenSensor());
    test::ExpectGridMatchesCatalogue(*page.RedSensor(), TableId::RedSensor, true);
    test::ExpectGridMatchesCatalogue(*page.GreenSensor(), TableId::GreenSensor, true);
    const ARecordList& red = *page.RedSensor();
    const ARecordList& green = *page.GreenSensor();
    ASSERT_EQ(red.GetColumnCount(), 32);
    ASSERT_EQ(green.GetColumnCount(), 32);
    EXPECT_EQ(red.GetColumnTitle(4), U("7-8"));
    EXPECT_EQ(red.GetColumnTitle(16), U("31-32"));
    EXPECT_EQ(red.GetColumnFlags(0), 8);
    EXPECT_EQ(red.GetColumnFlags(16), 196);
    EXPECT_EQ(green.GetColumnTitle(24), U("24"));
    for (int c = 17; c < 32; ++c)
        EXPECT_EQ(red.GetColumnWidth(c), 0) << c;
    for (int c = 25; c < 32; ++c)
        EXPECT_EQ(green.GetColumnWidth(c), 0) << c;
    EXPECT_EQ(red.GetColumnTitle(17), QString());

    // The untitled columns are skipped by the editing order: after the last titled one comes column 1.
    ShowPage(page);
    EXPECT_EQ(red.NextEditColumn(16, false), 1);
    EXPECT_EQ(green.NextEditColumn(24, false), 1);

    // One direction per red channel: checking column 4 in direction 2 clears it elsewhere.
    ARecordList& editable = *page.RedSensor();
    editable.SetCheck(0, 4, true);
    editable.SetCurSel(1);
    const QRect cell = editable.GetCellRect(1, 4);
    test::DoubleClick(editable.viewport(), cell.center());
    EXPECT_EQ(editable.GetCellText(1, 4), U("X"));
    EXPECT_EQ(editable.GetCellText(0, 4), QString());
}

TEST(ConfigPage, GridsAndTheFillingRedGreenRows)
{
    RecordingMessages messages;
    CConfigWnd page(messages);
    ASSERT_TRUE(page.MinSignalTime() && page.InterGreen());
    test::ExpectGridMatchesCatalogue(*page.MinSignalTime(), TableId::MinSignalTime);
    test::ExpectGridMatchesCatalogue(*page.InterGreen(), TableId::InterGreen);
    const ARecordList& minimum = *page.MinSignalTime();
    EXPECT_EQ(minimum.GetStyle(), 0x1C);
    EXPECT_EQ(minimum.GetColumnFlags(0), 2048);
    EXPECT_EQ(minimum.Model().Column(0).pictures[0].image, 136);
    EXPECT_EQ(minimum.Model().Column(0).pictures[1].text, U("З"));
    EXPECT_EQ(minimum.Model().Column(0).pictures[1].image, 138);
    EXPECT_EQ(minimum.GetColumnWidth(24), 35);
    EXPECT_EQ(minimum.GetCellText(1, 0), U("З"));
    EXPECT_EQ(page.InterGreen()->GetRowCount(), 24);
    EXPECT_EQ(page.InterGreen()->GetColumnFlags(24), 14);

    ShowPage(page);
    for (const QSize size : {QSize(1024, 700), QSize(1280, 800), QSize(1280, 1024)}) {
        page.resize(size);
        QApplication::processEvents();
        EXPECT_EQ(minimum.GetRowHeight(), (minimum.viewport()->height() - minimum.GetHeaderHeight()) / 2);
    }
}
