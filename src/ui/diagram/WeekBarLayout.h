#pragma once

#include "config/Configuration.h"

#include <QFontMetricsF>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

namespace vlk {

// A stretch of one day in which one program (or the yellow mode) is in force: half-hours
// [startSlot, endSlot) of the day.
struct WeekBarSpan {
    int day = 0;       // 0 Monday .. 6 Sunday
    int startSlot = 0; // 0..47
    int endSlot = 0;   // 1..48
    int program = 0;   // 1..9, or kYellowMode
    QString text;      // "1".."9" or "Ж"; empty where it does not fit the bar
    QRectF rect;
    // The controller flashes yellow: the yellow mode, or a program without a phase of a duration
    // above 0 ("5→Ж"), drawn hatched as the yellow mode is.
    bool flashes = false;
};

struct WeekBarTick {
    int hour = 0;
    double x = 0;
    bool labelled = false;
};

// The week as seven bars of the program in force (SignalModel::Week: the same data as the
// schedules page, as spans rather than switch points), pure arithmetic like TimeBarLayout.
class WeekBarLayout {
public:
    [[nodiscard]] static WeekBarLayout Of(const Configuration& configuration);

    // Day names at the left, the bars, the hours 0..24 under them.
    void Place(const QRectF& area, const QFontMetricsF& metrics);
    [[nodiscard]] static double PreferredHeight(const QFontMetricsF& metrics);

    [[nodiscard]] const std::vector<WeekBarSpan>& Spans() const { return m_spans; }
    [[nodiscard]] const std::vector<WeekBarTick>& Ticks() const { return m_ticks; }
    // The day's row (bars and name), 0 Monday.
    [[nodiscard]] const QRectF& DayRow(int day) const { return m_rows[static_cast<std::size_t>(day)]; }
    [[nodiscard]] const QRectF& DayLabel(int day) const { return m_labels[static_cast<std::size_t>(day)]; }
    [[nodiscard]] const QRectF& Plot() const { return m_plot; }
    [[nodiscard]] const QRectF& Axis() const { return m_axis; }

    // The span under a point, or -1.
    [[nodiscard]] int HitTest(QPointF point) const;
    // "ПН 06:00–07:30: программа 1", "СБ 00:00–07:00: жёлтое мигание".
    [[nodiscard]] QString HoverText(int span) const;

private:
    std::vector<WeekBarSpan> m_spans;
    std::vector<WeekBarTick> m_ticks;
    std::vector<QRectF> m_rows = std::vector<QRectF>(kDayCount);
    std::vector<QRectF> m_labels = std::vector<QRectF>(kDayCount);
    QRectF m_plot;
    QRectF m_axis;
};

} // namespace vlk
