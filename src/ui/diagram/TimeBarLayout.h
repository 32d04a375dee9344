#pragma once

#include "config/Configuration.h"
#include "plan/ConfigurationCheck.h"
#include "plan/ProgramCycle.h"
#include "plan/Signal.h"

#include <QFontMetricsF>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

namespace vlk {

// One bar of a row: a span of constant signal, seconds [start, start + length) of the cycle.
struct TimeBarSpan {
    Signal signal = Signal::Dark;
    int start = 0;
    int length = 0;
    QRectF rect; // the bar; a dark span has its place but nothing is drawn there
};

// One row per direction that takes part in some phase.
struct TimeBarRow {
    int direction = 0; // 1..24
    std::vector<TimeBarSpan> spans;
    QRectF rect;  // the whole row, label excluded
    QRectF label; // where its number is written
};

// A phase's own time (target 0) or a change between two phases, as a labelled band above the rows.
struct TimeBarBand {
    int phase = 0;
    int target = 0;
    int start = 0;
    int length = 0;
    QString text; // "Фаза 1" (or "1" where that does not fit), "1→2"
    QRectF rect;
};

// A second of the axis: a tick at every second (every fifth one on a crowded axis), a label
// every 5 or 10 s as the room allows (further apart only on very long cycles).
struct TimeBarTick {
    int second = 0;
    double x = 0;
    bool labelled = false;
    QString text;
};

// A finding of the check drawn on the bars: an inter-green time too short ("intergreen": from
// the end of r's green to the start of c's) or two conflicting directions green together
// ("conflicting-greens"). One mark per row and piece (a piece wraps over the cycle's end).
struct TimeBarMark {
    int finding = 0;   // index into the findings given to Of()
    int row = 0;       // index into Rows()
    int start = 0;     // second of the cycle
    int length = 0;
    QRectF rect;
};

// What lies under a point: a row's span, and the mark there if any.
struct TimeBarHit {
    int row = -1;
    int span = -1;
    int mark = -1;
};

// The time-bar diagram of one program, as pure arithmetic (no widget): built in seconds from the
// core's signal model (ProgramCycle) and the check's findings, then placed into a rectangle with
// a font's metrics. The painter (TimeBarPainter.h) draws exactly what this holds, and the page's
// tool tips ask HitTest, so what is drawn and what is hovered never disagree.
class TimeBarLayout {
public:
    // The rows, spans, bands and marks in seconds; geometry is empty until Place().
    // Findings of other programs, of switch points (no cycle second) and of other rules are left out.
    [[nodiscard]] static TimeBarLayout Of(const Configuration& configuration, int program,
                                          const std::vector<Finding>& findings = {});

    // Lays the diagram out in `area` (device units of the painter it will be drawn with) for
    // text of `metrics`: row labels at the left, phase bands on top, the axis at the bottom.
    // Rows take at most two text lines each; a taller area leaves room below.
    void Place(const QRectF& area, const QFontMetricsF& metrics);
    // The height the diagram wants for its rows at that text size.
    [[nodiscard]] static double PreferredHeight(int rows, const QFontMetricsF& metrics);

    [[nodiscard]] int Program() const { return m_program; }
    [[nodiscard]] int CycleLength() const { return m_length; }
    // The program does not run (all its durations 0): there is nothing to draw but a note.
    [[nodiscard]] bool Empty() const { return m_length == 0; }
    [[nodiscard]] const std::vector<TimeBarRow>& Rows() const { return m_rows; }
    [[nodiscard]] const std::vector<TimeBarBand>& Bands() const { return m_bands; }
    [[nodiscard]] const std::vector<TimeBarTick>& Ticks() const { return m_ticks; }
    [[nodiscard]] const std::vector<TimeBarMark>& Marks() const { return m_marks; }
    [[nodiscard]] const std::vector<Finding>& Findings() const { return m_findings; }
    [[nodiscard]] const QRectF& Area() const { return m_area; }
    [[nodiscard]] const QRectF& Plot() const { return m_plot; }   // the bars' seconds 0..length
    [[nodiscard]] const QRectF& Axis() const { return m_axis; }   // ticks and their labels
    [[nodiscard]] const QRectF& Header() const { return m_header; } // over the row labels, beside the bands
    [[nodiscard]] double SecondWidth() const { return m_secondWidth; }
    // x of a second of the cycle (0..length) in the placed diagram.
    [[nodiscard]] double X(double second) const { return m_plot.left() + second * m_secondWidth; }

    // The phase the controller reports while this program runs: its band is marked. 0 marks none.
    void SetReportedPhase(int phase) { m_reportedPhase = phase; }
    [[nodiscard]] int ReportedPhase() const { return m_reportedPhase; }

    [[nodiscard]] TimeBarHit HitTest(QPointF point) const;
    // The tool tip for a hit: direction, signal, start and length in seconds, and the finding
    // marked there. Empty when nothing is hit.
    [[nodiscard]] QString HoverText(const TimeBarHit& hit) const;
    [[nodiscard]] QString EmptyText() const;

private:
    int m_program = 0;
    int m_length = 0;
    int m_reportedPhase = 0;
    std::vector<TimeBarRow> m_rows;
    std::vector<TimeBarBand> m_bands;
    std::vector<TimeBarTick> m_ticks;
    std::vector<TimeBarMark> m_marks;
    std::vector<Finding> m_findings;
    QRectF m_area;
    QRectF m_plot;
    QRectF m_axis;
    QRectF m_header;
    double m_secondWidth = 0;
};

// The Russian name of a signal for texts: "красный", "зелёный мигающий", "не горит".
[[nodiscard]] QString SignalName(Signal signal);

} // namespace vlk
