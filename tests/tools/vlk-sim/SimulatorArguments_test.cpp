#include "SimulatorArguments.h"

#include <gtest/gtest.h>

namespace vlk::sim {
namespace {

TEST(SimulatorArguments, AWholeNumberIsAllDigitsAndInRange)
{
    EXPECT_EQ(WholeNumber("0", 0, 10), 0);
    EXPECT_EQ(WholeNumber("10", 0, 10), 10);
    EXPECT_EQ(WholeNumber("007", 0, 10), 7);
    for (const char* text : {"", "3x", "x3", "1e3", "2.5", " 5", "5 ", "+5", "-1", "11", "0x5", "99999999999999999999"})
        EXPECT_FALSE(WholeNumber(text, 0, 10).has_value()) << '"' << text << '"';
    EXPECT_EQ(WholeNumber("0x1F", 0, 255, true), 31);
    EXPECT_EQ(WholeNumber("0XfF", 0, 255, true), 255);
    EXPECT_EQ(WholeNumber("18", 0, 255, true), 18);
    for (const char* text : {"0x", "0x100", "0x-1", "0x1G", "0x 1"})
        EXPECT_FALSE(WholeNumber(text, 0, 255, true).has_value()) << '"' << text << '"';
}

TEST(SimulatorArguments, FaultValues)
{
    const auto always = SectorFaultValue("3");
    ASSERT_TRUE(always.has_value());
    EXPECT_EQ(always->sector, 3);
    EXPECT_EQ(always->times, -1);
    const auto twice = SectorFaultValue("14:2");
    ASSERT_TRUE(twice.has_value());
    EXPECT_EQ(twice->sector, 14);
    EXPECT_EQ(twice->times, 2);
    for (const char* text : {"3x", "15", "-1", "3:", ":2", "3:0", "3:1e3", "3:2:1", "3,2"})
        EXPECT_FALSE(SectorFaultValue(text).has_value()) << '"' << text << '"';

    const auto garbled = ToggleReplyValue("0x12:1");
    ASSERT_TRUE(garbled.has_value());
    EXPECT_EQ(garbled->byte, 0x12);
    EXPECT_EQ(garbled->times, 1);
    const auto refused = ToggleReplyValue("0");
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->byte, 0);
    EXPECT_EQ(refused->times, -1);
    for (const char* text : {"0x", "1e3", "256", "0x155", "0x12:", "0x12:0", "12:x"})
        EXPECT_FALSE(ToggleReplyValue(text).has_value()) << '"' << text << '"';

    const auto clock = ClockValue("6,23:58");
    ASSERT_TRUE(clock.has_value());
    EXPECT_EQ(clock->day, 6);
    EXPECT_EQ(clock->hours, 23);
    EXPECT_EQ(clock->minutes, 58);
    for (const char* text : {"7,10:00", "2,24:00", "2,10:60", "2,10", "2:10:00", "2,10:00x", " 2,10:00", "2,1e1:00"})
        EXPECT_FALSE(ClockValue(text).has_value()) << '"' << text << '"';
}

} // namespace
} // namespace vlk::sim
