#include "forms/FormResources.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <cstdint>

namespace vlk {

namespace {

// A quiet woven texture: a base colour with small deterministic speckles and faint diagonals.
QPixmap Texture(QColor base, int spread)
{
    QImage image(157, 164, QImage::Format_RGB32);
    std::uint32_t seed = 0x2545F491u;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            int d = static_cast<int>((seed >> 24) % static_cast<std::uint32_t>(2 * spread + 1)) - spread;
            if ((x + y) % 6 == 0)
                d -= 3;
            if ((x - y + 600) % 6 == 3)
                d += 2;
            image.setPixel(x, y, qRgb(qBound(0, base.red() + d, 255), qBound(0, base.green() + d, 255),
                                      qBound(0, base.blue() + d, 255)));
        }
    }
    return QPixmap::fromImage(image);
}

// The 14 x 20 marker that stands under a switch point: a pointer towards the axis over a label plate.
QPixmap Marker(QColor fill)
{
    QPixmap pixmap(14, 20);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(7, 0);
    path.lineTo(13.5, 5);
    path.lineTo(13.5, 19.5);
    path.lineTo(0.5, 19.5);
    path.lineTo(0.5, 5);
    path.closeSubpath();
    p.setPen(QPen(fill.darker(170), 1));
    p.setBrush(fill);
    p.drawPath(path);
    return pixmap;
}

QPixmap MakeFallback(int id)
{
    switch (id) {
    case BitmapPageTexture:
        return Texture(QColor(226, 222, 211), 5);
    case BitmapTabTexture:
        return Texture(QColor(198, 195, 187), 5);
    case BitmapProgramMarker:
        return Marker(QColor(96, 200, 96));
    case BitmapYellowMarker:
        return Marker(QColor(250, 214, 40));
    default:
        return {};
    }
}

} // namespace

QPixmap FormBitmap(int id)
{
    static QHash<int, QPixmap> cache;
    auto it = cache.find(id);
    if (it == cache.end())
        it = cache.insert(id, MakeFallback(id));
    return it.value();
}

QString MapFontFace(const QString& face)
{
    // The designed faces (a bitmap sans serif for the forms, a scalable one for the charts) are
    // not on this system; one metric-neutral Cyrillic sans serif stands in for both.
    Q_UNUSED(face);
    return QStringLiteral("DejaVu Sans");
}

QFont StationFont(const QString& face, int pixelHeight, int weight)
{
    QFont font(MapFontFace(face));
    font.setPixelSize(qMax(1, pixelHeight));
    font.setWeight(static_cast<QFont::Weight>(qBound(100, weight, 900)));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace vlk
