#pragma once

#include "forms/AFormWnd.h"
#include "pages/ScheduleWnd.h"

#include <array>

namespace vlk {

// "Графики работы": the week schedule as seven day charts, Monday first, each standing where its
// template has a placeholder.
class CGraficWnd : public AFormWnd {
    Q_OBJECT
public:
    static constexpr int TemplateId = 159;
    static constexpr int FrameId = 1072;
    static constexpr std::array<int, 7> PlaceholderIds{1069, 1071, 1074, 1075, 1076, 1077, 1078};

    explicit CGraficWnd(QWidget* parent = nullptr);
    ~CGraficWnd() override;

    // Day 0 is Monday, 6 Sunday.
    [[nodiscard]] CScheduleWnd& Day(int day) { return m_days[static_cast<std::size_t>(day)]; }
    [[nodiscard]] const CScheduleWnd& Day(int day) const { return m_days[static_cast<std::size_t>(day)]; }

private:
    std::array<CScheduleWnd, 7> m_days;
};

} // namespace vlk
