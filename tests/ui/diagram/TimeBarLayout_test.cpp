// The time-bar and week-bar layouts: what rows, bars, bands, ticks and marks a known junction
// gives, where they are placed, what a hover finds, and the colours the painter puts there.

#include "diagram/TimeBarLayout.h"
#include "diagram/TimeBarPainter.h"
#include "diagram/WeekBarLayout.h"
#include "diagram/WeekBarPainter.h"

#include "config/DemoJunction.h"
#include "plan/ConfigurationCheck.h"
#include "ui/diagram/DiagramTestSupport.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vlk {
namespace {

using test::SmallJunction;

struct Bar {
    Signal signal;
    int start;
    int length;
    bool operator==(const Bar&) const = default;
};

std::vector<Bar> Bars(const TimeBarRow& row)
{
    std::vector<Bar> bars;
    for (const TimeBarSpan& s : row.spans)
        bars.push_back({s.signal, s.start, s.length});
    return bars;
}

QFontMetricsF Metrics()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return QFontMetricsF(font);
}

TEST(TimeBarLayout, RowsAndBarsOfASmallJunctionInSeconds)
{
    const TimeBarLayout layout = TimeBarLayout::Of(SmallJunction(), 1);
    EXPECT_EQ(layout.CycleLength(), 40);
    EXPECT_FALSE(layout.Empty());
    // Directions 3 and 4 take part in no phase: no row.
    ASSERT_EQ(layout.Rows().size(), 3u);
    EXPECT_EQ(layout.Rows()[0].direction, 1);
    EXPECT_EQ(layout.Rows()[1].direction, 2);
    EXPECT_EQ(layout.Rows()[2].direction, 5);

    using S = Signal;
    EXPECT_EQ(Bars(layout.Rows()[0]), (std::vector<Bar>{{S::Green, 0, 12},
                                                        {S::GreenFlashing, 12, 3},
                                                        {S::Yellow, 15, 3},
                                                        {S::Red, 18, 21},
                                                        {S::RedYellow, 39, 1}}));
    EXPECT_EQ(Bars(layout.Rows()[1]), (std::vector<Bar>{{S::Red, 0, 20},
                                                        {S::RedYellow, 20, 1},
                                                        {S::Green, 21, 10},
                                                        {S::GreenFlashing, 31, 3},
                                                        {S::Yellow, 34, 3},
                                                        {S::Red, 37, 3}}));
    // No steps: straight from red to green and back.
    EXPECT_EQ(Bars(layout.Rows()[2]), (std::vector<Bar>{{S::Red, 0, 21}, {S::Green, 21, 8}, {S::Red, 29, 11}}));

    ASSERT_EQ(layout.Bands().size(), 4u);
    const int expected[4][4] = {{1, 0, 0, 10}, {1, 2, 10, 11}, {2, 0, 21, 8}, {2, 1, 29, 11}};
    for (int i = 0; i < 4; ++i) {
        const TimeBarBand& band = layout.Bands()[static_cast<std::size_t>(i)];
        EXPECT_EQ(band.phase, expected[i][0]) << i;
        EXPECT_EQ(band.target, expected[i][1]) << i;
        EXPECT_EQ(band.start, expected[i][2]) << i;
        EXPECT_EQ(band.length, expected[i][3]) << i;
    }
}

TEST(TimeBarLayout, DemoJunctionMainStreetAndCrossing)
{
    const TimeBarLayout layout = TimeBarLayout::Of(DemoJunction(), 1);
    EXPECT_EQ(layout.CycleLength(), 99);
    ASSERT_EQ(layout.Rows().size(), 8u);
    using S = Signal;
    EXPECT_EQ(Bars(layout.Rows()[0]), (std::vector<Bar>{{S::Green, 0, 33},
                                                        {S::GreenFlashing, 33, 3},
                                                        {S::Yellow, 36, 3},
                                                        {S::Red, 39, 58},
                                                        {S::RedYellow, 97, 2}}));
    // Crossing 7: flashing from 30 to 34, no yellow.
    EXPECT_EQ(Bars(layout.Rows()[6]), (std::vector<Bar>{{S::Green, 0, 30}, {S::GreenFlashing, 30, 4}, {S::Red, 34, 65}}));
}

TEST(TimeBarLayout, ProgramThatDoesNotRunHasRowsButNoBars)
{
    const TimeBarLayout layout = TimeBarLayout::Of(SmallJunction(), 4);
    EXPECT_TRUE(layout.Empty());
    EXPECT_TRUE(layout.Bands().empty());
    EXPECT_EQ(layout.EmptyText(),
              QString::fromUtf8("Программа 4 не работает: все длительности фаз равны 0, контроллер мигает жёлтым"));
    TimeBarLayout placed = layout;
    placed.Place(QRectF(0, 0, 600, 300), Metrics());
    EXPECT_TRUE(placed.Ticks().empty());
    EXPECT_EQ(placed.HitTest(QPointF(300, 150)).row, -1);
}

TEST(TimeBarLayout, FindingsOfTheCycleMarkedOnBothDirections)
{
    const Configuration c = SmallJunction();
    const TimeBarLayout layout = TimeBarLayout::Of(c, 1, ConfigurationCheck(c));
    // Only the inter-green and the conflict; output and step findings are not drawn.
    ASSERT_EQ(layout.Findings().size(), 2u);
    struct M {
        std::string rule;
        int direction, start, length;
        bool operator==(const M&) const = default;
    };
    std::vector<M> marks;
    for (const TimeBarMark& m : layout.Marks())
        marks.push_back({layout.Findings()[static_cast<std::size_t>(m.finding)].rule,
                         layout.Rows()[static_cast<std::size_t>(m.row)].direction, m.start, m.length});
    // The conflict 2/5 from second 21 for 8 s; the inter-green 1→2 from 1's green end (15) to 2's green (21).
    EXPECT_EQ(marks, (std::vector<M>{{"conflicting-greens", 2, 21, 8},
                                     {"conflicting-greens", 5, 21, 8},
                                     {"intergreen", 1, 15, 6},
                                     {"intergreen", 2, 15, 6}}));
}

TEST(TimeBarLayout, MarksWrapOverTheCycleEndAndOthersAreLeftOut)
{
    Finding wraps;
    wraps.rule = "intergreen";
    wraps.program = 1;
    wraps.directions = {2, 1};
    wraps.second = 2;
    wraps.measured = 6; // from second 36 of the cycle before
    Finding otherProgram = wraps;
    otherProgram.program = 2;
    Finding atSwitchPoint = wraps;
    atSwitchPoint.second.reset();
    atSwitchPoint.day = 0;
    atSwitchPoint.minute = 360;
    Finding otherRule = wraps;
    otherRule.rule = "min-green";

    const TimeBarLayout layout = TimeBarLayout::Of(SmallJunction(), 1, {otherProgram, wraps, atSwitchPoint, otherRule});
    ASSERT_EQ(layout.Findings().size(), 1u);
    ASSERT_EQ(layout.Marks().size(), 4u);
    for (const TimeBarMark& m : layout.Marks())
        EXPECT_EQ(m.finding, 0);
    // Row 0 is direction 1, row 1 direction 2: each gets [36, 40) and [0, 2).
    EXPECT_EQ(layout.Marks()[0].row, 0);
    EXPECT_EQ(layout.Marks()[0].start, 36);
    EXPECT_EQ(layout.Marks()[0].length, 4);
    EXPECT_EQ(layout.Marks()[1].row, 0);
    EXPECT_EQ(layout.Marks()[1].start, 0);
    EXPECT_EQ(layout.Marks()[1].length, 2);
    EXPECT_EQ(layout.Marks()[2].row, 1);
    EXPECT_EQ(layout.Marks()[3].row, 1);
}

TEST(TimeBarLayout, PlacedBarsTileEachRowAndAgreeWithTheHitTest)
{
    const Configuration c = SmallJunction();
    TimeBarLayout layout = TimeBarLayout::Of(c, 1, ConfigurationCheck(c));
    const QRectF area(10, 20, 900, 300);
    layout.Place(area, Metrics());
    const QRectF plot = layout.Plot();
    EXPECT_TRUE(area.contains(plot));
    EXPECT_DOUBLE_EQ(layout.X(0), plot.left());
    EXPECT_DOUBLE_EQ(layout.X(40), plot.right());

    double lastBottom = plot.top();
    for (const TimeBarRow& row : layout.Rows()) {
        EXPECT_DOUBLE_EQ(row.rect.top(), lastBottom);
        lastBottom = row.rect.bottom();
        EXPECT_LT(row.label.right(), plot.left());
        double x = plot.left();
        for (const TimeBarSpan& span : row.spans) {
            EXPECT_NEAR(span.rect.left(), x, 1e-9);
            x = span.rect.right();
            EXPECT_GT(span.rect.top(), row.rect.top());
            EXPECT_LT(span.rect.bottom(), row.rect.bottom());
        }
        EXPECT_NEAR(x, plot.right(), 1e-9);
    }
    // Bands above the rows, the axis below.
    for (const TimeBarBand& band : layout.Bands())
        EXPECT_LE(band.rect.bottom(), plot.top());
    EXPECT_GE(layout.Axis().top(), plot.bottom());

    // The middle of direction 5's green: no mark there after second 29.
    const TimeBarSpan& green = layout.Rows()[2].spans[1];
    const TimeBarHit onGreen = layout.HitTest(green.rect.center());
    EXPECT_EQ(onGreen.row, 2);
    EXPECT_EQ(onGreen.span, 1);
    EXPECT_EQ(onGreen.mark, 1); // the conflict's mark on direction 5's row
    EXPECT_EQ(layout.HoverText(onGreen),
              QString::fromUtf8("Направление 5: зелёный\nНачало: 21 с, длительность: 8 с\n"
                                "Программа 1, фаза 2 (секунда цикла 21): направления 2 и 5 зелёные вместе, "
                                "а между ними межзелёный интервал 3 с"));
    // Direction 1's red at second 30 has no finding.
    const TimeBarHit onRed = layout.HitTest(QPointF(layout.X(30.5), layout.Rows()[0].rect.center().y()));
    EXPECT_EQ(onRed.span, 3);
    EXPECT_EQ(onRed.mark, -1);
    EXPECT_EQ(layout.HoverText(onRed), QString::fromUtf8("Направление 1: красный\nНачало: 18 с, длительность: 21 с"));
    // Outside the bars, left of them (the labels) or below (the axis): nothing.
    EXPECT_EQ(layout.HitTest(QPointF(plot.left() - 1, plot.top() + 1)).row, -1);
    EXPECT_EQ(layout.HitTest(QPointF(plot.center().x(), plot.bottom() + 1)).row, -1);
    EXPECT_TRUE(layout.HoverText(layout.HitTest(QPointF(0, 0))).isEmpty());
}

TEST(TimeBarLayout, AxisLabelsEveryFiveOrTenSecondsAsTheRoomAllows)
{
    const auto labels = [](const TimeBarLayout& layout) {
        QStringList texts;
        for (const TimeBarTick& t : layout.Ticks())
            if (t.labelled)
                texts << t.text;
        return texts.join(QLatin1Char(' '));
    };
    TimeBarLayout wide = TimeBarLayout::Of(SmallJunction(), 1);
    wide.Place(QRectF(0, 0, 900, 200), Metrics());
    EXPECT_EQ(labels(wide), QString::fromUtf8("0 5 10 15 20 25 30 35 40 с"));
    // A tick every second, the end included.
    EXPECT_EQ(wide.Ticks().size(), 41u);
    EXPECT_EQ(wide.Bands()[0].text, QString::fromUtf8("Фаза 1"));
    EXPECT_EQ(wide.Bands()[1].text, QString::fromUtf8("1→2"));

    // About 4 px a second: 5 s give no room for a label of three digits, 10 s do.
    TimeBarLayout narrow = TimeBarLayout::Of(SmallJunction(), 1);
    narrow.Place(QRectF(0, 0, 220, 200), Metrics());
    ASSERT_GT(narrow.SecondWidth(), 3.0);
    ASSERT_LT(narrow.SecondWidth(), 5.0);
    EXPECT_EQ(labels(narrow), QString::fromUtf8("0 10 20 30 40 с"));
    // The phase's own band of 8 s is too narrow for "Фаза 2" and shows its number.
    EXPECT_EQ(narrow.Bands()[2].text, QString::fromUtf8("2"));
}

TEST(TimeBarPainter, BarsInTheSignalColours)
{
    TimeBarLayout layout = TimeBarLayout::Of(SmallJunction(), 1);
    QImage image(900, 260, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        TimeBarPainter::Paint(painter, layout, QRectF(0, 0, 900, 260), font);
    }
    const auto at = [&](const TimeBarSpan& span, double fx, double fy) {
        const QRectF& r = span.rect;
        return QColor(image.pixel(QPoint(int(r.left() + r.width() * fx), int(r.top() + r.height() * fy))));
    };
    const auto& d1 = layout.Rows()[0].spans;
    EXPECT_EQ(at(d1[0], 0.5, 0.5), QColor(0x00, 0xA0, 0x30)); // green
    EXPECT_EQ(at(d1[2], 0.5, 0.5), QColor(0xF5, 0xC0, 0x00)); // yellow
    EXPECT_EQ(at(d1[3], 0.5, 0.5), QColor(0xE0, 0x10, 0x10)); // red
    // Red-yellow: red above, yellow below.
    const auto& d2 = layout.Rows()[1].spans;
    EXPECT_EQ(at(d2[1], 0.5, 0.25), QColor(0xE0, 0x10, 0x10));
    EXPECT_EQ(at(d2[1], 0.5, 0.75), QColor(0xF5, 0xC0, 0x00));
    // Flashing green is hatched: both the pale ground and the green lines show inside it.
    bool pale = false;
    bool lines = false;
    const QRect hatched = d1[1].rect.toRect().adjusted(2, 2, -2, -2);
    for (int y = hatched.top(); y <= hatched.bottom(); ++y)
        for (int x = hatched.left(); x <= hatched.right(); ++x) {
            const QColor p(image.pixel(x, y));
            pale = pale || p == QColor(0xCC, 0xF0, 0xD4);
            lines = lines || p == QColor(0x00, 0xA0, 0x30);
        }
    EXPECT_TRUE(pale);
    EXPECT_TRUE(lines);
}

TEST(TimeBarPainter, PrintTextIsNeverBelowSevenPoints)
{
    TimeBarLayout layout = TimeBarLayout::Of(SmallJunction(), 1);
    QFont tiny(QStringLiteral("DejaVu Sans"));
    tiny.setPointSizeF(5);
    EXPECT_DOUBLE_EQ(TimeBarPainter::Readable(tiny).pointSizeF(), 7.0);
    tiny.setPointSizeF(9);
    EXPECT_DOUBLE_EQ(TimeBarPainter::Readable(tiny).pointSizeF(), 9.0);

    // On a 1200 dpi PDF the same layout, placed in device units, keeps its proportions.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(1200);
        QPainter painter(&writer);
        const QRectF page(0, 0, writer.width(), writer.height() / 3.0);
        const QFont before = painter.font();
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(6);
        TimeBarPainter::Paint(painter, layout, page, font);
        EXPECT_EQ(painter.font(), before); // the painter is left as it was
        EXPECT_NEAR(layout.X(40) - layout.X(0), layout.Plot().width(), 1e-6);
        // A tall page gives rows of two text lines: lines of the 7 pt font, not of the 6 pt one.
        QFont seven(QStringLiteral("DejaVu Sans"));
        seven.setPointSizeF(7);
        EXPECT_NEAR(layout.Rows()[0].rect.height(), 2 * QFontMetricsF(seven, &writer).height(), 1e-6);
    }
    EXPECT_TRUE(pdf.data().startsWith("%PDF"));
}

TEST(WeekBarLayout, DemoWeekAsSpansOfTheProgramInForce)
{
    WeekBarLayout week = WeekBarLayout::Of(DemoJunction());
    week.Place(QRectF(0, 0, 400, 200), Metrics());
    QStringList monday;
    QStringList saturday;
    for (int i = 0; i < static_cast<int>(week.Spans().size()); ++i) {
        const WeekBarSpan& s = week.Spans()[static_cast<std::size_t>(i)];
        if (s.day == 0)
            monday << week.HoverText(i);
        if (s.day == 5)
            saturday << week.HoverText(i);
    }
    // Monday morning continues Sunday's last switch point (22:00, night).
    EXPECT_EQ(monday.join(QLatin1Char('|')),
              QString::fromUtf8("ПН 00:00–06:00: программа 3|ПН 06:00–07:30: программа 1|ПН 07:30–09:30: программа 2|"
                                "ПН 09:30–16:30: программа 1|ПН 16:30–19:30: программа 2|ПН 19:30–22:30: программа 1|"
                                "ПН 22:30–24:00: программа 3"));
    EXPECT_EQ(saturday.join(QLatin1Char('|')),
              QString::fromUtf8("СБ 00:00–07:00: жёлтое мигание|СБ 07:00–09:00: программа 3|"
                                "СБ 09:00–22:00: программа 1|СБ 22:00–24:00: программа 3"));

    // Bars lie in their day's row, spans of a day tile 0..24 h, and the hit test finds them.
    for (int i = 0; i < static_cast<int>(week.Spans().size()); ++i) {
        const WeekBarSpan& s = week.Spans()[static_cast<std::size_t>(i)];
        EXPECT_TRUE(week.DayRow(s.day).contains(s.rect.center()));
        EXPECT_EQ(week.HitTest(s.rect.center()), i);
    }
    EXPECT_EQ(week.HitTest(QPointF(week.Plot().left() - 2, week.DayRow(0).center().y())), -1);
    const WeekBarSpan& yellow = week.Spans()[static_cast<std::size_t>(week.HitTest(
        QPointF(week.Plot().left() + week.Plot().width() * 3 / 24, week.DayRow(5).center().y())))];
    EXPECT_EQ(yellow.program, kYellowMode);
    EXPECT_EQ(yellow.text, QString::fromUtf8("Ж"));
    QStringList hours;
    for (const WeekBarTick& t : week.Ticks())
        if (t.labelled)
            hours << QString::number(t.hour);
    EXPECT_EQ(hours.join(QLatin1Char(' ')), QString::fromUtf8("0 2 4 6 8 10 12 14 16 18 20 22 24"));
}

TEST(WeekBarLayout, EmptyWeekRunsProgramOneAllWeek)
{
    // A fresh start: program 1 all week, but without a phase, so the controller flashes yellow
    // and the bars are hatched as the yellow mode.
    WeekBarLayout week = WeekBarLayout::Of(Configuration::FreshStart());
    ASSERT_EQ(week.Spans().size(), 7u);
    week.Place(QRectF(0, 0, 700, 200), Metrics());
    EXPECT_EQ(week.HoverText(6), QString::fromUtf8("ВС 00:00–24:00: программа 1 без фаз: жёлтое мигание"));
    EXPECT_TRUE(week.Spans()[3].flashes);
    const auto paint = [](WeekBarLayout& layout) {
        QImage image(700, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        WeekBarPainter::Paint(painter, layout, QRectF(0, 0, 700, 200), font);
        return image;
    };
    QImage image = paint(week);
    QRectF bar = week.Spans()[3].rect;
    bool hatch = false;
    for (int x = int(bar.left()) + 2; x < int(bar.right()) - 2 && !hatch; ++x)
        hatch = QColor(image.pixel(QPoint(x, int(bar.center().y())))) == QColor(0xF5, 0xC0, 0x00);
    EXPECT_TRUE(hatch);

    // Once program 1 has a phase, its own colour.
    Configuration c = Configuration::FreshStart();
    c.programDuration[0][0] = 20;
    week = WeekBarLayout::Of(c);
    EXPECT_FALSE(week.Spans()[3].flashes);
    image = paint(week);
    bar = week.Spans()[3].rect;
    EXPECT_EQ(QColor(image.pixel(QPoint(int(bar.left() + bar.width() / 4), int(bar.center().y())))),
              QColor(0x8E, 0xC6, 0xFF));
    EXPECT_EQ(week.HoverText(6), QString::fromUtf8("ВС 00:00–24:00: программа 1"));
}

} // namespace
} // namespace vlk
