#pragma once

#include "editor/PopupGeometry.h"
#include "editor/ZetPopup.h"
#include "util/ADate.h"

namespace vlk {

// The calendar of a date editor: a days view (weeks in columns, Monday..Sunday in rows, grey days
// of the neighbouring months) and a months view, toggled by the header, stepped by the arrows.
class CalendarPopup final : public ZetPopup {
    Q_OBJECT
public:
    explicit CalendarPopup(ClassZetEdit* owner);

    // The application's one calendar date: today at first, then the last date chosen.
    [[nodiscard]] static ADate& SharedDate();

    [[nodiscard]] QString Start() override;
    void KeyFromEdit(QKeyEvent* event) override;

    [[nodiscard]] bool DaysView() const { return m_daysView; }
    [[nodiscard]] int Selection() const { return m_selection; }
    [[nodiscard]] popup_geometry::CalendarZone Hover() const { return m_hover; }

protected:
    void Finish() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The date changed: the display goes into the edit and the editor, which tells the grid.
    void ShowDate();
    void SelectDateCell();
    void DrawFrame(QPainter& painter) const;
    void DrawHeader(QPainter& painter) const;
    void DrawDayCells(QPainter& painter) const;
    void DrawMonthCells(QPainter& painter) const;

    bool m_daysView = true;
    int m_selection = -1;
    bool m_closeRequest = false;
    popup_geometry::CalendarZone m_hover = popup_geometry::CalendarZone::None;
};

} // namespace vlk
