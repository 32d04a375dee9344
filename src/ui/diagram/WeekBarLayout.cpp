#include "diagram/WeekBarLayout.h"

#include "plan/ConfigurationCheck.h"
#include "plan/SignalModel.h"

#include <algorithm>

namespace vlk {

namespace {

constexpr double kRowLines = 1.4;
constexpr double kAxisLines = 1.6;

QString ProgramText(int program) { return program == kYellowMode ? QStringLiteral("Ж") : QString::number(program); }

QString SlotTime(int slot) { return QString::fromStdString(CheckTime(slot * 30)); }

} // namespace

WeekBarLayout WeekBarLayout::Of(const Configuration& configuration)
{
    WeekBarLayout layout;
    for (const WeekSpan& span : SignalModel::Week(configuration)) {
        // A program that cannot run leaves the controller flashing yellow, as the yellow mode does.
        const bool idle = span.program != kYellowMode && !SignalModel::ProgramRuns(configuration, span.program);
        layout.m_spans.push_back(WeekBarSpan{span.day, span.startSlot, span.endSlot, span.program,
                                             idle ? ProgramText(span.program) + QStringLiteral("→Ж")
                                                  : ProgramText(span.program),
                                             {}, span.program == kYellowMode || idle});
    }
    return layout;
}

double WeekBarLayout::PreferredHeight(const QFontMetricsF& metrics)
{
    return metrics.height() * (kRowLines * kDayCount + kAxisLines);
}

void WeekBarLayout::Place(const QRectF& area, const QFontMetricsF& metrics)
{
    const double line = metrics.height();
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("ПН")) + line * 0.8;
    const double endRoom = metrics.horizontalAdvance(QStringLiteral("24")) / 2 + line * 0.3;
    const double left = area.left() + labelWidth;
    const double width = std::max(0.0, area.right() - endRoom - left);
    const double rowHeight = std::min(std::max(0.0, area.height() - line * kAxisLines) / kDayCount, line * 2);
    const double slotWidth = width / kSlotCount;

    m_plot = QRectF(left, area.top(), width, rowHeight * kDayCount);
    m_axis = QRectF(left, m_plot.bottom(), width, line * kAxisLines);
    for (int d = 0; d < kDayCount; ++d) {
        m_rows[static_cast<std::size_t>(d)] = QRectF(left, area.top() + d * rowHeight, width, rowHeight);
        m_labels[static_cast<std::size_t>(d)] =
            QRectF(area.left(), area.top() + d * rowHeight, labelWidth - line * 0.4, rowHeight);
    }
    const double inset = rowHeight * 0.12;
    for (WeekBarSpan& span : m_spans) {
        const QRectF& row = m_rows[static_cast<std::size_t>(span.day)];
        span.rect = QRectF(left + span.startSlot * slotWidth, row.top() + inset,
                           (span.endSlot - span.startSlot) * slotWidth, row.height() - 2 * inset);
        const QString text = span.flashes && span.program != kYellowMode
                                  ? ProgramText(span.program) + QStringLiteral("→Ж")
                                  : ProgramText(span.program);
        span.text = metrics.horizontalAdvance(text) + line * 0.2 <= span.rect.width() ? text : QString();
    }
    // An hour label every 1, 2, 3 or 6 hours, as the room allows.
    const double hourWidth = 2 * slotWidth;
    const double labelRoom = metrics.horizontalAdvance(QStringLiteral("00")) + line * 0.5;
    int step = 6;
    for (int candidate : {1, 2, 3, 6}) {
        if (candidate * hourWidth >= labelRoom) {
            step = candidate;
            break;
        }
    }
    m_ticks.clear();
    for (int h = 0; h <= 24; ++h)
        m_ticks.push_back(WeekBarTick{h, left + h * hourWidth, h % step == 0});
}

int WeekBarLayout::HitTest(QPointF point) const
{
    for (std::size_t i = 0; i < m_spans.size(); ++i) {
        const QRectF& row = m_rows[static_cast<std::size_t>(m_spans[i].day)];
        const QRectF& bar = m_spans[i].rect;
        // The whole height of the day's row counts, not only the bar inside it.
        if (point.y() >= row.top() && point.y() < row.bottom() && point.x() >= bar.left() && point.x() < bar.right())
            return static_cast<int>(i);
    }
    return -1;
}

QString WeekBarLayout::HoverText(int span) const
{
    if (span < 0 || span >= static_cast<int>(m_spans.size()))
        return {};
    const WeekBarSpan& s = m_spans[static_cast<std::size_t>(span)];
    const QString what = s.program == kYellowMode ? QStringLiteral("жёлтое мигание")
                         : s.flashes ? QStringLiteral("программа %1 без фаз: жёлтое мигание").arg(s.program)
                                     : QStringLiteral("программа %1").arg(s.program);
    return QStringLiteral("%1 %2–%3: %4")
        .arg(QString::fromUtf8(CheckDayName(s.day).data(), static_cast<qsizetype>(CheckDayName(s.day).size())))
        .arg(SlotTime(s.startSlot), SlotTime(s.endSlot), what);
}

} // namespace vlk
