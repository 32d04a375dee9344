#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>

#include <vector>

class QPainter;

namespace vlk {

// The key to the diagrams' colours and hatching, for the printed junction file: a row of samples,
// each with its meaning, wrapped over as many lines as the width needs.
//
//   DiagramLegend::Signals(): the time bars' signals and the check's marks;
//   DiagramLegend::Week():    the week bars' programs and the yellow mode.
class DiagramLegend {
public:
    struct Entry {
        enum class Look { Signal, Program, Mark };
        Look look = Look::Signal;
        int value = 0; // the Signal, or the program (kYellowMode: flashing yellow)
        QString text;
    };

    [[nodiscard]] static std::vector<Entry> Signals();
    [[nodiscard]] static std::vector<Entry> Week();

    // The height the entries take in `width`.
    [[nodiscard]] static double Height(const std::vector<Entry>& entries, double width, const QFontMetricsF& metrics);
    // Paints them into `rect` with `font` (in points; never below the diagrams' least size).
    static void Paint(QPainter& painter, const std::vector<Entry>& entries, const QRectF& rect, const QFont& font);

private:
    // Where each entry's sample goes, left to right, wrapping; the total height.
    static double Place(const std::vector<Entry>& entries, const QRectF& rect, const QFontMetricsF& metrics,
                        std::vector<QRectF>* samples);
};

} // namespace vlk
