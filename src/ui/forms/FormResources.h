#pragma once

#include <QFont>
#include <QPixmap>
#include <QString>

// Pictures and fonts the forms, the tab strip and the day charts draw with.

namespace vlk {

inline constexpr int BitmapPageTexture = 133;  // page background and the selected tab
inline constexpr int BitmapProgramMarker = 134; // day chart: a switch to a program
inline constexpr int BitmapYellowMarker = 135;  // day chart: a switch to the yellow mode
inline constexpr int BitmapTabTexture = 156;    // tabs behind the page

// The station's bitmap `id` from the picture registry; a null pixmap when there is none.
[[nodiscard]] QPixmap FormBitmap(int id, qreal devicePixelRatio = 1.0);

// The templates and the drawing code name the faces they were designed with; these map them to
// Cyrillic faces this system has (DejaVu Sans, installed with the station).
[[nodiscard]] QString MapFontFace(const QString& face);
// A font of `face` (mapped) whose character height is `pixelHeight` pixels.
[[nodiscard]] QFont StationFont(const QString& face, int pixelHeight, int weight = 400);

} // namespace vlk
