#include "frame/StationArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace vlk {

namespace {

// A memory chip with pins, the common part of the three controller buttons.
void DrawChip(QPainter& p, const QRect& body)
{
    p.setPen(QPen(QColor(40, 40, 40), 1));
    for (int x = body.left() + 2; x < body.right() - 1; x += 3) {
        p.drawLine(x, body.top() - 2, x, body.top());
        p.drawLine(x, body.bottom(), x, body.bottom() + 2);
    }
    p.setBrush(QColor(50, 50, 60));
    p.drawRect(body);
    p.setPen(QColor(200, 200, 200));
    p.drawPoint(body.left() + 2, body.top() + 2);
}

void DrawArrow(QPainter& p, QPoint from, QPoint to, const QColor& colour)
{
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(from, to);
    const int dy = to.y() > from.y() ? 1 : -1;
    QPolygon head;
    head << QPoint(to.x() - 4, to.y() - 3 * dy) << QPoint(to.x() + 4, to.y() - 3 * dy) << QPoint(to.x(), to.y() + 2 * dy);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

} // namespace

QPixmap StationArt::ToolbarPicture(int command)
{
    QPixmap pixmap(kButtonWidth, kButtonHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (command) {
    case 32771: { // programming mode: the chip with a key
        DrawChip(p, QRect(3, 4, 13, 10));
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(200, 150, 0), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(20.5, 6.5), 3, 3);
        p.drawLine(QPointF(20.5, 9.5), QPointF(20.5, 16));
        p.drawLine(QPointF(20.5, 14), QPointF(23, 14));
        break;
    }
    case 32772: // write: an arrow into the chip
        DrawChip(p, QRect(3, 9, 21, 7));
        DrawArrow(p, QPoint(13, 0), QPoint(13, 6), QColor(200, 30, 30));
        break;
    case 32773: // read: an arrow out of the chip
        DrawChip(p, QRect(3, 9, 21, 7));
        DrawArrow(p, QPoint(13, 7), QPoint(13, 2), QColor(20, 140, 40));
        break;
    case 32803: // compare: the chip and the equals sign with a question beside it
        DrawChip(p, QRect(3, 9, 12, 7));
        p.setPen(QPen(QColor(30, 60, 160), 2));
        p.drawLine(QPoint(17, 9), QPoint(23, 9));
        p.drawLine(QPoint(17, 13), QPoint(23, 13));
        p.drawLine(QPoint(9, 2), QPoint(9, 6));
        break;
    case 57601: { // open: a folder
        p.setPen(QColor(120, 90, 0));
        p.setBrush(QColor(240, 200, 80));
        p.drawPolygon(QPolygon({QPoint(4, 4), QPoint(10, 4), QPoint(12, 6), QPoint(22, 6), QPoint(22, 15), QPoint(4, 15)}));
        p.setBrush(QColor(250, 225, 130));
        p.drawPolygon(QPolygon({QPoint(4, 15), QPoint(7, 9), QPoint(25, 9), QPoint(22, 15)}));
        break;
    }
    case 57603: // save: a diskette
        p.setPen(QColor(20, 30, 80));
        p.setBrush(QColor(40, 70, 160));
        p.drawRect(6, 2, 15, 14);
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(9, 2, 9, 5);
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(8, 10, 11, 6);
        break;
    case 57664: { // about: a question mark
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QColor(20, 60, 140));
        p.setBrush(QColor(60, 120, 220));
        p.drawEllipse(QRectF(6.5, 1.5, 14, 14));
        QFont font = p.font();
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(6, 1, 15, 15), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case 32800: { // check the configuration: a list with a tick
        p.setPen(QColor(90, 90, 90));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(4, 1, 13, 16);
        p.setPen(QColor(150, 150, 150));
        for (int y = 5; y <= 13; y += 4)
            p.drawLine(7, y, 14, y);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(20, 140, 40), 2.5));
        p.drawPolyline(QPolygonF({QPointF(13, 10), QPointF(17, 15), QPointF(24, 4)}));
        break;
    }
    default:
        break;
    }
    return pixmap;
}

QIcon StationArt::ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing, true);
        const qreal w = size * 0.5;
        const qreal left = (size - w) / 2;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 40));
        p.drawRoundedRect(QRectF(left, 0.5, w, size - 1.0), size * 0.1, size * 0.1);
        const QColor lamps[] = {QColor(230, 30, 30), QColor(250, 200, 0), QColor(30, 190, 60)};
        const qreal pitch = (size - 1.0) / 3;
        for (int i = 0; i < 3; ++i) {
            p.setBrush(lamps[i]);
            const qreal d = pitch * 0.75;
            p.drawEllipse(QRectF(size / 2.0 - d / 2, 0.5 + pitch * i + (pitch - d) / 2, d, d));
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace vlk
