#include "pages/ScheduleWnd.h"

#include "forms/FormResources.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace vlk {

CScheduleWnd::CScheduleWnd(QWidget* parent)
    : QWidget(parent), m_labelFont(StationFont(QStringLiteral("Arial"), 10, 600))
{
}

CScheduleWnd::~CScheduleWnd() = default;

double CScheduleWnd::Pitch(int width)
{
    return (width - 20) / 48.0;
}

int CScheduleWnd::SlotX(int slot, int width)
{
    return static_cast<int>(slot * Pitch(width) + 10);
}

int CScheduleWnd::HourX(int hour, int width)
{
    return static_cast<int>(hour * 2 * Pitch(width) + 10);
}

int CScheduleWnd::HalfHourOffset(int width)
{
    return static_cast<int>(2 * Pitch(width) / 2);
}

int CScheduleWnd::SlotAt(int x, int width)
{
    const double w = Pitch(width);
    if (w <= 0)
        return -1; // a chart too narrow for its margins has no slots
    // Truncation towards zero: slot 1 takes a doubled band and slot 0 the rest on its left.
    const int slot = static_cast<int>(std::trunc((x - 15 - w / 2) / w)) + 1;
    return (slot >= 0 && slot < SlotCount) ? slot : -1;
}

QRect CScheduleWnd::MarkerRect(int slot, int width)
{
    const int x = SlotX(slot, width);
    return QRect(QPoint(x - 8, 30), QPoint(x + 8, 50) - QPoint(1, 1));
}

int CScheduleWnd::SwitchPointCount() const
{
    int count = 0;
    for (int value : m_slots)
        count += value != 0 ? 1 : 0;
    return count;
}

void CScheduleWnd::SetSlots(const SlotArray& values)
{
    m_slots = values;
    update();
}

bool CScheduleWnd::StepSlot(int slot)
{
    if (slot < 0 || slot >= SlotCount)
        return false;
    int& value = m_slots[static_cast<std::size_t>(slot)];
    if (value == 0 && SwitchPointCount() >= MaxSwitchPoints)
        return false;
    value = value >= YellowMode ? 1 : value + 1;
    return true;
}

bool CScheduleWnd::ClearSlot(int slot)
{
    if (slot < 0 || slot >= SlotCount)
        return false;
    m_slots[static_cast<std::size_t>(slot)] = 0;
    return true;
}

bool CScheduleWnd::SetSlot(int slot, int value)
{
    if (slot < 0 || slot >= SlotCount || value < 0 || value > YellowMode)
        return false;
    int& current = m_slots[static_cast<std::size_t>(slot)];
    if (current == value || (current == 0 && SwitchPointCount() >= MaxSwitchPoints))
        return false;
    current = value;
    return true;
}

void CScheduleWnd::LeftClick(int slot)
{
    if (slot >= 0 && StepSlot(slot)) {
        // The label stands a little below the marker, so the whole cell is repainted.
        update(MarkerRect(slot, width()).adjusted(0, 0, 0, 3));
        emit userEdited();
    }
}

void CScheduleWnd::ChooseFromMenu(int slot, const QPoint& where)
{
    const int current = m_slots[static_cast<std::size_t>(slot)];
    // An empty slot of a day with ten switch points takes no program: only "Нет" stays.
    const bool full = current == 0 && SwitchPointCount() >= MaxSwitchPoints;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("slotMenu"));
    const auto add = [&](const QString& text, int value) {
        QAction* action = menu.addAction(text);
        action->setData(value);
        action->setCheckable(true);
        action->setChecked(current == value);
        action->setEnabled(value == 0 || !full);
    };
    for (int program = 1; program <= 9; ++program)
        add(QStringLiteral("Программа &%1").arg(program), program);
    add(QStringLiteral("&Ж — жёлтое мигание"), YellowMode);
    menu.addSeparator();
    add(QStringLiteral("&Нет переключения"), 0);
    const QAction* chosen = menu.exec(where);
    if (chosen == nullptr || !SetSlot(slot, chosen->data().toInt()))
        return;
    update(MarkerRect(slot, width()).adjusted(0, 0, 0, 3));
    emit userEdited();
}

void CScheduleWnd::mousePressEvent(QMouseEvent* event)
{
    const int slot = SlotAt(static_cast<int>(event->position().x()), width());
    if (event->button() == Qt::LeftButton)
        LeftClick(slot);
    else if (event->button() == Qt::RightButton && slot >= 0)
        ChooseFromMenu(slot, event->globalPosition().toPoint());
    event->accept();
}

void CScheduleWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of quick clicks arrives as a double click: it is a click like the first,
    // so that no click of an engineer stepping a slot is lost.
    if (event->button() == Qt::LeftButton)
        LeftClick(SlotAt(static_cast<int>(event->position().x()), width()));
    event->accept();
}

void CScheduleWnd::paintEvent(QPaintEvent*)
{
    const int W = width();
    const int H = height();
    QPainter painter(this);
    painter.fillRect(rect(), QColor(248, 252, 240));

    painter.setPen(QPen(Qt::black, 2));
    painter.setFont(StationFont(QStringLiteral("Arial"), 12));
    painter.drawLine(10, 20, W - 10, 20);
    const int hw = HalfHourOffset(W);
    for (int hour = 0; hour <= 24; ++hour) {
        const int x = HourX(hour, W);
        painter.drawLine(x, 15, x, 25);
        if (hour > 0)
            painter.drawLine(x - hw, 17, x - hw, 22);
        painter.drawText(QRect(x - 10, 0, 20, H), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                         QString::number(hour));
        if (hour < 24) {
            DrawMarker(painter, 2 * hour);
            DrawMarker(painter, 2 * hour + 1);
        }
    }
}

void CScheduleWnd::DrawMarker(QPainter& painter, int slot) const
{
    const int value = m_slots[static_cast<std::size_t>(slot)];
    if (value <= 0)
        return;
    const int x = SlotX(slot, width());
    painter.drawPixmap(x - 7, 30, FormBitmap(value <= kProgramCount ? BitmapProgramMarker : BitmapYellowMarker));
    painter.save();
    painter.setFont(m_labelFont);
    painter.setPen(Qt::black);
    painter.drawText(QRect(x - 7, 32, 14, 20), Qt::AlignCenter | Qt::TextSingleLine,
                     value <= kProgramCount ? QString::number(value) : QStringLiteral("Ж"));
    painter.restore();
}

} // namespace vlk
