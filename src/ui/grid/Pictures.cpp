#include "grid/Pictures.h"

#include <QCoreApplication>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace vlk {

namespace {

struct Entry {
    QSize size;
    QColor background;
    Pictures::PaintFunction paint;
    bool clipToLampMask = false;
};

// True for a device pixel that lies inside the lamp disc (15 x 15 logical, centre 7.5).
bool InDisc(int x, int y, qreal ratio)
{
    const qreal cx = (x + 0.5) / ratio - 7.5;
    const qreal cy = (y + 0.5) / ratio - 7.5;
    return cx * cx + cy * cy <= 7.4 * 7.4;
}

void PaintMask(QPainter& painter, QSize)
{
    // Drawn pixel by pixel (not antialiased): a raster AND must see pure black and pure white.
    const qreal ratio = painter.device()->devicePixelRatioF();
    auto* image = dynamic_cast<QImage*>(painter.device());
    if (!image)
        return;
    for (int y = 0; y < image->height(); ++y) {
        for (int x = 0; x < image->width(); ++x) {
            if (InDisc(x, y, ratio))
                image->setPixelColor(x, y, Qt::black);
        }
    }
}

void PaintLamp(QPainter& painter, QColor colour)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient gradient(QPointF(6.0, 5.5), 8.0);
    gradient.setColorAt(0.0, colour.lighter(170));
    gradient.setColorAt(0.45, colour);
    gradient.setColorAt(1.0, colour.darker(180));
    painter.setPen(QPen(colour.darker(250), 0.8));
    painter.setBrush(gradient);
    painter.drawEllipse(QRectF(0.6, 0.6, 13.8, 13.8));
}

void PaintCheck(QPainter& painter, QSize)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath tick;
    tick.moveTo(2.5, 6.5);
    tick.lineTo(5.0, 9.5);
    tick.lineTo(10.5, 2.5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(128, 128, 128), 2.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawPath(tick.translated(1.0, 1.0));
    painter.setPen(QPen(QColor(0, 160, 0), 2.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawPath(tick);
}

void PaintMarker(QPainter& painter, QSize, QColor colour)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(170), 1.0));
    painter.setBrush(colour);
    QPainterPath path;
    // A tag pointing up at the axis above it.
    path.moveTo(7.0, 0.5);
    path.lineTo(13.5, 5.0);
    path.lineTo(13.5, 19.5);
    path.lineTo(0.5, 19.5);
    path.lineTo(0.5, 5.0);
    path.closeSubpath();
    painter.drawPath(path);
}

void PaintTexture(QPainter& painter, QSize, QColor base)
{
    // A fine deterministic grain over a plain colour, drawn per device pixel.
    auto* image = dynamic_cast<QImage*>(painter.device());
    if (!image)
        return;
    for (int y = 0; y < image->height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
        for (int x = 0; x < image->width(); ++x) {
            quint32 h = static_cast<quint32>(x) * 374761393u + static_cast<quint32>(y) * 668265263u;
            h = (h ^ (h >> 13)) * 1274126177u;
            const int d = static_cast<int>((h >> 24) % 13) - 6;
            line[x] = qRgb(qBound(0, base.red() + d, 255), qBound(0, base.green() + d, 255),
                           qBound(0, base.blue() + d, 255));
        }
    }
}

QHash<int, Entry>& Registry()
{
    static QHash<int, Entry> registry = [] {
        QHash<int, Entry> r;
        const QSize lamp(15, 15);
        r.insert(Pictures::CheckMark, {QSize(13, 13), Qt::white, PaintCheck, false});
        r.insert(Pictures::LampMask, {lamp, Qt::white, PaintMask, false});
        r.insert(Pictures::LampRed, {lamp, Qt::black, [](QPainter& p, QSize) { PaintLamp(p, QColor(230, 20, 20)); }, true});
        r.insert(Pictures::LampGrey, {lamp, Qt::black, [](QPainter& p, QSize) { PaintLamp(p, QColor(140, 140, 140)); }, true});
        r.insert(Pictures::LampGreen, {lamp, Qt::black, [](QPainter& p, QSize) { PaintLamp(p, QColor(0, 200, 40)); }, true});
        r.insert(Pictures::LampYellow, {lamp, Qt::black, [](QPainter& p, QSize) { PaintLamp(p, QColor(255, 205, 0)); }, true});
        r.insert(Pictures::SignNoFailure, {lamp, Qt::black, [](QPainter& p, QSize) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(192, 192, 192));
                     p.drawRect(QRectF(0, 0, 15, 15));
                 }, true});
        r.insert(Pictures::SignFailure, {lamp, Qt::black, [](QPainter& p, QSize) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(192, 192, 192));
                     p.drawRect(QRectF(0, 0, 15, 15));
                     p.setRenderHint(QPainter::Antialiasing);
                     QPainterPath a;
                     a.moveTo(3.5, 12.5);
                     a.lineTo(7.5, 2.5);
                     a.lineTo(11.5, 12.5);
                     a.moveTo(5.2, 9.0);
                     a.lineTo(9.8, 9.0);
                     p.setBrush(Qt::NoBrush);
                     p.setPen(QPen(QColor(220, 0, 0), 1.8, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
                     p.drawPath(a);
                 }, true});
        r.insert(Pictures::MarkerProgram, {QSize(14, 20), Qt::white,
                     [](QPainter& p, QSize s) { PaintMarker(p, s, QColor(110, 215, 110)); }, false});
        r.insert(Pictures::MarkerYellow, {QSize(14, 20), Qt::white,
                     [](QPainter& p, QSize s) { PaintMarker(p, s, QColor(255, 220, 60)); }, false});
        r.insert(Pictures::TabSelected, {QSize(157, 164), QColor(222, 218, 204),
                     [](QPainter& p, QSize s) { PaintTexture(p, s, QColor(222, 218, 204)); }, false});
        r.insert(Pictures::TabOther, {QSize(157, 164), QColor(196, 192, 180),
                     [](QPainter& p, QSize s) { PaintTexture(p, s, QColor(196, 192, 180)); }, false});
        return r;
    }();
    return registry;
}

QHash<quint64, QPixmap>& Cache()
{
    static QHash<quint64, QPixmap> cache;
    // Pixmaps must not outlive the application object.
    static const bool hooked = [] {
        if (auto* app = QCoreApplication::instance())
            QObject::connect(app, &QObject::destroyed, [] { cache.clear(); });
        return true;
    }();
    Q_UNUSED(hooked);
    return cache;
}

quint64 CacheKey(int id, qreal ratio)
{
    return (static_cast<quint64>(static_cast<quint32>(id)) << 32) | static_cast<quint32>(std::lround(ratio * 100.0));
}

QImage Render(const Entry& entry, qreal ratio)
{
    const QSize device(static_cast<int>(std::ceil(entry.size.width() * ratio)),
                       static_cast<int>(std::ceil(entry.size.height() * ratio)));
    QImage image(device, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(entry.background);
    {
        QPainter painter(&image);
        entry.paint(painter, entry.size);
    }
    if (entry.clipToLampMask) {
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (!InDisc(x, y, ratio))
                    line[x] = qRgb(0, 0, 0);
            }
        }
    }
    return image;
}

} // namespace

bool Pictures::Has(int id)
{
    return Registry().contains(id);
}

QSize Pictures::Size(int id)
{
    const auto it = Registry().constFind(id);
    return it == Registry().constEnd() ? QSize() : it->size;
}

QPixmap Pictures::Pixmap(int id, qreal devicePixelRatio)
{
    if (devicePixelRatio <= 0)
        devicePixelRatio = 1.0;
    const quint64 key = CacheKey(id, devicePixelRatio);
    auto& cache = Cache();
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd())
        return *cached;
    const auto it = Registry().constFind(id);
    if (it == Registry().constEnd())
        return {};
    QPixmap pixmap = QPixmap::fromImage(Render(*it, devicePixelRatio));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, pixmap);
    return pixmap;
}

void Pictures::Register(int id, QSize size, QColor background, PaintFunction paint, bool clipToLampMask)
{
    Registry().insert(id, {size, background, std::move(paint), clipToLampMask});
    auto& cache = Cache();
    for (auto it = cache.begin(); it != cache.end();) {
        if (static_cast<int>(it.key() >> 32) == id)
            it = cache.erase(it);
        else
            ++it;
    }
}

} // namespace vlk
