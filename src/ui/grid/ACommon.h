#pragma once

#include <QRect>
#include <QSize>

class QPainter;
class QPixmap;
class QWidget;

namespace vlk {

// Free-standing helpers of the grid and the forms; no state.
class ACommon {
public:
    ACommon() = delete;

    // Draws picture `bitmap` (a number of the picture registry) centred in rect with the
    // raster operation `rop` (ROP_* codes). MERGECOPY ands the picture with the painter's
    // brush colour, MERGEPAINT ors its inverse into the target, SRCAND and SRCINVERT are the
    // mask-then-picture pair of a transparent picture. An unknown number draws nothing.
    static void DrawBitmap(QPainter& painter, const QRect& rect, int bitmap, unsigned rop);
    [[nodiscard]] static QSize GetBitmapSize(const QPixmap& bitmap);
    [[nodiscard]] static QSize GetBitmapSize(int bitmap);

    // The control after (or before) `focused` in the tab order of its form. The inner edit of
    // a drop-down editor or a combo box stands for the composite control, so focus leaves it as
    // a whole. Gives `focused` (or its composite) itself when there is no other control.
    [[nodiscard]] static QWidget* NextTabControl(QWidget* focused, bool backwards);
};

} // namespace vlk
