#include "diagram/TimeBarPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vlk {

namespace {

const QColor kRed(0xE0, 0x10, 0x10);
const QColor kYellow(0xF5, 0xC0, 0x00);
const QColor kGreen(0x00, 0xA0, 0x30);
const QColor kPaleGreen(0xCC, 0xF0, 0xD4);
const QColor kPaleYellow(0xFF, 0xF2, 0xC0);
const QColor kOutline(0x40, 0x40, 0x40);
const QColor kGrid(0xB0, 0xB0, 0xB0);
const QColor kPhaseBand(0xE4, 0xE8, 0xF2);
const QColor kChangeBand(0xF4, 0xF4, 0xF4);
const QColor kReported(0xFF, 0xB0, 0x20);
const QColor kMark(0xA0, 0x00, 0x00);

QPen Line(const QColor& colour, double width)
{
    QPen pen(colour, width);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

} // namespace

QColor TimeBarPainter::SignalColour(Signal signal)
{
    switch (signal) {
    case Signal::Red:
        return kRed;
    case Signal::RedYellow:
        return kYellow; // its lower half; the upper is red
    case Signal::Green:
    case Signal::GreenFlashing:
        return kGreen;
    case Signal::Yellow:
    case Signal::YellowFlashing:
        return kYellow;
    case Signal::Dark:
        break;
    }
    return {};
}

QFont TimeBarPainter::Readable(const QFont& font)
{
    QFont readable = font;
    if (font.pointSizeF() > 0 && font.pointSizeF() < MinimumPointSize)
        readable.setPointSizeF(MinimumPointSize);
    return readable;
}

void TimeBarPainter::FillBar(QPainter& painter, Signal signal, const QRectF& bar, double hatch)
{
    switch (signal) {
    case Signal::Dark:
        return;
    case Signal::RedYellow: {
        const QRectF upper(bar.left(), bar.top(), bar.width(), bar.height() / 2);
        painter.fillRect(upper, kRed);
        painter.fillRect(QRectF(bar.left(), upper.bottom(), bar.width(), bar.height() - upper.height()), kYellow);
        return;
    }
    case Signal::GreenFlashing:
        FillHatched(painter, bar, kGreen, kPaleGreen, hatch);
        return;
    case Signal::YellowFlashing:
        FillHatched(painter, bar, kYellow, kPaleYellow, hatch);
        return;
    default:
        painter.fillRect(bar, SignalColour(signal));
        return;
    }
}

void TimeBarPainter::FillHatched(QPainter& painter, const QRectF& rect, const QColor& line,
                                 const QColor& background, double spacing)
{
    painter.fillRect(rect, background);
    if (spacing <= 0 || rect.isEmpty())
        return;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setPen(Line(line, std::max(1.0, spacing / 3)));
    // Lines rising to the right, from left of the rectangle so that its whole width is covered.
    for (double x = rect.left() - rect.height(); x < rect.right(); x += spacing)
        painter.drawLine(QPointF(x, rect.bottom()), QPointF(x + rect.height(), rect.top()));
    painter.restore();
}

void TimeBarPainter::Paint(QPainter& painter, TimeBarLayout& layout, const QRectF& rect, const QFont& font)
{
    painter.save();
    painter.setFont(Readable(font));
    layout.Place(rect, QFontMetricsF(painter.font(), painter.device()));
    Paint(painter, layout);
    painter.restore();
}

void TimeBarPainter::Paint(QPainter& painter, const TimeBarLayout& layout)
{
    painter.save();
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();
    const double hair = std::max(1.0, line / 16);
    const QColor text = painter.pen().color();

    if (layout.Empty()) {
        painter.setPen(text);
        painter.drawText(layout.Area(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, layout.EmptyText());
        painter.restore();
        return;
    }
    const QRectF& plot = layout.Plot();

    // Phase bands, and the reported phase's band carried down behind the bars.
    painter.setPen(text);
    painter.drawText(layout.Header(), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Напр."));
    for (const TimeBarBand& band : layout.Bands()) {
        const bool reported = band.target == 0 && band.phase == layout.ReportedPhase();
        painter.fillRect(band.rect, reported ? kReported : band.target != 0 ? kChangeBand : kPhaseBand);
        if (reported) {
            QColor behind = kReported;
            behind.setAlpha(70);
            painter.fillRect(QRectF(band.rect.left(), plot.top(), band.rect.width(), plot.height()), behind);
        }
        painter.setPen(Line(kOutline, hair));
        painter.drawRect(band.rect);
        if (!band.text.isEmpty()) {
            painter.setPen(text);
            painter.drawText(band.rect, Qt::AlignCenter | Qt::TextSingleLine, band.text);
        }
    }

    // Where the parts begin, through the rows.
    painter.setPen(Line(kGrid, hair));
    for (const TimeBarBand& band : layout.Bands())
        painter.drawLine(QPointF(band.rect.left(), plot.top()), QPointF(band.rect.left(), plot.bottom()));
    painter.drawLine(QPointF(plot.right(), plot.top()), QPointF(plot.right(), plot.bottom()));

    const double hatch = std::max(3.0, line / 2);
    for (const TimeBarRow& row : layout.Rows()) {
        painter.setPen(text);
        painter.drawText(row.label, Qt::AlignRight | Qt::AlignVCenter, QString::number(row.direction));
        for (const TimeBarSpan& span : row.spans) {
            const QRectF& bar = span.rect;
            if (span.signal == Signal::Dark)
                continue; // a gap
            FillBar(painter, span.signal, bar, hatch);
            painter.setPen(Line(kOutline, hair));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(bar);
        }
    }

    // Findings on the bars: the seconds they concern outlined, with a translucent wash.
    QColor wash = kMark;
    wash.setAlpha(60);
    for (const TimeBarMark& mark : layout.Marks()) {
        painter.fillRect(mark.rect, wash);
        painter.setPen(Line(kMark, std::max(2.0, line / 8)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(mark.rect);
    }

    // The axis: a tick each second, longer and labelled every 5 or 10 s, the cycle's length at its end.
    const QRectF& axis = layout.Axis();
    painter.setPen(Line(text, hair));
    painter.drawLine(QPointF(plot.left(), axis.top()), QPointF(plot.right(), axis.top()));
    const double tick = line * 0.25;
    for (const TimeBarTick& t : layout.Ticks()) {
        painter.setPen(Line(text, hair));
        painter.drawLine(QPointF(t.x, axis.top()), QPointF(t.x, axis.top() + (t.labelled ? 2 * tick : tick)));
        if (!t.labelled)
            continue;
        const double w = metrics.horizontalAdvance(t.text) + line;
        painter.drawText(QRectF(t.x - w / 2, axis.top() + 2 * tick, w, line * 1.2), Qt::AlignHCenter | Qt::AlignTop,
                         t.text);
    }
    painter.restore();
}

} // namespace vlk
