#include "util/ADate.h"

#include "util/NumberText.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace vlk {

namespace {

BeepHandler& BeepHook()
{
    static BeepHandler hook;
    return hook;
}

TodaySource& TodayHook()
{
    static TodaySource hook;
    return hook;
}

CivilDay SystemToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool IsLeap(int year)
{
    return year % 4 == 0;
}

// The leading decimal integer as atoi reads it (blanks, a sign, digits), saturated instead of
// overflowing; text without one counts as 0.
int LeadingInt(std::string_view text)
{
    return NumberText::LeadingInt(text);
}

// Characters, not bytes, so that Cyrillic text counts as the user sees it.
std::size_t CharacterCount(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

struct MonthNames {
    const char* shortName;
    const char* fullName;
};

constexpr MonthNames kMonthNames[13] = {
    {"", ""},
    {"Янв", "Январь"}, {"Фев", "Февраль"}, {"Мар", "Март"}, {"Апр", "Апрель"},
    {"Май", "Май"}, {"Июн", "Июнь"}, {"Июл", "Июль"}, {"Авг", "Август"},
    {"Сен", "Сентябрь"}, {"Окт", "Октябрь"}, {"Ноя", "Ноябрь"}, {"Дек", "Декабрь"},
};

} // namespace

void SetBeepHandler(BeepHandler handler)
{
    BeepHook() = std::move(handler);
}

void SetTodaySource(TodaySource source)
{
    TodayHook() = std::move(source);
}

void Beep()
{
    if (BeepHook())
        BeepHook()();
}

CivilDay Today()
{
    return TodayHook() ? TodayHook()() : SystemToday();
}

int DaysInMonthOf(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 31;
    if (month == 2 && IsLeap(year))
        return 29;
    return kDays[month - 1];
}

bool IsValid(int year, int month, int day)
{
    if (month >= 1 && month <= 12 && day >= 1 && day <= 31 && day <= DaysInMonthOf(year, month))
        return true;
    Beep();
    return false;
}

int Weekday(int year, int month, int day)
{
    if (day > DaysInMonthOf(year, month))
        return 0;
    // Anchored on 1 January 1996, a Monday; 64-bit so that extreme years cannot overflow.
    const std::int64_t c = year > 1996 ? std::int64_t{year} - 1996 : 1996 - std::int64_t{year};
    std::int64_t w;
    if (year > 1996) {
        const std::int64_t q = (c - 1) / 4 + 1;
        w = (c + q + 1) % 7;
    } else {
        const std::int64_t q = c / 4;
        std::int64_t r = (c + q) % 7;
        if (r == 0)
            r = 7;
        w = 8 - r;
    }
    if (w == 0)
        w = 7;
    std::int64_t s = 0;
    for (int m = 1; m < std::min(month, 13); ++m)
        s += DaysInMonthOf(year, m);
    std::int64_t result = (w + s + day - 1) % 7;
    if (result < 0)
        result += 7;
    return result == 0 ? 7 : static_cast<int>(result);
}

void ADate::SetToday()
{
    const CivilDay today = Today();
    m_year = today.year;
    m_month = today.month;
    m_day = today.day;
    m_weekday = Weekday(m_year, m_month, m_day);
}

void ADate::SetDate(int year, int month, int day)
{
    if (year < 1000)
        year += Today().year / 100 * 100;
    if (!IsValid(year, month, day)) {
        SetToday();
        return;
    }
    m_year = year;
    m_month = month;
    m_day = day;
    m_weekday = Weekday(m_year, m_month, m_day);
}

void ADate::AddMonths(int n)
{
    // Floor division keeps any n sound; the pop-ups use -12..12.
    const std::int64_t index = std::int64_t{m_year} * 12 + (m_month - 1) + n;
    std::int64_t year = index >= 0 ? index / 12 : -((-index + 11) / 12);
    const int month = static_cast<int>(index - year * 12) + 1;
    year = std::clamp<std::int64_t>(year, INT_MIN, INT_MAX);
    m_year = static_cast<int>(year);
    m_month = month;
    m_day = std::min(m_day, DaysInMonthOf(m_year, m_month));
    m_weekday = Weekday(m_year, m_month, m_day);
}

void ADate::Parse(std::string_view text)
{
    const CivilDay today = Today();
    if (text.empty()) {
        SetToday();
        return;
    }
    int day = 0;
    int month = 0;
    int year = 0;
    if (CharacterCount(text) <= 10) {
        const std::size_t first = text.find('.');
        if (first == std::string_view::npos) {
            day = LeadingInt(text);
        } else {
            day = LeadingInt(text.substr(0, first));
            const std::string_view rest = text.substr(first + 1);
            month = LeadingInt(rest);
            const std::size_t second = rest.find('.');
            if (second != std::string_view::npos)
                year = LeadingInt(rest.substr(second + 1));
        }
        if (text.find('.') == std::string_view::npos ||
            text.find('.', text.find('.') + 1) == std::string_view::npos) {
            year = today.year;
            if (month == 0)
                month = today.month;
        }
    }
    SetDate(year, month, day);
}

std::string ADate::Format() const
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%i.%2.2i.%i", m_day, m_month, m_year);
    return buffer;
}

std::string ADate::MonthNameOf(int index, bool full)
{
    if (index < 0 || index > 12)
        return {};
    return full ? kMonthNames[index].fullName : kMonthNames[index].shortName;
}

std::string ADate::YearSpaced() const
{
    const std::string digits = std::to_string(m_year);
    std::string spaced;
    for (const char c : digits) {
        spaced += ' ';
        spaced += c;
    }
    return spaced;
}

} // namespace vlk
