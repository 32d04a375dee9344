#include "forms/GroupFrame.h"

#include <QPainter>
#include <QRegion>

namespace vlk {

GroupFrame::GroupFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    // A frame listed after its controls would otherwise swallow their clicks.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GroupFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics metrics(font());
    const int lineY = metrics.height() / 2;
    const QRect text(8, 0, metrics.horizontalAdvance(title()), metrics.height());

    // The edge is broken where the caption stands.
    QRegion clip(rect());
    if (!title().isEmpty())
        clip -= text;
    p.setClipRegion(clip);
    const QRect frame(0, lineY, width() - 2, height() - lineY - 2);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(frame);
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(frame.translated(1, 1));
    p.setClipping(false);

    if (!title().isEmpty()) {
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
    }
}

} // namespace vlk
