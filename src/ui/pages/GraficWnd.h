#pragma once

#include "forms/AFormWnd.h"
#include "pages/ScheduleWnd.h"

#include <array>

namespace vlk {

// "Графики работы": the week schedule as seven day charts, Monday first, each standing where its
// template has a placeholder (the catalogue's day charts).
class CGraficWnd : public AFormWnd {
    Q_OBJECT
public:
    explicit CGraficWnd(QWidget* parent = nullptr);
    ~CGraficWnd() override;

    // Day 0 is Monday, 6 Sunday.
    [[nodiscard]] CScheduleWnd& Day(int day) { return m_days[static_cast<std::size_t>(day)]; }
    [[nodiscard]] const CScheduleWnd& Day(int day) const { return m_days[static_cast<std::size_t>(day)]; }

private:
    std::array<CScheduleWnd, 7> m_days;
};

} // namespace vlk
