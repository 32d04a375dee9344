#include "grid/ACommon.h"

#include "grid/Pictures.h"
#include "grid/RecordListFlags.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace vlk {

namespace {

// The picture and-ed with a solid pattern colour (MERGECOPY), cached per colour.
QPixmap Tinted(int bitmap, qreal ratio, QRgb pattern)
{
    static QHash<QString, QPixmap> cache;
    // Pixmaps must not outlive the application object.
    static const bool hooked = [] {
        if (auto* app = QCoreApplication::instance())
            QObject::connect(app, &QObject::destroyed, [] { cache.clear(); });
        return true;
    }();
    Q_UNUSED(hooked);
    const QString key = QStringLiteral("%1/%2/%3").arg(bitmap).arg(ratio).arg(pattern, 8, 16);
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QImage image = Pictures::Pixmap(bitmap, ratio).toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = (line[x] & pattern) | 0xFF000000u;
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    if (cache.size() > 256)
        cache.clear();
    cache.insert(key, pixmap);
    return pixmap;
}

// The picture's inverse or-ed into a known background (MERGEPAINT where raster operations are
// not available).
QPixmap InverseOr(int bitmap, qreal ratio, QRgb background)
{
    QImage image = Pictures::Pixmap(bitmap, ratio).toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = (~line[x] | background) | 0xFF000000u;
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

bool IsComposite(const QWidget* widget)
{
    return widget && (widget->inherits("vlk::ClassZetEdit") || qobject_cast<const QComboBox*>(widget));
}

bool IsTabStop(const QWidget* widget)
{
    if (!widget->isVisible() || !widget->isEnabled())
        return false;
    const QWidget* target = widget->focusProxy() ? widget->focusProxy() : widget;
    return (target->focusPolicy() & Qt::TabFocus) != 0;
}

} // namespace

void ACommon::DrawBitmap(QPainter& painter, const QRect& rect, int bitmap, unsigned rop)
{
    const QSize size = Pictures::Size(bitmap);
    if (size.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const int x = rect.left() + (rect.width() - size.width()) / 2;
    const int y = rect.top() + (rect.height() - size.height()) / 2;
    const QRect target(x, y, size.width(), size.height());
    // The copy covers the rectangle's extent from the picture's corner, and no more than the
    // picture itself.
    const QRect extent = target.intersected(QRect(x, y, rect.width(), rect.height()));
    if (extent.isEmpty())
        return;
    // The source rectangle counts the pixmap's own (device) pixels.
    const QRectF source(QPointF(extent.topLeft() - target.topLeft()) * ratio, QSizeF(extent.size()) * ratio);

    const bool rasterOps = painter.paintEngine() && painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    const auto oldMode = painter.compositionMode();
    switch (rop) {
    case ROP_MERGECOPY:
        painter.drawPixmap(QRectF(extent), Tinted(bitmap, ratio, painter.brush().color().rgb()), source);
        break;
    case ROP_MERGEPAINT:
        if (rasterOps) {
            painter.setCompositionMode(QPainter::RasterOp_NotSourceOrDestination);
            painter.drawPixmap(QRectF(extent), Pictures::Pixmap(bitmap, ratio), source);
        } else {
            // The target here is the cell's background, which is the painter's brush.
            painter.drawPixmap(QRectF(extent), InverseOr(bitmap, ratio, painter.brush().color().rgb()), source);
        }
        break;
    case ROP_SRCAND:
        painter.setCompositionMode(rasterOps ? QPainter::RasterOp_SourceAndDestination
                                             : QPainter::CompositionMode_Multiply);
        painter.drawPixmap(QRectF(extent), Pictures::Pixmap(bitmap, ratio), source);
        break;
    case ROP_SRCINVERT:
        // After the mask the target is black under the picture and the picture black around
        // it, so an additive blend shows the same where raster operations are missing.
        painter.setCompositionMode(rasterOps ? QPainter::RasterOp_SourceXorDestination
                                             : QPainter::CompositionMode_Plus);
        painter.drawPixmap(QRectF(extent), Pictures::Pixmap(bitmap, ratio), source);
        break;
    default:
        painter.drawPixmap(QRectF(extent), Pictures::Pixmap(bitmap, ratio), source);
        break;
    }
    painter.setCompositionMode(oldMode);
}

QSize ACommon::GetBitmapSize(const QPixmap& bitmap)
{
    return bitmap.deviceIndependentSize().toSize();
}

QSize ACommon::GetBitmapSize(int bitmap)
{
    return Pictures::Size(bitmap);
}

QWidget* ACommon::NextTabControl(QWidget* focused, bool backwards)
{
    if (!focused)
        return nullptr;
    QWidget* control = focused;
    if (IsComposite(control->parentWidget()))
        control = control->parentWidget();
    QWidget* form = control->parentWidget();
    if (!form)
        return control;
    // Walk the focus chain, which holds the form's children in tab order, and keep to the
    // form's own children.
    QWidget* candidate = control;
    for (int guard = 0; guard < 100000; ++guard) {
        candidate = backwards ? candidate->previousInFocusChain() : candidate->nextInFocusChain();
        if (!candidate || candidate == control)
            return control;
        if (candidate->parentWidget() == form && IsTabStop(candidate))
            return candidate;
    }
    return control;
}

} // namespace vlk

