#include "forms/FormResources.h"

#include "grid/Pictures.h"

namespace vlk {

QPixmap FormBitmap(int id, qreal devicePixelRatio)
{
    return Pictures::Has(id) ? Pictures::Pixmap(id, devicePixelRatio) : QPixmap();
}

QString MapFontFace(const QString& face)
{
    // The designed faces (a bitmap sans serif for the forms, a scalable one for the charts) are
    // not on this system; one Cyrillic sans serif stands in for both.
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
