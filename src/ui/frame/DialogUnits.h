#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>

namespace vlk {

// Dialog units of a font as the small dialogs lay themselves out: a quarter of the average
// character width across, an eighth of the character height down.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_x = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
        m_y = metrics.height();
    }
    [[nodiscard]] QRect Rect(int x, int y, int w, int h) const
    {
        return {X(x), Y(y), X(w), Y(h)};
    }
    [[nodiscard]] int X(int units) const { return (units * m_x + 2) / 4; }
    [[nodiscard]] int Y(int units) const { return (units * m_y + 4) / 8; }

private:
    int m_x;
    int m_y;
};

} // namespace vlk
