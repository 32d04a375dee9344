// The junction inside the simulated controller, driven without a line: its frames over time.

#include "Junction.h"
#include "config/DemoJunction.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

using namespace std::chrono_literals;

bool Flag(const StateFrame& f, int bit) { return (f[0] >> bit & 1) != 0; }
int Phase(const StateFrame& f) { return f[1] & 0x0F; }
int Called(const StateFrame& f) { return f[1] >> 4; }
int Program(const StateFrame& f) { return f[3] >> 4; }
bool Lamp(const StateFrame& f, int firstByte, int d) { return (f[firstByte + (d - 1) / 8] >> ((d - 1) % 8) & 1) != 0; }

// What a direction shows, one letter a lamp: "К", "Ж", "З" as on the console, "КЖ" for red-yellow.
std::string Lamps(const StateFrame& f, int d)
{
    std::string s;
    if (Lamp(f, 9, d))
        s += "К";
    if (Lamp(f, 12, d))
        s += "Ж";
    if (Lamp(f, 15, d))
        s += "З";
    return s.empty() ? "-" : s;
}

// The lamps of direction d sampled every 500 ms for `seconds`, starting now.
std::vector<std::string> Samples(Junction& junction, int d, int seconds)
{
    std::vector<std::string> samples;
    for (int i = 0; i < 2 * seconds; ++i) {
        samples.push_back(Lamps(junction.Frame(), d));
        junction.Advance(500ms);
    }
    return samples;
}

TEST(Junction, PhaseCallWaitsForTheMinimumTimeThenRunsEachDirectionsSteps)
{
    Junction junction(DemoJunction(), true, 2, 14, 5); // Wednesday: program 1
    junction.Advance(2s);                             // red-yellow into phase 1 is over
    ASSERT_EQ(Phase(junction.Frame()), 1);
    ASSERT_FALSE(Flag(junction.Frame(), 0));

    junction.Command(0x42);
    StateFrame f = junction.Frame();
    EXPECT_TRUE(Flag(f, 3));   // "РУ"
    EXPECT_TRUE(Flag(f, 1));   // "Тмин": phase 1 has run 0 of its 10 s
    EXPECT_EQ(Called(f), 2);
    EXPECT_EQ(Phase(f), 1);
    junction.Advance(9900ms);
    EXPECT_FALSE(Flag(junction.Frame(), 0));
    junction.Advance(100ms);
    ASSERT_TRUE(Flag(junction.Frame(), 0)); // "Тпром"

    // Copies, so that each direction is sampled over the same 15 s.
    Junction a = junction, b = junction, c = junction, d = junction;
    // Main street closes: 3 s green, 3 s flashing green, 3 s yellow, then red (2 s of it all-red).
    EXPECT_EQ(Samples(a, 1, 15), (std::vector<std::string>{"З", "З", "З", "З", "З", "З", "З", "-", "З", "-", "З", "-",
                                                           "Ж", "Ж", "Ж", "Ж", "Ж", "Ж", "К", "К", "К", "К", "К", "К",
                                                           "К", "К", "К", "К", "К", "К"}));
    // Side street opens after the slowest closing direction (11 s): 2 s red-yellow, then green.
    EXPECT_EQ(Samples(b, 3, 15), (std::vector<std::string>{"К", "К", "К", "К", "К", "К", "К", "К", "К", "К", "К", "К",
                                                           "К", "К", "К", "К", "К", "К", "К", "К", "К", "К", "КЖ", "КЖ",
                                                           "КЖ", "КЖ", "З", "З", "З", "З"}));
    // The crossing of the side street: only flashing green, then red.
    EXPECT_EQ(Samples(c, 7, 6), (std::vector<std::string>{"З", "-", "З", "-", "З", "-", "З", "-", "К", "К", "К", "К"}));
    // Its opposite number has no red-yellow: red until the phase starts.
    const auto walk = Samples(d, 8, 15);
    EXPECT_EQ(walk[25], "К");
    EXPECT_EQ(walk[26], "З");

    junction.Advance(13s);
    f = junction.Frame();
    EXPECT_EQ(Phase(f), 2);
    EXPECT_EQ(Called(f), 2);
    EXPECT_FALSE(Flag(f, 0));
    junction.Advance(10min);
    EXPECT_EQ(Phase(junction.Frame()), 2) << "held while called";
}

TEST(Junction, ScheduleChoosesProgramsAndYellowFlashingAcrossTheWeek)
{
    const Configuration demo = DemoJunction();
    // Saturday 03:00: yellow flashing from midnight; no program, no phase.
    Junction night(demo, true, 5, 3, 0);
    StateFrame f = night.Frame();
    EXPECT_TRUE(Flag(f, 2));
    EXPECT_FALSE(Flag(f, 3));
    EXPECT_EQ(Program(f), 0);
    EXPECT_EQ(Phase(f), 0);
    EXPECT_EQ(f[9] | f[15], 0);
    const std::uint8_t first = f[12];
    night.Advance(500ms);
    EXPECT_NE(night.Frame()[12], first) << "the yellow flashes";
    EXPECT_EQ(first | night.Frame()[12], 0xFF);

    EXPECT_EQ(Program(Junction(demo, true, 0, 8, 0).Frame()), 2);   // Monday peak
    EXPECT_EQ(Program(Junction(demo, true, 6, 10, 0).Frame()), 1);  // Sunday day
    EXPECT_EQ(Program(Junction(demo, true, 6, 23, 59).Frame()), 3); // Sunday 22:00 night

    // Sunday 23:59:50 into Monday: the week wraps to Monday's first switch point (night).
    night.SetClock(6, 23, 59, 50);
    night.Advance(20s);
    EXPECT_EQ(night.Day(), 0);
    EXPECT_EQ(night.Hours(), 0);
    EXPECT_FALSE(Flag(night.Frame(), 2));

    // An empty week runs program 1; a configuration with no programs flashes.
    Configuration noWeek = demo;
    noWeek.week = {};
    EXPECT_EQ(Program(Junction(noWeek, true, 2, 12, 0).Frame()), 1);
    EXPECT_TRUE(Flag(Junction(Configuration::FreshStart(), true).Frame(), 2));
    // Memory the controller could not use: flashing and "ОШ".
    f = Junction(Configuration{}, false).Frame();
    EXPECT_TRUE(Flag(f, 2));
    EXPECT_TRUE(Flag(f, 7));
}

TEST(Junction, NewProgramStartsOnlyWhenThePhaseEnds)
{
    Junction junction(DemoJunction(), true, 0, 9, 28, 0); // Monday peak (2) until 09:30, then day (1)
    bool switched = false;
    int lastPhase = Phase(junction.Frame());
    bool lastIntermediate = Flag(junction.Frame(), 0);
    for (int s = 0; s < 240 && !switched; ++s) {
        junction.Advance(1s);
        const StateFrame f = junction.Frame();
        if (Program(f) == 1) {
            switched = true;
            EXPECT_GE(junction.Hours() * 60 + junction.Minutes(), 9 * 60 + 30);
            // The program changes where a phase ended, never in the middle of one.
            EXPECT_TRUE(Flag(f, 0) != lastIntermediate || Phase(f) != lastPhase);
        } else {
            EXPECT_EQ(Program(f), 2);
        }
        lastPhase = Phase(f);
        lastIntermediate = Flag(f, 0);
    }
    EXPECT_TRUE(switched);
}

TEST(Junction, CommandsLampsOffYellowAndBackAndUnknownBytesIgnored)
{
    Junction junction(DemoJunction(), true, 2, 14, 5);
    junction.Advance(5s);
    junction.Command(0x40); // operator control: the running phase is held
    const int held = Phase(junction.Frame());
    junction.Advance(5min);
    EXPECT_EQ(Phase(junction.Frame()), held);
    EXPECT_TRUE(Flag(junction.Frame(), 3));
    EXPECT_EQ(junction.Frame()[2], 1); // "РУП" in charge

    junction.Command(0x60);
    StateFrame f = junction.Frame();
    EXPECT_TRUE(Flag(f, 4));
    EXPECT_EQ(std::count(f.begin() + 9, f.end(), 0), 17);

    junction.Command(0x2A); // not a command: nothing changes
    junction.Command(0x77);
    EXPECT_TRUE(Flag(junction.Frame(), 4));

    junction.Command(0x00);
    f = junction.Frame();
    EXPECT_FALSE(Flag(f, 3));
    EXPECT_FALSE(Flag(f, 4));
    EXPECT_TRUE(Flag(f, 0)); // into the first phase through red-yellow
    EXPECT_EQ(Called(f), 1);
    EXPECT_EQ(f[2], 10);
}

TEST(Junction, HandBackFromAPhaseOutsideTheProgramAndAOnePhaseProgram)
{
    // Monday 01:00: the night program has phases 1 and 2 only.
    Junction junction(DemoJunction(), true, 0, 1, 0);
    junction.Command(0x43);
    junction.Advance(60s);
    ASSERT_EQ(Phase(junction.Frame()), 3);
    junction.Command(0x00);
    junction.Advance(1s);
    StateFrame f = junction.Frame();
    EXPECT_TRUE(Flag(f, 0));
    EXPECT_EQ(Called(f), 1) << "phase 3 has no time in the night program: on to phase 1";
    EXPECT_EQ(Program(f), 3);

    Configuration single = DemoJunction();
    single.programDuration[0] = {0, 20, 0, 0, 0, 0, 0, 0};
    single.week = {};
    Junction one(single, true, 2, 12, 0);
    one.Advance(1h);
    f = one.Frame();
    EXPECT_EQ(Phase(f), 2);
    EXPECT_FALSE(Flag(f, 0)) << "a one-phase program never leaves its phase";
    EXPECT_EQ(f[15], 0x8C); // green: side street 3, 4 and the crossing 8
}

} // namespace
} // namespace vlk
