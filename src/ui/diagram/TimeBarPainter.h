#pragma once

#include "diagram/TimeBarLayout.h"
#include "plan/Signal.h"

#include <QColor>
#include <QFont>
#include <QRectF>

class QPainter;

namespace vlk {

// Draws a TimeBarLayout on any QPainter: a widget, a QImage, QPdfWriter or QPrinter.
//
// To draw a program's diagram into a given rectangle at a given text size:
//
//   TimeBarLayout layout = TimeBarLayout::Of(configuration, program, ConfigurationCheck(configuration));
//   QFont font = painter.font();
//   font.setPointSizeF(8);                        // print: never below 7 pt
//   TimeBarPainter::Paint(painter, layout, rect, font);
//
// `rect` is in the painter's own (logical) coordinates; the font is measured on the painter's
// device, so a point size means the same on paper as on the screen. A font given in points is
// never drawn below MinimumPointSize. TimeBarLayout::PreferredHeight(rows, metrics) tells how tall
// a rectangle the rows want (metrics of that font on that device: QFontMetricsF(font, device)).
// A layout already placed (Place) can be painted with Paint(painter, layout) as it stands.
//
// Bars: red, red over yellow for red-yellow, green, flashing green hatched green on pale green,
// yellow, flashing yellow hatched; a dark span is a gap. Phase bands above, the band of the
// reported phase highlighted down through the rows; marks of findings outlined in dark red.
class TimeBarPainter {
public:
    static constexpr double MinimumPointSize = 7.0;

    // Places `layout` in `rect` for `font` on the painter's device, then paints it.
    static void Paint(QPainter& painter, TimeBarLayout& layout, const QRectF& rect, const QFont& font);
    // Paints a layout placed with the painter's current font.
    static void Paint(QPainter& painter, const TimeBarLayout& layout);

    // One bar of `signal` as the diagram draws it (nothing for Dark), without its outline.
    static void FillBar(QPainter& painter, Signal signal, const QRectF& bar, double hatch);
    // The colour a bar of that signal is filled with (hatch colour for the flashing ones).
    [[nodiscard]] static QColor SignalColour(Signal signal);
    // `font`, raised to MinimumPointSize when given in points below it.
    [[nodiscard]] static QFont Readable(const QFont& font);
    // Fills `rect` with `background` and diagonal lines of `line` `spacing` apart (drawn, not a
    // pattern brush, so that the hatch keeps its size on a printer's resolution).
    static void FillHatched(QPainter& painter, const QRectF& rect, const QColor& line, const QColor& background,
                            double spacing);
};

} // namespace vlk
