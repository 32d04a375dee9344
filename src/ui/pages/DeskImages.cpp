#include "pages/DeskImages.h"

#include "forms/FormResources.h"
#include "grid/Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QString>

namespace vlk {

namespace {

enum class Look { Normal, Pressed, Locked };

const QColor kFace(212, 208, 200);
const QColor kFacePressed(238, 236, 230);
const QColor kFaceLocked(190, 187, 180);

// A 3D frame with 1-pixel lines on whole logical pixels, so that it is sharp at ratio 1 and 2.
void DrawBevel(QPainter& p, QSize size, Look look)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const int w = size.width();
    const int h = size.height();
    p.fillRect(QRect(0, 0, w, h), look == Look::Normal ? kFace : look == Look::Pressed ? kFacePressed : kFaceLocked);
    const bool sunken = look != Look::Normal;
    const QColor outerLight = sunken ? QColor(64, 64, 64) : Qt::white;
    const QColor outerDark = sunken ? Qt::white : QColor(64, 64, 64);
    const QColor innerLight = sunken ? QColor(128, 128, 128) : QColor(232, 230, 224);
    const QColor innerDark = sunken ? QColor(232, 230, 224) : QColor(128, 128, 128);
    auto frame = [&](int inset, QColor light, QColor dark) {
        const int l = inset;
        const int t = inset;
        const int r = w - 1 - inset;
        const int b = h - 1 - inset;
        p.fillRect(QRect(l, t, r - l, 1), light);      // top
        p.fillRect(QRect(l, t, 1, b - t), light);      // left
        p.fillRect(QRect(l, b, r - l + 1, 1), dark);   // bottom
        p.fillRect(QRect(r, t, 1, b - t + 1), dark);   // right
    };
    frame(0, outerLight, outerDark);
    frame(1, innerLight, innerDark);
    p.restore();
}

// Pressed content moves one pixel down and right, as a pushed key does.
QPoint Shift(Look look)
{
    return look == Look::Pressed ? QPoint(1, 1) : QPoint(0, 0);
}

QColor Dimmed(QColor colour)
{
    // The locked look: the colour washed towards the grey face.
    return QColor((colour.red() + 2 * 150) / 3, (colour.green() + 2 * 148) / 3, (colour.blue() + 2 * 142) / 3);
}

// A command button: its caption over a coloured bar.
void DrawCommand(QPainter& p, QSize size, Look look, const QString& caption, QColor bar, int textPixels)
{
    DrawBevel(p, size, look);
    p.save();
    p.translate(Shift(look));
    const int w = size.width();
    const int h = size.height();
    const QRect textRect(3, 2, w - 6, h - 10);
    const QRect barRect(6, h - 8, w - 12, 4);

    QColor barColour = bar;
    if (look == Look::Pressed)
        barColour = bar.lighter(125);
    else if (look == Look::Locked)
        barColour = Dimmed(bar);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(barRect, barColour);
    p.fillRect(QRect(barRect.left(), barRect.bottom() + 1, barRect.width(), 1),
               look == Look::Locked ? QColor(150, 148, 142) : bar.darker(170));

    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(StationFont(QStringLiteral("MS Sans Serif"), textPixels, 700));
    if (look == Look::Locked) {
        // Engraved: a white shadow under grey text.
        p.setPen(Qt::white);
        p.drawText(textRect.translated(1, 1), Qt::AlignCenter, caption);
        p.setPen(QColor(128, 126, 120));
    } else {
        p.setPen(look == Look::Pressed ? QColor(0, 0, 0) : QColor(24, 24, 24));
    }
    p.drawText(textRect, Qt::AlignCenter, caption);
    p.restore();
}

void DrawHourglass(QPainter& p, QRectF box)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal l = box.left();
    const qreal r = box.right();
    const qreal t = box.top();
    const qreal b = box.bottom();
    const qreal cx = box.center().x();
    const qreal cy = box.center().y();
    // The glass.
    QPainterPath glass;
    glass.moveTo(l + 1, t + 2);
    glass.lineTo(r - 1, t + 2);
    glass.lineTo(cx + 1, cy);
    glass.lineTo(r - 1, b - 2);
    glass.lineTo(l + 1, b - 2);
    glass.lineTo(cx - 1, cy);
    glass.closeSubpath();
    p.setPen(QPen(QColor(40, 40, 40), 1.0));
    p.setBrush(QColor(235, 245, 255));
    p.drawPath(glass);
    // The sand: a little left on top, a heap below.
    QPainterPath sand;
    sand.moveTo(cx - 2.5, cy - 3);
    sand.lineTo(cx + 2.5, cy - 3);
    sand.lineTo(cx, cy);
    sand.closeSubpath();
    sand.moveTo(l + 2, b - 2.5);
    sand.lineTo(r - 2, b - 2.5);
    sand.lineTo(cx, cy + 3);
    sand.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 170, 60));
    p.drawPath(sand);
    // Top and bottom plates.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRectF(l, t, box.width(), 2), QColor(120, 70, 30));
    p.fillRect(QRectF(l, b - 2, box.width(), 2), QColor(120, 70, 30));
    p.restore();
}

void DrawArrow(QPainter& p, qreal x0, qreal x1, qreal y, QColor colour)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPainterPath arrow;
    arrow.moveTo(x0, y - 1.5);
    arrow.lineTo(x1 - 5, y - 1.5);
    arrow.lineTo(x1 - 5, y - 4.5);
    arrow.lineTo(x1, y);
    arrow.lineTo(x1 - 5, y + 4.5);
    arrow.lineTo(x1 - 5, y + 1.5);
    arrow.lineTo(x0, y + 1.5);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.restore();
}

void DrawMonitor(QPainter& p, QRect box, QColor screen)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect body(box.left(), box.top(), box.width(), box.height() - 4);
    p.fillRect(body, QColor(60, 60, 60));
    p.fillRect(body.adjusted(2, 2, -2, -2), screen);
    // A highlight on a lit screen.
    if (screen.lightness() > 120)
        p.fillRect(QRect(body.left() + 3, body.top() + 3, body.width() / 3, 1), screen.lighter(140));
    const int cx = box.center().x();
    p.fillRect(QRect(cx - 1, body.bottom() + 1, 3, 2), QColor(60, 60, 60));
    p.fillRect(QRect(cx - 5, box.bottom() - 1, 11, 2), QColor(60, 60, 60));
    p.restore();
}

void DrawTrafficLight(QPainter& p, QRect box)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(box, QColor(40, 40, 40));
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = (box.height() - 4) / 3.0;
    const QColor lamps[3] = {QColor(230, 30, 30), QColor(255, 200, 0), QColor(0, 190, 50)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lamps[i]);
        const qreal size = qMin<qreal>(d - 1, box.width() - 3);
        p.drawEllipse(QRectF(box.center().x() + 0.5 - size / 2, box.top() + 2 + i * d + (d - size) / 2, size, size));
    }
    p.restore();
}

void DrawTakeClock(QPainter& p, QSize size, Look look)
{
    DrawBevel(p, size, look);
    p.save();
    p.translate(Shift(look));
    DrawHourglass(p, QRectF(7, 5, 12, 17));
    DrawArrow(p, 21, 36, 13.5, look == Look::Pressed ? QColor(0, 120, 255) : QColor(0, 70, 170));
    DrawMonitor(p, QRect(39, 5, 18, 17), look == Look::Pressed ? QColor(120, 220, 255) : QColor(40, 150, 210));
    p.restore();
}

void DrawSendClock(QPainter& p, QSize size, Look look)
{
    DrawBevel(p, size, look);
    p.save();
    p.translate(Shift(look));
    DrawHourglass(p, QRectF(7, 5, 12, 17));
    DrawArrow(p, 21, 40, 13.5, look == Look::Pressed ? QColor(0, 120, 255) : QColor(0, 70, 170));
    DrawTrafficLight(p, QRect(44, 3, 10, 21));
    p.restore();
}

void DrawPerson(QPainter& p, QRectF box, bool lit)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor skin = lit ? QColor(250, 205, 160) : QColor(160, 158, 152);
    const QColor shirt = lit ? QColor(30, 110, 230) : QColor(120, 118, 112);
    const QColor outline = lit ? QColor(40, 40, 40) : QColor(96, 96, 96);
    const qreal cx = box.center().x();
    p.setPen(QPen(outline, 1.0));
    p.setBrush(shirt);
    QPainterPath body;
    body.moveTo(box.left(), box.bottom());
    body.lineTo(box.left(), box.top() + 14);
    body.quadTo(cx, box.top() + 9, box.right(), box.top() + 14);
    body.lineTo(box.right(), box.bottom());
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(skin);
    p.drawEllipse(QRectF(cx - 4, box.top(), 8, 9));
    p.restore();
}

void DrawControl(QPainter& p, QSize size, bool operatorControl)
{
    DrawBevel(p, size, Look::Normal);
    p.save();
    // The one in charge stands on a lit panel.
    const QRect personPanel(4, 4, 22, 24);
    const QRect computerPanel(30, 4, 23, 24);
    p.fillRect(operatorControl ? personPanel : computerPanel, QColor(255, 244, 170));
    DrawPerson(p, QRectF(8, 6, 14, 21), operatorControl);
    DrawMonitor(p, QRect(32, 8, 19, 17), operatorControl ? QColor(70, 80, 90) : QColor(60, 200, 255));
    p.restore();
}

void RegisterCommand(const CommandImages& images, const QString& caption, QColor bar, QSize size, int textPixels)
{
    const QColor background = kFace;
    Pictures::Register(images.normal, size, background, [=](QPainter& p, QSize s) {
        DrawCommand(p, s, Look::Normal, caption, bar, textPixels);
    });
    Pictures::Register(images.pressed, size, background, [=](QPainter& p, QSize s) {
        DrawCommand(p, s, Look::Pressed, caption, bar, textPixels);
    });
    Pictures::Register(images.locked, size, background, [=](QPainter& p, QSize s) {
        DrawCommand(p, s, Look::Locked, caption, bar, textPixels);
    });
}

} // namespace

void RegisterDeskImages()
{
    static const bool registered = [] {
        const QSize clockSize(63, 27);
        Pictures::Register(DeskImage::TakeClock, clockSize, kFace,
                           [](QPainter& p, QSize s) { DrawTakeClock(p, s, Look::Normal); });
        Pictures::Register(DeskImage::TakeClockPressed, clockSize, kFace,
                           [](QPainter& p, QSize s) { DrawTakeClock(p, s, Look::Pressed); });
        Pictures::Register(DeskImage::SendClock, clockSize, kFace,
                           [](QPainter& p, QSize s) { DrawSendClock(p, s, Look::Normal); });
        Pictures::Register(DeskImage::SendClockPressed, clockSize, kFace,
                           [](QPainter& p, QSize s) { DrawSendClock(p, s, Look::Pressed); });
        const QSize controlSize(57, 32);
        Pictures::Register(DeskImage::ControlLocked, controlSize, kFace,
                           [](QPainter& p, QSize s) { DrawControl(p, s, false); });
        Pictures::Register(DeskImage::ControlOperator, controlSize, kFace,
                           [](QPainter& p, QSize s) { DrawControl(p, s, true); });

        const QColor green(0, 176, 60);
        for (int phase = 1; phase <= 8; ++phase)
            RegisterCommand(kCommandImages[static_cast<std::size_t>(phase - 1)], QString::number(phase), green,
                            QSize(35, 26), 13);
        RegisterCommand(kCommandImages[8], QStringLiteral("ЖМ"), QColor(255, 204, 0), QSize(64, 26), 12);
        RegisterCommand(kCommandImages[9], QStringLiteral("ОС"), QColor(220, 30, 30), QSize(64, 26), 12);
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace vlk
