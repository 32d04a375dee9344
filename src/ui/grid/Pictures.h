#pragma once

#include <QPixmap>
#include <QSize>

#include <functional>

class QPainter;

namespace vlk {

// The station's bitmaps, reached by their resource numbers. Each is drawn in code at the
// device pixel ratio asked for, so it stays crisp on high-density screens.
class Pictures {
public:
    // Draws a picture in its logical coordinates (0,0)-(size); the background is already filled.
    using PaintFunction = std::function<void(QPainter&, QSize)>;

    static constexpr int CheckMark = 132;
    static constexpr int TabSelected = 133;
    static constexpr int MarkerProgram = 134;
    static constexpr int MarkerYellow = 135;
    static constexpr int LampRed = 136;
    static constexpr int LampGrey = 137;
    static constexpr int LampGreen = 138;
    static constexpr int LampYellow = 139;
    static constexpr int LampMask = 155;
    static constexpr int TabOther = 156;
    static constexpr int SignFailure = 181;
    static constexpr int SignNoFailure = 182;

    [[nodiscard]] static bool Has(int id);
    // Logical size in pixels; empty for an unknown number.
    [[nodiscard]] static QSize Size(int id);
    // The picture rendered for the ratio; a null pixmap for an unknown number.
    [[nodiscard]] static QPixmap Pixmap(int id, qreal devicePixelRatio = 1.0);
    // Adds or replaces a picture (other modules add their own, e.g. the console's buttons).
    // With clipToLampMask the picture is made black outside the disc of 155, so that the
    // mask-then-picture pair draws it transparently.
    static void Register(int id, QSize size, QColor background, PaintFunction paint, bool clipToLampMask = false);
};

} // namespace vlk
