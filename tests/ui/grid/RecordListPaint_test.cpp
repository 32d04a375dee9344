// Painting, scrolling and column layout: what is repainted, what the pixels show, the resize
// drag, auto-size, the resize cursor and header tooltips.
#include "GridTestSupport.h"
#include "RealTables.h"

#include <QImage>
#include <QLineEdit>
#include <QPaintEvent>
#include <QScrollBar>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace vlk;
using namespace vlk::test;

namespace {

// Collects the regions the viewport paints.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* target) { target->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            region += static_cast<QPaintEvent*>(event)->region();
            ++count;
        }
        return false;
    }
    void Clear()
    {
        region = QRegion();
        count = 0;
    }
    QRegion region;
    int count = 0;
};

void Flush()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

QColor Pixel(ARecordList& grid, QPoint p)
{
    return grid.viewport()->grab().toImage().pixelColor(p);
}

// Columns: label, number, check (68).
void CheckGrid(GridFixture& f, int rows = 4)
{
    const int widths[] = {40, 50, 40};
    f.grid->SetColumns(3, widths);
    f.grid->SetColumnFlags(0, 16);
    f.grid->SetColumnFlags(1, 14);
    f.grid->SetColumnFlags(2, 68);
    f.grid->SetHeaderText(QStringLiteral("№\tВремя\tТВП1"));
    for (int r = 0; r < rows; ++r)
        f.grid->AddRow(QStringLiteral("%1\t%2\tX").arg(r + 1).arg(r));
}

} // namespace

TEST(RecordListPaint, SetCellTextRepaintsItsCellOnly)
{
    GridFixture f;
    CheckGrid(f);
    f.Show();
    PaintRecorder paints(f.View());
    Flush();
    paints.Clear();
    f.grid->SetCellText(2, 1, QStringLiteral("200"));
    Flush();
    const QRect cell = f.grid->GetCellRect(2, 1);
    ASSERT_GE(paints.count, 1);
    EXPECT_TRUE(QRegion(cell.adjusted(0, 0, 1, 0)).contains(paints.region.boundingRect()))
        << paints.region.boundingRect().x() << "," << paints.region.boundingRect().y() << " "
        << paints.region.boundingRect().width() << "x" << paints.region.boundingRect().height();
    // The same text again, or a column that is never drawn: nothing at all.
    paints.Clear();
    f.grid->SetCellText(2, 1, QStringLiteral("200"));
    f.grid->SetCellText(2, 7, QStringLiteral("hidden"));
    Flush();
    EXPECT_EQ(paints.count, 0);
    // A new row repaints itself only.
    f.grid->AddRow(QStringLiteral("9"));
    Flush();
    EXPECT_EQ(paints.region.boundingRect().top(), f.grid->GetRowRect(4).top());
}

TEST(RecordListPaint, LineScrollMovesPixelsAndPaintsTheStrip)
{
    GridFixture f(QSize(300, 16 + 8 * 18));
    CheckGrid(f, 40);
    f.Show();
    PaintRecorder paints(f.View());
    Flush();
    paints.Clear();
    f.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Flush();
    EXPECT_EQ(f.grid->TopRow(), 1);
    EXPECT_LE(paints.region.boundingRect().height(), 18 + 2);
    EXPECT_GT(paints.region.boundingRect().top(), 16);
    paints.Clear();
    f.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    Flush();
    EXPECT_EQ(f.grid->TopRow(), 1 + (f.View()->height() - 16) / 18);
    EXPECT_GE(paints.region.boundingRect().height(), f.View()->height() - 17);
    // The moved pixels equal a fresh paint.
    const QImage moved = f.View()->grab().toImage();
    f.View()->repaint();
    EXPECT_EQ(moved, f.View()->grab().toImage());
    // Horizontal line steps move by 8 pixels.
    std::vector<int> widths(10, 50);
    f.grid->SetColumns(10, widths.data());
    Flush();
    paints.Clear();
    f.grid->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Flush();
    EXPECT_EQ(f.grid->HorizontalPosition(), 1);
    EXPECT_LE(paints.region.boundingRect().width(), 8 + 2);
}

TEST(RecordListPaint, CurrentRowColoursAndCheckTint)
{
    GridFixture f;
    CheckGrid(f);
    f.Show();
    f.grid->setFocus();
    f.grid->SetCurSel(1);
    Flush();
    const QImage image = f.View()->grab().toImage();
    const QRect current = f.grid->GetCellRect(1, 2);
    const QRect other = f.grid->GetCellRect(2, 2);
    // Background of the current row while focused, and of even and odd rows.
    EXPECT_EQ(image.pixelColor(current.left() + 2, current.top() + 2), QColor(0, 0, 139));
    EXPECT_EQ(image.pixelColor(other.left() + 2, other.top() + 2), QColor(224, 228, 216));
    EXPECT_EQ(image.pixelColor(f.grid->GetCellRect(3, 2).left() + 2, f.grid->GetCellRect(3, 2).top() + 2),
              QColor(248, 252, 240));
    // The check mark is visible in both rows and looks different in the current row.
    int differing = 0;
    int visibleCurrent = 0;
    int visibleOther = 0;
    for (int dy = 0; dy < current.height(); ++dy) {
        for (int dx = 0; dx < current.width(); ++dx) {
            const QColor a = image.pixelColor(current.left() + dx, current.top() + dy);
            const QColor b = image.pixelColor(other.left() + dx, other.top() + dy);
            visibleCurrent += a != QColor(0, 0, 139) && a != QColor(192, 192, 192) && a != Qt::black;
            visibleOther += b != QColor(224, 228, 216) && b != QColor(192, 192, 192) && b != Qt::black;
            differing += a != b;
        }
    }
    // An unchecked cell shows nothing.
    f.grid->SetCheck(3, 2, false);
    Flush();
    const QImage after = f.View()->grab().toImage();
    const QRect unchecked = f.grid->GetCellRect(3, 2);
    for (int dy = 1; dy < unchecked.height(); ++dy)
        for (int dx = 1; dx < unchecked.width(); ++dx)
            ASSERT_EQ(after.pixelColor(unchecked.left() + dx, unchecked.top() + dy), QColor(248, 252, 240));
    EXPECT_GT(visibleCurrent, 10);
    EXPECT_GT(visibleOther, 10);
    EXPECT_GT(differing, visibleOther);
    // Without the focus the current row turns grey.
    f.form.setFocus();
    f.grid->clearFocus();
    Flush();
    EXPECT_EQ(Pixel(*f.grid, QPoint(current.left() + 2, current.top() + 2)), QColor(169, 169, 169));
}

TEST(RecordListPaint, FocusChangeRepaintsTheCurrentRow)
{
    GridFixture f;
    CheckGrid(f);
    f.Show();
    f.grid->SetCurSel(2);
    QLineEdit other(&f.form);
    other.move(0, 150);
    other.show();
    other.setFocus();
    PaintRecorder paints(f.View());
    Flush();
    ASSERT_FALSE(f.grid->hasFocus());
    paints.Clear();
    f.grid->setFocus();
    Flush();
    EXPECT_TRUE(paints.region.contains(f.grid->GetRowRect(2)));
    EXPECT_FALSE(paints.region.contains(f.grid->GetRowRect(0)));
    paints.Clear();
    other.setFocus();
    Flush();
    EXPECT_TRUE(paints.region.contains(f.grid->GetRowRect(2)));
}

TEST(RecordListPaint, PictureCellsShowTheirPictureOrNothing)
{
    GridFixture f(QSize(560, 92));
    SetUpLightsGrid(*f.grid);
    f.grid->SetCellText(0, 3, QStringLiteral("К"));
    f.grid->SetCellText(2, 3, QStringLiteral("З"));
    f.Show();
    const QImage image = f.View()->grab().toImage();
    // The failure row's "Н " matches no picture: the cell is the row's background only.
    const QRect empty = f.grid->GetCellRect(3, 5);
    const QColor background(248, 252, 240); // row 3 is odd
    for (int dy = 2; dy < empty.height() - 1; ++dy) {
        for (int dx = 1; dx < empty.width() - 1; ++dx)
            ASSERT_EQ(image.pixelColor(empty.left() + dx, empty.top() + dy), background) << dx << "," << dy;
    }
    // A lamp is drawn transparently: its corner shows the row, its centre the lamp.
    const QRect red = f.grid->GetCellRect(0, 3);
    const QPoint centre = Centre(red);
    const QColor lamp = image.pixelColor(centre);
    EXPECT_GT(lamp.red(), 150);
    EXPECT_LT(lamp.green(), 90);
    EXPECT_EQ(image.pixelColor(red.left() + 1, red.top() + 2), QColor(224, 228, 216));
    const QColor green = image.pixelColor(Centre(f.grid->GetCellRect(2, 3)));
    EXPECT_GT(green.green(), 150);
    EXPECT_LT(green.red(), 100);
}

TEST(RecordListPaint, StripesContinueToTheBottomWithoutAScrollBar)
{
    GridFixture f(QSize(300, 16 + 10 * 18));
    CheckGrid(f, 2);
    f.Show();
    EXPECT_FALSE(f.grid->verticalScrollBar()->isVisible());
    const QImage image = f.View()->grab().toImage();
    for (int slot = 2; slot < 10; ++slot) {
        const int y = 16 + slot * 18 + 5;
        EXPECT_EQ(image.pixelColor(250, y), slot % 2 ? QColor(248, 252, 240) : QColor(224, 228, 216)) << slot;
        // Slot tops carry the grid line, column edges the vertical lines.
        EXPECT_EQ(image.pixelColor(250, 16 + slot * 18), QColor(192, 192, 192)) << slot;
        EXPECT_EQ(image.pixelColor(40, y), QColor(192, 192, 192)) << slot;
    }
    // Header: its colour, the black line under it, the divider lines.
    EXPECT_EQ(image.pixelColor(250, 8), QColor(206, 199, 181));
    EXPECT_EQ(image.pixelColor(250, 16), Qt::black);
    EXPECT_EQ(image.pixelColor(40, 5), QColor(170, 166, 146));
    // The black top line of a grid without a border.
    EXPECT_EQ(image.pixelColor(250, 0), Qt::black);
}

TEST(RecordListPaint, HorizontalPositionShiftsHeaderAndCells)
{
    GridFixture f(QSize(200, 120));
    std::vector<int> widths(10, 50);
    f.grid->SetColumns(10, widths.data());
    f.grid->AddRow(QStringLiteral("a"));
    f.Show();
    f.grid->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    f.grid->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Flush();
    ASSERT_EQ(f.grid->HorizontalPosition(), 2);
    const QImage image = f.View()->grab().toImage();
    EXPECT_EQ(image.pixelColor(50 - 16, 5), QColor(170, 166, 146));
    EXPECT_EQ(image.pixelColor(50 - 16, 40), QColor(192, 192, 192));
    EXPECT_EQ(f.grid->GetCellRect(0, 1).left(), 50 - 16);
    EXPECT_EQ(f.grid->HitTestColumn(50 - 16, 40), 1);
}

TEST(RecordListPaint, SingleZeroWidthColumnFillsTheWidth)
{
    GridFixture f(QSize(300, 100));
    const int widths[] = {0};
    f.grid->SetColumns(1, widths);
    f.grid->SetColumnFlags(0, RLC_RIGHT);
    f.grid->SetHeaderText(QStringLiteral("Заголовок"));
    f.grid->AddRow(QStringLiteral("Справа"));
    f.Show();
    const QImage image = f.View()->grab().toImage();
    auto darkColumns = [&](int y0, int y1, const QColor& bg) {
        int left = image.width(), right = -1;
        for (int y = y0; y < y1; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c != bg && c.lightness() < 120) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        return std::make_pair(left, right);
    };
    const auto header = darkColumns(2, 15, QColor(206, 199, 181));
    EXPECT_GT(header.first, 100); // centred over the whole width
    EXPECT_LT(header.second, 200);
    const auto cell = darkColumns(18, 33, QColor(224, 228, 216));
    EXPECT_GT(cell.first, 200); // right-aligned at the window's edge
    EXPECT_GE(cell.second, 300 - 8);
}

TEST(RecordListPaint, HeaderHeightZeroStartsRowsAtTheTop)
{
    GridFixture f(QSize(200, 100));
    f.grid->SetStyle(RLS_PROPORTIONAL | RLS_NOSELECT | RLS_FIXEDCOLUMNS);
    f.grid->SetHeaderHeight(0);
    const int shares[] = {60, 40};
    f.grid->SetColumns(2, shares);
    f.grid->AddRow(QStringLiteral("Тпром\t "));
    f.grid->AddRow(QStringLiteral("Тмин\t "));
    f.Show();
    EXPECT_EQ(f.grid->GetRowRect(0).top(), 0);
    EXPECT_EQ(f.grid->HitTestRow(5, 0), 0);
    EXPECT_EQ(f.grid->GetColumnWidth(0), 120);
    EXPECT_EQ(f.grid->GetColumnWidth(1), 80);
    EXPECT_EQ(Pixel(*f.grid, QPoint(100, 5)), QColor(224, 228, 216));
}

TEST(RecordListLayoutWidget, ProportionalWidthsFollowTheClientWidth)
{
    GridFixture f(QSize(101, 100));
    f.grid->SetStyle(RLS_PROPORTIONAL);
    const int shares[] = {30, 70};
    f.grid->SetColumns(2, shares);
    f.Show();
    ASSERT_EQ(f.View()->width(), 101);
    EXPECT_EQ(f.grid->GetColumnWidth(0), 30);
    EXPECT_EQ(f.grid->GetColumnWidth(1), 71);
    f.grid->resize(200, 100);
    Flush();
    EXPECT_EQ(f.grid->GetColumnWidth(0), 60);
    EXPECT_EQ(f.grid->GetColumnWidth(1), 140);
    EXPECT_EQ(f.grid->horizontalScrollBar()->maximum(), 0);
}

TEST(RecordListLayoutWidget, DividerDragStopsShortOfTheNeighbourAndEscCancels)
{
    GridFixture f(QSize(200, 100));
    f.grid->SetStyle(RLS_PROPORTIONAL);
    const int shares[] = {30, 30, 40};
    f.grid->SetColumns(3, shares);
    f.grid->AddRow(QStringLiteral("a\tb\tc"));
    f.Show();
    ASSERT_EQ(f.grid->GetColumnRight(1), 120);
    Press(f.View(), QPoint(60, 8));
    EXPECT_TRUE(f.grid->Dragging());
    Move(f.View(), QPoint(180, 8));
    Release(f.View(), QPoint(180, 8));
    EXPECT_FALSE(f.grid->Dragging());
    EXPECT_EQ(f.grid->GetColumnWidth(0), 115);
    EXPECT_EQ(f.grid->GetColumnWidth(1), 5);
    EXPECT_EQ(f.grid->GetColumnWidth(2), 80);
    std::vector<int> codes;
    for (const auto& e : f.form.entries)
        if (e.kind == RecordListNotification::Kind::Column)
            codes.push_back(e.code);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes.front(), -306);
    EXPECT_EQ(codes[1], -308);
    EXPECT_EQ(codes.back(), -307);
    // The shares were stored: a wider window keeps the proportions.
    f.form.resize(400, 100);
    f.grid->resize(400, 100);
    Flush();
    EXPECT_EQ(f.grid->GetColumnWidth(0), 230);

    // Esc during a drag changes nothing, but the end is still reported.
    f.form.entries.clear();
    const int before = f.grid->GetColumnWidth(0);
    Press(f.View(), QPoint(f.grid->GetColumnRight(0), 8));
    ASSERT_TRUE(f.grid->Dragging());
    Move(f.View(), QPoint(100, 8));
    Key(f.grid, Qt::Key_Escape);
    EXPECT_FALSE(f.grid->Dragging());
    Release(f.View(), QPoint(100, 8));
    EXPECT_EQ(f.grid->GetColumnWidth(0), before);
    EXPECT_EQ(f.form.entries.back().code, -307);
}

TEST(RecordListLayoutWidget, FixedColumnsDoNotResizeOrShowTips)
{
    GridFixture f(QSize(300, 100));
    f.grid->SetStyle(RLS_FIXEDCOLUMNS);
    const int widths[] = {30, 30};
    f.grid->SetColumns(2, widths);
    f.grid->SetHeaderText(QStringLiteral("Очень длинный заголовок\tB"));
    f.Show();
    Move(f.View(), QPoint(30, 8));
    EXPECT_NE(f.View()->cursor().shape(), Qt::SplitHCursor);
    Press(f.View(), QPoint(30, 8));
    EXPECT_FALSE(f.grid->Dragging());
    Release(f.View(), QPoint(30, 8));
    DoubleClick(f.View(), QPoint(30, 8));
    EXPECT_EQ(f.grid->GetColumnWidth(0), 30);
    Move(f.View(), QPoint(10, 8));
    EXPECT_FALSE(f.grid->TipShown());
}

TEST(RecordListLayoutWidget, DoubleClickOnADividerFitsTheWidestText)
{
    GridFixture f(QSize(400, 100));
    const int widths[] = {30, 30};
    f.grid->SetColumns(2, widths);
    f.grid->SetHeaderText(QStringLiteral("№\tB"));
    f.grid->AddRow(QStringLiteral("Длинный текст ячейки\tb"));
    f.grid->AddRow(QStringLiteral("x\tb"));
    f.Show();
    Move(f.View(), QPoint(30, 8));
    EXPECT_EQ(f.View()->cursor().shape(), Qt::SplitHCursor);
    DoubleClick(f.View(), QPoint(30, 8));
    const QFontMetrics metrics(*f.grid->GetFont());
    EXPECT_EQ(f.grid->GetColumnWidth(0), metrics.horizontalAdvance(QStringLiteral("Длинный текст ячейки")) + 5);
    const auto* autosized = f.form.Last(-305);
    ASSERT_NE(autosized, nullptr);
    EXPECT_EQ(autosized->column, 0);
    EXPECT_EQ(f.form.Last(2)->column, 0);
    EXPECT_EQ(f.form.Last(2)->row, -1);
}

TEST(RecordListLayoutWidget, HeaderTooltipsForTipsAndTitlesThatDoNotFit)
{
    GridFixture f(QSize(300, 100));
    const int widths[] = {30, 200, 60};
    f.grid->SetColumns(3, widths);
    f.grid->SetHeaderText(QStringLiteral("Направление\tЛампа\tФаза"));
    f.grid->SetColumnTip(2, QStringLiteral("Номер фазы"));
    f.Show();
    Move(f.View(), QPoint(10, 8));
    EXPECT_TRUE(f.grid->TipShown());
    EXPECT_EQ(f.grid->TipColumn(), 0);
    // Resting there, the pointer brings up Qt's own tool tip.
    EXPECT_TRUE(PumpUntil([] { return QToolTip::isVisible(); }, 3000));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Направление"));
    Move(f.View(), QPoint(100, 8)); // the title fits
    EXPECT_FALSE(f.grid->TipShown());
    Move(f.View(), QPoint(250, 8));
    EXPECT_TRUE(f.grid->TipShown());
    EXPECT_EQ(f.grid->TipColumn(), 2);
    Move(f.View(), QPoint(250, 50)); // below the header
    EXPECT_FALSE(f.grid->TipShown());
    EXPECT_EQ(f.grid->TipColumn(), -1);
}

TEST(RecordListPaint, TitlesThatFitAreCentredOthersStartAtTheLeft)
{
    GridFixture f(QSize(300, 60));
    const int widths[] = {100, 40};
    f.grid->SetColumns(2, widths);
    f.grid->SetHeaderText(QStringLiteral("Фаза\tОчень длинный заголовок"));
    f.Show();
    const QImage image = f.View()->grab().toImage();
    auto inkSpan = [&](int x0, int x1) {
        int left = -1, right = -1;
        for (int x = x0; x < x1; ++x) {
            for (int y = 1; y < 16; ++y) {
                if (image.pixelColor(x, y).lightness() < 110) {
                    if (left < 0)
                        left = x;
                    right = x;
                }
            }
        }
        return std::make_pair(left, right);
    };
    const auto centred = inkSpan(0, 99);
    EXPECT_NEAR((centred.first + centred.second) / 2.0, 50.0, 3.0);
    const auto clipped = inkSpan(101, 140);
    EXPECT_LE(clipped.first, 104);
    EXPECT_GE(clipped.second, 130);
    EXPECT_LE(clipped.second, 137); // clipped 2 pixels before the divider
}

TEST(RecordListPaint, ResizeDragShowsAnInvertedLine)
{
    GridFixture f(QSize(300, 100));
    const int widths[] = {60, 60};
    f.grid->SetColumns(2, widths);
    f.grid->AddRow(QStringLiteral("a\tb"));
    f.Show();
    Press(f.View(), QPoint(60, 8));
    Move(f.View(), QPoint(150, 8));
    Flush();
    const QImage image = f.View()->grab().toImage();
    // White xor-ed into the even row's colour, over the whole height.
    const QColor row(224, 228, 216);
    EXPECT_EQ(image.pixelColor(150, 25), QColor(255 - row.red(), 255 - row.green(), 255 - row.blue()));
    EXPECT_EQ(image.pixelColor(150, 50).rgb() & 0xFFFFFF, ~QColor(248, 252, 240).rgb() & 0xFFFFFF); // an odd stripe
    EXPECT_EQ(image.pixelColor(151, 25), row);
    Release(f.View(), QPoint(150, 8));
    EXPECT_EQ(f.grid->GetColumnWidth(0), 150);
    Flush();
    EXPECT_EQ(f.View()->grab().toImage().pixelColor(151, 25), row);
}
