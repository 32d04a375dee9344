#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vlk {

// A year, month and day as the local clock gives them.
struct CivilDay {
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const CivilDay&) const = default;
};

// Process-wide hooks of the date code. The UI connects the beep to the platform's simple beep;
// tests install a recorder and a fixed clock. An empty function restores the default (silence,
// the system's local clock).
using BeepHandler = std::function<void()>;
using TodaySource = std::function<CivilDay()>;
void SetBeepHandler(BeepHandler handler);
void SetTodaySource(TodaySource source);
void Beep();
[[nodiscard]] CivilDay Today();

// Days in a month; February has 29 days in every year divisible by 4 (no century rule), and a
// month outside 1..12 counts 31.
[[nodiscard]] int DaysInMonthOf(int year, int month);

// True for 1 <= month <= 12 and 1 <= day <= the month's length; otherwise beeps and returns false.
[[nodiscard]] bool IsValid(int year, int month, int day);

// 1 = Monday .. 7 = Sunday; 0 when the day exceeds the month's length.
[[nodiscard]] int Weekday(int year, int month, int day);

// A calendar date: the calendar pop-up shows, steps through and parses it.
class ADate {
public:
    ADate() = default;

    void SetToday();
    // A year below 1000 gets the current century; an impossible date beeps and becomes today.
    void SetDate(int year, int month, int day);
    void SetMonth(int month) { SetDate(m_year, month, m_day); }
    void SetDay(int day) { SetDate(m_year, m_month, day); }

    [[nodiscard]] int GetYear() const { return m_year; }
    [[nodiscard]] int GetMonth() const { return m_month; }
    [[nodiscard]] int GetDay() const { return m_day; }
    [[nodiscard]] int GetWeekday() const { return m_weekday; }
    [[nodiscard]] int DaysInMonth() const { return DaysInMonthOf(m_year, m_month); }
    [[nodiscard]] int WeekdayOf(int day) const { return Weekday(m_year, m_month, day); }

    // Moves by n months (-12..12) carrying the year; the day is lowered to the new month's length.
    void AddMonths(int n);

    // Reads "d", "d.m" or "d.m.y" (UTF-8); missing parts come from today.
    void Parse(std::string_view text);
    // "6.03.2008": day without a leading zero, two-digit month, full year.
    [[nodiscard]] std::string Format() const;

    [[nodiscard]] std::string MonthName(bool full) const { return MonthNameOf(m_month, full); }
    [[nodiscard]] static std::string MonthNameOf(int index, bool full);
    // The year with a blank before each digit: " 2 0 0 8".
    [[nodiscard]] std::string YearSpaced() const;

    bool operator==(const ADate&) const = default;

private:
    int m_year = 0;
    int m_month = 0;
    int m_day = 0;
    int m_weekday = 0;
};

} // namespace vlk
