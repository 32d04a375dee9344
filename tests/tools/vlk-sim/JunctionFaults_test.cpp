// The junction's faults as the simulator plays them into its state frames: each one in its place,
// only within its time, the rest of the frame as the running junction makes it.

#include "ControllerProtocol.h"
#include "SimulatorArguments.h"

#include <gtest/gtest.h>

namespace vlk::sim {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

bool Bit(const Bytes& frame, int byte, int bit) { return frame[static_cast<std::size_t>(byte)] >> bit & 1; }
// Direction d (1..24) in the run of three bytes at `first`.
bool DirectionBit(const Bytes& frame, int first, int d) { return Bit(frame, first + (d - 1) / 8, (d - 1) % 8); }
bool RedSensor(const Bytes& frame, int channel, int lamp) { return Bit(frame, 18 + (channel - 1) / 4, 2 * ((channel - 1) % 4) + lamp - 1); }
bool GreenSensor(const Bytes& frame, int channel) { return Bit(frame, 22 + (channel - 1) / 6, (channel - 1) % 6); }
int Packed(std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

JunctionFault Fault(JunctionFault::Kind kind, std::string_view text)
{
    auto fault = JunctionFaultValue(kind, text);
    EXPECT_TRUE(fault.has_value()) << text;
    return fault.value_or(JunctionFault{});
}

TEST(JunctionFaults, EachFaultIsPlayedInItsPlaceOnlyWithinItsTime)
{
    using Kind = JunctionFault::Kind;
    SimulatorOptions options;
    options.clock = SimulatorOptions::Clock{0, 12, 0, 0}; // Monday noon: the demo's program 1
    // The demo junction binds red channel d and green sensor d to direction d (1..8).
    options.junctionFaults = {
        Fault(Kind::LampOut, "1:green:10:100"),
        Fault(Kind::LampStuck, "3:red1:10:100"),
        Fault(Kind::SensorOn, "green:5:10:100"),
        Fault(Kind::DirectionFailure, "2:10:100"),
        Fault(Kind::Alarm, "10:100"),
        Fault(Kind::ClockOff, "5:10:100"),
    };
    auto t = Clock::time_point{} + 1h;
    ControllerProtocol faulty(options, *options.clock, t);
    SimulatorOptions plain = options;
    plain.junctionFaults.clear();
    ControllerProtocol healthy(plain, *plain.clock, t);

    int greenLitInFault = 0;
    int redDarkInFault = 0;
    for (int second = 0; second <= 130; ++second) {
        const auto at = t + std::chrono::seconds(second);
        const Bytes frame = faulty.PeriodicFrame(at).replies.at(0).bytes;
        const Bytes fine = healthy.PeriodicFrame(at).replies.at(0).bytes;
        ASSERT_EQ(frame.size(), 26u);
        const bool inFault = second >= 10 && second < 110;
        SCOPED_TRACE("second " + std::to_string(second));
        // The lamps themselves are the junction's own, fault or not.
        for (int byte = 9; byte <= 17; ++byte)
            EXPECT_EQ(frame[byte], fine[byte]);

        const bool green1 = DirectionBit(frame, 15, 1);
        EXPECT_EQ(GreenSensor(frame, 1), green1 && !inFault);
        greenLitInFault += inFault && green1;

        const bool red3 = DirectionBit(frame, 9, 3);
        EXPECT_EQ(RedSensor(frame, 3, 1), red3 || inFault);
        EXPECT_EQ(RedSensor(frame, 3, 2), red3); // "Л2" of the group works
        redDarkInFault += inFault && !red3;

        EXPECT_EQ(GreenSensor(frame, 5), DirectionBit(frame, 15, 5) || inFault);
        EXPECT_EQ(frame[6], inFault ? 0x02 : 0x00);
        EXPECT_EQ(Bit(frame, 0, 6), inFault);
        EXPECT_EQ(frame[0] & ~0x40, fine[0]);
        const int shown = Packed(frame[4]) * 60 + Packed(frame[5]);
        const int real = Packed(fine[4]) * 60 + Packed(fine[5]);
        EXPECT_EQ(shown, real + (inFault ? 5 : 0));
        // Other sensors are untouched.
        EXPECT_EQ(GreenSensor(frame, 2), GreenSensor(fine, 2));
        EXPECT_EQ(RedSensor(frame, 1, 1), RedSensor(fine, 1, 1));
    }
    // The fault was seen where it shows: a driven green dark, an undriven red lit.
    EXPECT_GT(greenLitInFault, 5);
    EXPECT_GT(redDarkInFault, 5);
}

TEST(JunctionFaults, OptionValuesAreReadWholeOrRefused)
{
    using Kind = JunctionFault::Kind;
    const auto out = JunctionFaultValue(Kind::LampOut, "24:red2:0:3600");
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(out->direction, 24);
    EXPECT_EQ(out->sensor, JunctionFault::Sensor::Red2);
    EXPECT_EQ(out->from, 0s);
    EXPECT_EQ(out->lasting, 3600s);
    const auto sensor = JunctionFaultValue(Kind::SensorOn, "green:24:5:1");
    ASSERT_TRUE(sensor.has_value());
    EXPECT_EQ(sensor->channel, 24);
    const auto behind = JunctionFaultValue(Kind::ClockOff, "-3:1:2");
    ASSERT_TRUE(behind.has_value());
    EXPECT_EQ(behind->minutes, -3);

    for (const char* text : {"25:green:0:1", "0:green:0:1", "1:yellow:0:1", "1:green:0:0", "1:green:0", "1:green:0:1:2",
                             "1:green:x:1", "1:red:0:1"})
        EXPECT_FALSE(JunctionFaultValue(Kind::LampOut, text).has_value()) << text;
    EXPECT_FALSE(JunctionFaultValue(Kind::SensorOn, "red1:17:0:1").has_value());
    EXPECT_TRUE(JunctionFaultValue(Kind::SensorOn, "red1:16:0:1").has_value());
    EXPECT_FALSE(JunctionFaultValue(Kind::Alarm, "5").has_value());
    EXPECT_FALSE(JunctionFaultValue(Kind::ClockOff, "0:1:2").has_value());
    EXPECT_FALSE(JunctionFaultValue(Kind::ClockOff, "--3:1:2").has_value());
    EXPECT_FALSE(JunctionFaultValue(Kind::DirectionFailure, "3:1").has_value());
}

} // namespace
} // namespace vlk::sim
