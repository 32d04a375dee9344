#pragma once

#include <QIcon>
#include <QPixmap>

namespace vlk {

// The station's own artwork, drawn in code: the toolbar buttons (27 by 18 pixels) and the
// application icon (a traffic light).
class StationArt {
public:
    static constexpr int kButtonWidth = 27;
    static constexpr int kButtonHeight = 18;

    // The picture of toolbar command `command` (32771, 32772, 32773, 32800, 57601, 57603, 57664); a blank
    // button for any other.
    [[nodiscard]] static QPixmap ToolbarPicture(int command);
    [[nodiscard]] static QIcon ApplicationIcon();
};

} // namespace vlk
