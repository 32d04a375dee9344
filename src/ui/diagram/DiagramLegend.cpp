#include "diagram/DiagramLegend.h"

#include "diagram/TimeBarPainter.h"
#include "diagram/WeekBarPainter.h"
#include "plan/Signal.h"

#include <QPainter>

#include <algorithm>

namespace vlk {

namespace {

const QColor kOutline(0x40, 0x40, 0x40);
const QColor kMark(0xA0, 0x00, 0x00);

} // namespace

std::vector<DiagramLegend::Entry> DiagramLegend::Signals()
{
    using L = Entry::Look;
    return {
        {L::Signal, static_cast<int>(Signal::Red), QStringLiteral("красный")},
        {L::Signal, static_cast<int>(Signal::RedYellow), QStringLiteral("красный с жёлтым")},
        {L::Signal, static_cast<int>(Signal::Green), QStringLiteral("зелёный")},
        {L::Signal, static_cast<int>(Signal::GreenFlashing), QStringLiteral("зелёный мигающий")},
        {L::Signal, static_cast<int>(Signal::Yellow), QStringLiteral("жёлтый")},
        {L::Signal, static_cast<int>(Signal::YellowFlashing), QStringLiteral("жёлтое мигание")},
        {L::Mark, 0, QStringLiteral("находка проверки")},
    };
}

std::vector<DiagramLegend::Entry> DiagramLegend::Week()
{
    std::vector<Entry> entries;
    for (int program = 1; program <= kProgramCount; ++program)
        entries.push_back({Entry::Look::Program, program, QStringLiteral("программа %1").arg(program)});
    entries.push_back({Entry::Look::Program, kYellowMode,
                       QStringLiteral("Ж — жёлтое мигание, и программа без фаз («5→Ж»)")});
    return entries;
}

double DiagramLegend::Place(const std::vector<Entry>& entries, const QRectF& rect, const QFontMetricsF& metrics,
                            std::vector<QRectF>* samples)
{
    const double line = metrics.height();
    const double sampleWidth = line * 2;
    const double gap = line;
    double x = rect.left();
    double y = rect.top();
    for (const Entry& entry : entries) {
        const double width = sampleWidth + line * 0.4 + metrics.horizontalAdvance(entry.text);
        if (x > rect.left() && x + width > rect.right()) {
            x = rect.left();
            y += line * 1.5;
        }
        if (samples)
            samples->push_back(QRectF(x, y + line * 0.15, sampleWidth, line * 0.8));
        x += width + gap;
    }
    return entries.empty() ? 0 : y - rect.top() + line * 1.5;
}

double DiagramLegend::Height(const std::vector<Entry>& entries, double width, const QFontMetricsF& metrics)
{
    return Place(entries, QRectF(0, 0, width, 0), metrics, nullptr);
}

void DiagramLegend::Paint(QPainter& painter, const std::vector<Entry>& entries, const QRectF& rect, const QFont& font)
{
    painter.save();
    painter.setFont(TimeBarPainter::Readable(font));
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();
    const double hair = std::max(1.0, line / 16);
    const double hatch = std::max(3.0, line / 2);
    const QColor text = painter.pen().color();
    std::vector<QRectF> samples;
    Place(entries, rect, metrics, &samples);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        const QRectF& sample = samples[i];
        switch (entry.look) {
        case Entry::Look::Signal:
            TimeBarPainter::FillBar(painter, static_cast<Signal>(entry.value), sample, hatch);
            break;
        case Entry::Look::Program:
            WeekBarPainter::FillSpan(painter, entry.value, entry.value == kYellowMode, sample, hatch);
            break;
        case Entry::Look::Mark: {
            QColor wash = kMark;
            wash.setAlpha(60);
            painter.fillRect(sample, wash);
            break;
        }
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(entry.look == Entry::Look::Mark ? kMark : kOutline, hair));
        painter.drawRect(sample);
        painter.setPen(text);
        painter.drawText(QRectF(sample.right() + line * 0.4, sample.top() - line * 0.15, rect.right() - sample.right(),
                                line),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, entry.text);
    }
    painter.restore();
}

} // namespace vlk
