// The time `vlkctl clock --time` takes: H:MM or HH:MM and nothing else.
#include "ClockTime.h"

#include <gtest/gtest.h>

#include <string>

namespace vlk {
namespace {

TEST(ClockTime, TakesOneOrTwoHourDigitsAndTwoMinuteDigits)
{
    const struct {
        const char* text;
        int hours;
        int minutes;
    } taken[] = {
        {"9:05", 9, 5}, {"09:05", 9, 5}, {"0:00", 0, 0}, {"00:00", 0, 0}, {"23:59", 23, 59}, {"12:30", 12, 30},
    };
    for (const auto& t : taken) {
        SCOPED_TRACE(t.text);
        const auto time = ParseClockTime(t.text);
        ASSERT_TRUE(time.has_value());
        EXPECT_EQ(time->first, t.hours);
        EXPECT_EQ(time->second, t.minutes);
    }
}

TEST(ClockTime, RefusesAnythingElse)
{
    for (const char* text : {
             // signs and blanks that a scanf-style reader skips or takes
             " 9:05", "9:05 ", "9: 05", "+9:05", "+9:+5", "-0:5", "-0:05", "9:-5", "\t9:05", "9:05\n",
             // wrong number of digits
             "9:5", "009:05", "9:005", ":05", "9:", "", ":",
             // out of range
             "24:00", "23:60", "99:99",
             // other shapes
             "9.05", "9h05", "0x9:05", "9:05:00", "9::05", "12:3a", "1e1:05", "٩:٠٥",
         }) {
        SCOPED_TRACE(std::string("\"") + text + "\"");
        EXPECT_FALSE(ParseClockTime(text).has_value());
    }
    // A NUL inside the text is not its end.
    EXPECT_FALSE(ParseClockTime(std::string_view("9:05\0x", 6)).has_value());
}

} // namespace
} // namespace vlk
