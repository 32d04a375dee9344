#pragma once

#include "diagram/WeekBarLayout.h"

#include <QColor>
#include <QFont>
#include <QRectF>

class QPainter;

namespace vlk {

// Draws a WeekBarLayout on any QPainter, as TimeBarPainter does for a cycle:
//
//   WeekBarLayout week = WeekBarLayout::Of(configuration);
//   WeekBarPainter::Paint(painter, week, rect, font);   // a font in points: never below 7 pt
//
// Every program has a colour of its own and its number on the bar; the yellow mode is hatched
// yellow and marked "Ж".
class WeekBarPainter {
public:
    static void Paint(QPainter& painter, WeekBarLayout& layout, const QRectF& rect, const QFont& font);
    static void Paint(QPainter& painter, const WeekBarLayout& layout);

    // 1..9, or kYellowMode (the hatch colour).
    [[nodiscard]] static QColor ProgramColour(int program);
    // A span's fill: the program's colour, or the yellow mode's hatching when the controller flashes.
    static void FillSpan(QPainter& painter, int program, bool flashes, const QRectF& rect, double hatch);
};

} // namespace vlk
