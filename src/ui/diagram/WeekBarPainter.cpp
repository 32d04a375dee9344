#include "diagram/WeekBarPainter.h"

#include "diagram/TimeBarPainter.h"
#include "plan/ConfigurationCheck.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace vlk {

namespace {

// Nine colours far enough apart to tell the programs at a glance, light enough for black digits.
const QColor kProgramColours[kProgramCount] = {
    QColor(0x8E, 0xC6, 0xFF), QColor(0xFF, 0xA0, 0x80), QColor(0xA8, 0xA8, 0xD8),
    QColor(0x9C, 0xE0, 0x9C), QColor(0xF0, 0xB8, 0xF0), QColor(0xD8, 0xC8, 0x90),
    QColor(0x80, 0xD8, 0xD0), QColor(0xC8, 0xC8, 0xC8), QColor(0xFF, 0xD0, 0xA0),
};
const QColor kYellowHatch(0xF5, 0xC0, 0x00);
const QColor kPaleYellow(0xFF, 0xF2, 0xC0);
const QColor kOutline(0x40, 0x40, 0x40);
const QColor kGrid(0xC8, 0xC8, 0xC8);

} // namespace

QColor WeekBarPainter::ProgramColour(int program)
{
    if (program == kYellowMode)
        return kYellowHatch;
    if (program < 1 || program > kProgramCount)
        return {};
    return kProgramColours[program - 1];
}

void WeekBarPainter::FillSpan(QPainter& painter, int program, bool flashes, const QRectF& rect, double hatch)
{
    if (flashes || program == kYellowMode)
        TimeBarPainter::FillHatched(painter, rect, kYellowHatch, kPaleYellow, hatch);
    else
        painter.fillRect(rect, ProgramColour(program));
}

void WeekBarPainter::Paint(QPainter& painter, WeekBarLayout& layout, const QRectF& rect, const QFont& font)
{
    painter.save();
    painter.setFont(TimeBarPainter::Readable(font));
    layout.Place(rect, QFontMetricsF(painter.font(), painter.device()));
    Paint(painter, layout);
    painter.restore();
}

void WeekBarPainter::Paint(QPainter& painter, const WeekBarLayout& layout)
{
    painter.save();
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();
    const double hair = std::max(1.0, line / 16);
    const QColor text = painter.pen().color();
    const QRectF& plot = layout.Plot();

    painter.setPen(QPen(kGrid, hair));
    for (const WeekBarTick& tick : layout.Ticks())
        painter.drawLine(QPointF(tick.x, plot.top()), QPointF(tick.x, plot.bottom()));

    for (int d = 0; d < kDayCount; ++d) {
        painter.setPen(text);
        const std::string_view name = CheckDayName(d);
        painter.drawText(layout.DayLabel(d), Qt::AlignRight | Qt::AlignVCenter,
                         QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    for (const WeekBarSpan& span : layout.Spans()) {
        FillSpan(painter, span.program, span.flashes, span.rect, std::max(3.0, line / 2));
        painter.setPen(QPen(kOutline, hair));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(span.rect);
        if (!span.text.isEmpty()) {
            painter.setPen(text);
            painter.drawText(span.rect, Qt::AlignCenter | Qt::TextSingleLine, span.text);
        }
    }

    const QRectF& axis = layout.Axis();
    painter.setPen(QPen(text, hair));
    painter.drawLine(QPointF(plot.left(), axis.top()), QPointF(plot.right(), axis.top()));
    const double tick = line * 0.25;
    for (const WeekBarTick& t : layout.Ticks()) {
        painter.drawLine(QPointF(t.x, axis.top()), QPointF(t.x, axis.top() + (t.labelled ? 2 * tick : tick)));
        if (!t.labelled)
            continue;
        const QString label = QString::number(t.hour);
        const double w = metrics.horizontalAdvance(label) + line;
        painter.drawText(QRectF(t.x - w / 2, axis.top() + 2 * tick, w, line * 1.2), Qt::AlignHCenter | Qt::AlignTop,
                         label);
    }
    painter.restore();
}

} // namespace vlk
