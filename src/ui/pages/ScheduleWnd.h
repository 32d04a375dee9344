#pragma once

#include "config/Configuration.h"

#include <QFont>
#include <QWidget>

#include <array>

namespace vlk {

// One day of the week schedule: a 0..24 h axis with 48 half-hour slots and a marker on every slot
// where the controller switches program. A left click steps a slot's program 1..9, "Ж", 1...
// (every click counts, however quick); a right click opens a menu that sets the program directly
// or removes the switch point; a day holds at most ten of them.
class CScheduleWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int SlotCount = kSlotCount;
    static constexpr int MaxSwitchPoints = kMaxSwitchPoints;
    static constexpr int YellowMode = kYellowMode;
    using SlotArray = std::array<int, SlotCount>;

    explicit CScheduleWnd(QWidget* parent = nullptr);
    ~CScheduleWnd() override;

    CScheduleWnd(const CScheduleWnd&) = delete;
    CScheduleWnd& operator=(const CScheduleWnd&) = delete;

    // The day's slots, read and written directly by the file and memory code; repaint after writing.
    [[nodiscard]] SlotArray& DaySlots() { return m_slots; }
    [[nodiscard]] const SlotArray& DaySlots() const { return m_slots; }
    // Replaces all 48 slots and repaints.
    void SetSlots(const SlotArray& values);
    [[nodiscard]] int SwitchPointCount() const;

    // Geometry for a client width, in pixels.
    [[nodiscard]] static double Pitch(int width);
    [[nodiscard]] static int SlotX(int slot, int width);
    [[nodiscard]] static int HourX(int hour, int width);
    [[nodiscard]] static int HalfHourOffset(int width);
    // The slot under x, or -1 when there is none.
    [[nodiscard]] static int SlotAt(int x, int width);
    // The area a marker and its label occupy, to be repainted when the slot changes.
    [[nodiscard]] static QRect MarkerRect(int slot, int width);

    // What the mouse does to slot `slot`; false when it changes nothing.
    bool StepSlot(int slot);
    bool ClearSlot(int slot);
    // Sets the slot to `value` (0 none, 1..9, YellowMode); false when it changes nothing or would
    // make an eleventh switch point.
    bool SetSlot(int slot, int value);

signals:
    // Once for every click that changed a slot, after the change; never for SetSlots.
    void userEdited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void DrawMarker(QPainter& painter, int slot) const;
    void LeftClick(int slot);
    // The menu of programs for `slot`, at `where` (global).
    void ChooseFromMenu(int slot, const QPoint& where);

    SlotArray m_slots{};
    QFont m_labelFont;
};

} // namespace vlk
