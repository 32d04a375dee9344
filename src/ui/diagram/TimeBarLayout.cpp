#include "diagram/TimeBarLayout.h"

#include "plan/SignalModel.h"

#include <algorithm>
#include <cmath>

namespace vlk {

namespace {

// Proportions of the diagram in text lines, so that it scales with the font on any device.
constexpr double kBandLines = 1.5;
constexpr double kBandGapLines = 0.3;
constexpr double kRowLines = 1.6;      // a row's preferred height
constexpr double kRowMostLines = 2.0;  // rows never grow beyond this in a tall area
constexpr double kTickLines = 0.5;
constexpr double kAxisLines = kTickLines + 1.3;

bool Marked(const Finding& f, int program)
{
    return f.program == program && f.second.has_value() && f.measured.has_value() && f.directions.size() == 2
           && (f.rule == "intergreen" || f.rule == "conflicting-greens");
}

QString PhaseText(int phase) { return QStringLiteral("Фаза %1").arg(phase); }
QString ChangeText(int from, int to) { return QStringLiteral("%1→%2").arg(from).arg(to); }

} // namespace

QString SignalName(Signal signal)
{
    switch (signal) {
    case Signal::Dark:
        return QStringLiteral("не горит");
    case Signal::Red:
        return QStringLiteral("красный");
    case Signal::RedYellow:
        return QStringLiteral("красный с жёлтым");
    case Signal::Green:
        return QStringLiteral("зелёный");
    case Signal::GreenFlashing:
        return QStringLiteral("зелёный мигающий");
    case Signal::Yellow:
        return QStringLiteral("жёлтый");
    case Signal::YellowFlashing:
        return QStringLiteral("жёлтый мигающий");
    }
    return {};
}

TimeBarLayout TimeBarLayout::Of(const Configuration& configuration, int program, const std::vector<Finding>& findings)
{
    TimeBarLayout layout;
    layout.m_program = program;
    if (program < 1 || program > kProgramCount)
        return layout;
    const ProgramCycle cycle = ProgramCycle::Of(configuration, program);
    layout.m_length = cycle.Length();
    for (int d = 1; d <= kDirectionCount; ++d) {
        if (!SignalModel::InUse(configuration, d))
            continue;
        TimeBarRow row;
        row.direction = d;
        if (!cycle.Empty())
            for (const SignalSpan& span : cycle.Spans(d))
                row.spans.push_back(TimeBarSpan{span.signal, span.start, span.length, {}});
        layout.m_rows.push_back(std::move(row));
    }
    if (cycle.Empty())
        return layout;
    for (const CyclePart& part : cycle.Parts())
        layout.m_bands.push_back(TimeBarBand{part.phase, part.target, part.start, part.length,
                                             part.IsChange() ? ChangeText(part.phase, part.target) : PhaseText(part.phase),
                                             {}});

    const int length = layout.m_length;
    for (const Finding& f : findings) {
        if (!Marked(f, program))
            continue;
        const int index = static_cast<int>(layout.m_findings.size());
        layout.m_findings.push_back(f);
        // An inter-green runs from the end of r's green up to c's green start; two greens
        // together from their common start on.
        const int measured = std::clamp(*f.measured, 0, length);
        int start = f.rule == "intergreen" ? *f.second - measured : *f.second;
        start = ((start % length) + length) % length;
        for (std::size_t r = 0; r < layout.m_rows.size(); ++r) {
            if (std::find(f.directions.begin(), f.directions.end(), layout.m_rows[r].direction) == f.directions.end())
                continue;
            const int first = std::min(measured, length - start);
            layout.m_marks.push_back(TimeBarMark{index, static_cast<int>(r), start, first, {}});
            if (measured > first)
                layout.m_marks.push_back(TimeBarMark{index, static_cast<int>(r), 0, measured - first, {}});
        }
    }
    return layout;
}

double TimeBarLayout::PreferredHeight(int rows, const QFontMetricsF& metrics)
{
    const double line = metrics.height();
    return line * (kBandLines + kBandGapLines + kRowLines * std::max(rows, 1) + kAxisLines);
}

void TimeBarLayout::Place(const QRectF& area, const QFontMetricsF& metrics)
{
    m_area = area;
    const double line = metrics.height();
    const double labelWidth = std::max(metrics.horizontalAdvance(QStringLiteral("Напр.")),
                                       metrics.horizontalAdvance(QStringLiteral("24")))
                              + line * 0.6;
    const QString endText = QStringLiteral("%1 с").arg(m_length);
    const double endRoom = metrics.horizontalAdvance(endText) / 2 + line * 0.3;
    const double bandHeight = line * kBandLines;
    const double axisHeight = line * kAxisLines;

    const double left = area.left() + labelWidth;
    const double width = std::max(0.0, area.right() - endRoom - left);
    const double rowsTop = area.top() + bandHeight + line * kBandGapLines;
    const double room = std::max(0.0, area.bottom() - axisHeight - rowsTop);
    const int rowCount = static_cast<int>(m_rows.size());
    const double rowHeight = rowCount > 0 ? std::min(room / rowCount, line * kRowMostLines) : 0.0;

    m_secondWidth = m_length > 0 ? width / m_length : 0.0;
    m_plot = QRectF(left, rowsTop, width, rowHeight * rowCount);
    m_axis = QRectF(left, m_plot.bottom(), width, axisHeight);
    m_header = QRectF(area.left(), area.top(), labelWidth, bandHeight);

    const double inset = rowHeight * 0.15;
    for (int r = 0; r < rowCount; ++r) {
        TimeBarRow& row = m_rows[static_cast<std::size_t>(r)];
        const double top = rowsTop + r * rowHeight;
        row.rect = QRectF(left, top, width, rowHeight);
        row.label = QRectF(area.left(), top, labelWidth - line * 0.3, rowHeight);
        for (TimeBarSpan& span : row.spans)
            span.rect = QRectF(X(span.start), top + inset, span.length * m_secondWidth, rowHeight - 2 * inset);
    }

    for (TimeBarBand& band : m_bands) {
        band.rect = QRectF(X(band.start), area.top(), band.length * m_secondWidth, bandHeight);
        const double fits = band.rect.width() - line * 0.3;
        if (band.target != 0)
            band.text = metrics.horizontalAdvance(ChangeText(band.phase, band.target)) <= fits
                            ? ChangeText(band.phase, band.target)
                            : QString();
        else if (metrics.horizontalAdvance(PhaseText(band.phase)) <= fits)
            band.text = PhaseText(band.phase);
        else
            band.text = metrics.horizontalAdvance(QString::number(band.phase)) <= fits ? QString::number(band.phase)
                                                                                          : QString();
    }

    for (TimeBarMark& mark : m_marks) {
        const QRectF& row = m_rows[static_cast<std::size_t>(mark.row)].rect;
        // An inter-green of 0 s still shows, as a thin mark at the second.
        const double w = std::max(mark.length * m_secondWidth, line * 0.25);
        const double x = mark.length > 0 ? X(mark.start) : X(mark.start) - w / 2;
        mark.rect = QRectF(x, row.top(), w, row.height());
    }

    m_ticks.clear();
    if (m_length == 0)
        return;
    // Labels 5 or 10 s apart where they fit side by side, further apart only when they must.
    const double labelRoom = metrics.horizontalAdvance(QStringLiteral("000")) + line * 0.5;
    int step = 5;
    for (int candidate : {5, 10, 20, 30, 60, 120, 300, 600}) {
        step = candidate;
        if (candidate * m_secondWidth >= labelRoom)
            break;
    }
    // A tick each second where they stay apart, else every fifth.
    const int tickStep = m_secondWidth >= line * 0.2 ? 1 : 5;
    for (int s = 0; s < m_length; s += tickStep) {
        TimeBarTick tick{s, X(s), false, {}};
        // The cycle's end carries its own label; a regular one too close to it gives way.
        if (s % step == 0 && (m_length - s) * m_secondWidth >= labelRoom) {
            tick.labelled = true;
            tick.text = QString::number(s);
        }
        m_ticks.push_back(tick);
    }
    m_ticks.push_back(TimeBarTick{m_length, X(m_length), true, endText});
}

TimeBarHit TimeBarLayout::HitTest(QPointF point) const
{
    TimeBarHit hit;
    if (m_length == 0 || point.x() < m_plot.left() || point.x() >= m_plot.right())
        return hit;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const TimeBarRow& row = m_rows[r];
        if (point.y() < row.rect.top() || point.y() >= row.rect.bottom())
            continue;
        hit.row = static_cast<int>(r);
        const double second = (point.x() - m_plot.left()) / m_secondWidth;
        for (std::size_t s = 0; s < row.spans.size(); ++s)
            if (second >= row.spans[s].start && second < row.spans[s].start + row.spans[s].length)
                hit.span = static_cast<int>(s);
        for (std::size_t m = 0; m < m_marks.size(); ++m)
            if (m_marks[m].row == hit.row && m_marks[m].rect.contains(point)) {
                hit.mark = static_cast<int>(m);
                break;
            }
        break;
    }
    return hit;
}

QString TimeBarLayout::HoverText(const TimeBarHit& hit) const
{
    if (hit.row < 0 || hit.span < 0)
        return {};
    const TimeBarRow& row = m_rows[static_cast<std::size_t>(hit.row)];
    const TimeBarSpan& span = row.spans[static_cast<std::size_t>(hit.span)];
    QString text = QStringLiteral("Направление %1: %2\nНачало: %3 с, длительность: %4 с")
                       .arg(row.direction)
                       .arg(SignalName(span.signal))
                       .arg(span.start)
                       .arg(span.length);
    if (hit.mark >= 0) {
        const Finding& f = m_findings[static_cast<std::size_t>(m_marks[static_cast<std::size_t>(hit.mark)].finding)];
        text += QStringLiteral("\n") + QString::fromStdString(f.message);
    }
    return text;
}

QString TimeBarLayout::EmptyText() const
{
    return QStringLiteral("Программа %1 не работает: все длительности фаз равны 0, контроллер мигает жёлтым")
        .arg(m_program);
}

} // namespace vlk
