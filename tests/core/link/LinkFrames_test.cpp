#include "link/LinkFrames.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

FrameBytes Frame(std::initializer_list<std::pair<int, std::uint8_t>> bytes)
{
    FrameBytes frame{};
    for (auto [index, value] : bytes)
        frame[index] = value;
    return frame;
}

TEST(StateFrame, OnlyConsoleReadyDecodesToAnEmptyJunction)
{
    const StateFrame frame = DecodeStateFrame(Frame({{0, 0x20}}));
    for (int bit = 0; bit < 8; ++bit)
        EXPECT_EQ(frame.status[bit], bit == 5) << bit;
    EXPECT_TRUE(frame.ConsoleReady());
    EXPECT_EQ(frame.currentPhase, 0);
    EXPECT_EQ(frame.calledPhase, 0);
    EXPECT_EQ(frame.priority, 0);
    EXPECT_EQ(frame.Day(), 0); // Monday
    EXPECT_EQ(frame.program, 0);
    EXPECT_EQ(frame.hours, 0);
    EXPECT_EQ(frame.minutes, 0);
    for (int d = 0; d < 24; ++d) {
        EXPECT_FALSE(frame.failure[d] || frame.red[d] || frame.yellow[d] || frame.green[d] || frame.greenSensor[d]);
    }
    for (int c = 0; c < 16; ++c)
        EXPECT_FALSE(frame.redSensorL1[c] || frame.redSensorL2[c]);
}

TEST(StateFrame, NumbersAndNibbles)
{
    const StateFrame frame = DecodeStateFrame(Frame({{1, 0x53}, {2, 0xC8}, {3, 0x27}, {4, 0x23}, {5, 0x1F}}));
    EXPECT_EQ(frame.currentPhase, 3);
    EXPECT_EQ(frame.calledPhase, 5);
    EXPECT_EQ(frame.priority, 200);
    EXPECT_EQ(frame.dayValue, 7);
    EXPECT_EQ(frame.Day(), kNoDay);
    EXPECT_EQ(frame.program, 2);
    EXPECT_EQ(frame.hours, 23);
    EXPECT_EQ(frame.minutes, 25); // nibbles are not checked
    EXPECT_EQ(DecodeStateFrame(Frame({{4, 0x0A}})).hours, 10);
    EXPECT_EQ(DecodeStateFrame(Frame({{5, 0x59}})).minutes, 59);
    EXPECT_EQ(DecodeStateFrame(Frame({{3, 0x96}})).Day(), 6);
    EXPECT_EQ(PackedDecimal(0xFF), static_cast<std::uint8_t>(165));
}

TEST(StateFrame, DirectionRunsCountFromBitZeroOfTheFirstByte)
{
    // direction 1 failed; red 9 and 24; yellow 2; green 17
    const StateFrame frame =
        DecodeStateFrame(Frame({{6, 0x01}, {10, 0x01}, {11, 0x80}, {12, 0x02}, {17, 0x01}}));
    EXPECT_TRUE(frame.failure[0]);
    EXPECT_FALSE(frame.failure[1]);
    EXPECT_TRUE(frame.red[8]);
    EXPECT_TRUE(frame.red[23]);
    EXPECT_FALSE(frame.red[0]);
    EXPECT_TRUE(frame.yellow[1]);
    EXPECT_TRUE(frame.green[16]);
    int lit = 0;
    for (int d = 0; d < 24; ++d)
        lit += frame.red[d] + frame.yellow[d] + frame.green[d] + frame.failure[d];
    EXPECT_EQ(lit, 5);
}

TEST(StateFrame, SensorLayouts)
{
    // byte 18 = 0x06: "Л2" of channel 1 and "Л1" of channel 2
    StateFrame frame = DecodeStateFrame(Frame({{18, 0x06}}));
    EXPECT_FALSE(frame.redSensorL1[0]);
    EXPECT_TRUE(frame.redSensorL2[0]);
    EXPECT_TRUE(frame.redSensorL1[1]);
    EXPECT_FALSE(frame.redSensorL2[1]);
    // byte 21 bit 7: "Л2" of channel 16
    frame = DecodeStateFrame(Frame({{21, 0x80}}));
    EXPECT_TRUE(frame.redSensorL2[15]);

    // byte 23 = 0x41: channel 7 only, bit 6 ignored
    frame = DecodeStateFrame(Frame({{23, 0x41}}));
    for (int c = 0; c < 24; ++c)
        EXPECT_EQ(frame.greenSensor[c], c == 6) << c;
    // byte 25 bit 5: channel 24
    frame = DecodeStateFrame(Frame({{25, 0xE0}}));
    for (int c = 0; c < 24; ++c)
        EXPECT_EQ(frame.greenSensor[c], c == 23) << c;
}

TEST(ClockMessage, TagsAndDigits)
{
    // minutes 5, hours 14, Wednesday
    EXPECT_EQ(BuildClockMessage(5, 14, 2), (ClockMessage{0x85, 0x90, 0xA4, 0xB1, 0xC2, 0xF0}));
    EXPECT_EQ(BuildClockMessage(59, 23, 6), (ClockMessage{0x89, 0x95, 0xA3, 0xB2, 0xC6, 0xF0}));
    // no day chosen: 0xC0 - 1 kept to 8 bits
    EXPECT_EQ(BuildClockMessage(0, 0, -1)[4], 0xBF);
    // values taken modulo 256 first, never range-tested: 300 -> 44, -1 -> 255
    EXPECT_EQ(BuildClockMessage(300, -1, 0), (ClockMessage{0x84, 0x94, 0xA5, 0xB0 + 25, 0xC0, 0xF0}));
}

TEST(CommandBytes, Values)
{
    EXPECT_EQ(command::kNone, 0x00);
    EXPECT_EQ(command::kOperatorControl, 0x40);
    EXPECT_EQ(command::CallPhase(1), 0x41);
    EXPECT_EQ(command::CallPhase(8), 0x48);
    EXPECT_EQ(command::kYellowFlashing, 0x50);
    EXPECT_EQ(command::kLightsOff, 0x60);
    EXPECT_EQ(command::kNotReady, '*');
    EXPECT_EQ(kProgrammingToggle, (std::array<std::uint8_t, 2>{0xD5, 0x33}));
    EXPECT_EQ(SectorWriteCommand(14), 0xAE);
    EXPECT_EQ(SectorRefusedReply(3), 0xF3);
    EXPECT_EQ(SectorReadCommand(14), 0x5E);
}

} // namespace
} // namespace vlk
