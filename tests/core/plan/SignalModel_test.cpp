// The timing model: one program's cycle, the running junction over the week, and the two agreeing.

#include "config/DemoJunction.h"
#include "plan/ProgramCycle.h"
#include "plan/RunningJunction.h"
#include "plan/SignalModel.h"

#include <gtest/gtest.h>

#include <random>

namespace vlk {
namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kHour = 3600 * kSecond;
constexpr std::int64_t kDay = 24 * kHour;

using S = Signal;

std::string Describe(const std::vector<SignalSpan>& spans)
{
    std::string text;
    for (const SignalSpan& s : spans)
        text += std::string(SignalCode(s.signal)) + " " + std::to_string(s.start) + "+" + std::to_string(s.length) + "; ";
    return text;
}

TEST(ProgramCycle, TheDemoDayProgramWrittenOut)
{
    const ProgramCycle cycle = ProgramCycle::Of(DemoJunction(), 1);
    // 30 + 20 + 10 s of phases, three changes of 13 s: the slowest closing direction's
    // 3 + 3 + 3 + 2 s, then 2 s of red-yellow.
    EXPECT_EQ(cycle.Length(), 99);
    EXPECT_EQ(cycle.Parts(), (std::vector<CyclePart>{{1, 0, 0, 30}, {1, 2, 30, 13}, {2, 0, 43, 20}, {2, 3, 63, 13},
                                                      {3, 0, 76, 10}, {3, 1, 86, 13}}));
    // Main street: its phase, 3 s more green, 3 s flashing, 3 s yellow; red-yellow at the end of the cycle.
    EXPECT_EQ(cycle.Spans(1), (std::vector<SignalSpan>{{S::Green, 0, 33}, {S::GreenFlashing, 33, 3}, {S::Yellow, 36, 3},
                                                        {S::Red, 39, 58}, {S::RedYellow, 97, 2}}))
        << Describe(cycle.Spans(1));
    EXPECT_EQ(cycle.Spans(3), (std::vector<SignalSpan>{{S::Red, 0, 41}, {S::RedYellow, 41, 2}, {S::Green, 43, 23},
                                                        {S::GreenFlashing, 66, 3}, {S::Yellow, 69, 3}, {S::Red, 72, 27}}))
        << Describe(cycle.Spans(3));
    EXPECT_EQ(cycle.Spans(5), (std::vector<SignalSpan>{{S::Red, 0, 74}, {S::RedYellow, 74, 2}, {S::Green, 76, 13},
                                                        {S::GreenFlashing, 89, 3}, {S::Yellow, 92, 3}, {S::Red, 95, 4}}))
        << Describe(cycle.Spans(5));
    // The crossings: flashing green at once, no yellow, no red-yellow.
    EXPECT_EQ(cycle.Spans(7), (std::vector<SignalSpan>{{S::Green, 0, 30}, {S::GreenFlashing, 30, 4}, {S::Red, 34, 65}}))
        << Describe(cycle.Spans(7));
    EXPECT_EQ(cycle.Spans(8), (std::vector<SignalSpan>{{S::Red, 0, 43}, {S::Green, 43, 20}, {S::GreenFlashing, 63, 4},
                                                        {S::Red, 67, 32}}))
        << Describe(cycle.Spans(8));
    EXPECT_EQ(cycle.Spans(9), (std::vector<SignalSpan>{{S::Dark, 0, 99}}));

    EXPECT_EQ(cycle.At(1, 32), S::Green);
    EXPECT_EQ(cycle.At(1, 33), S::GreenFlashing);
    EXPECT_EQ(cycle.At(1, 98), S::RedYellow);
    EXPECT_EQ(cycle.At(1, 99), S::Green) << "taken modulo the cycle";
    EXPECT_EQ(cycle.PartAt(42), (CyclePart{1, 2, 30, 13}));
    EXPECT_EQ(cycle.PartAt(43), (CyclePart{2, 0, 43, 20}));

    // The rows of the table of this cycle in docs/signal-plan.md.
    std::vector<int> starts;
    int covered = 0;
    for (const CycleStretch& s : cycle.Stretches()) {
        starts.push_back(s.start);
        covered += s.length;
    }
    EXPECT_EQ(starts, (std::vector<int>{0, 30, 33, 34, 36, 39, 41, 43, 63, 66, 67, 69, 72, 74, 76, 86, 89, 92, 95, 97}));
    EXPECT_EQ(covered, 99);
}

TEST(ProgramCycle, ZeroDurationsOneTwoOrNoPhasesAndChangesWithoutSteps)
{
    Configuration c = DemoJunction();
    // A duration of 0 leaves the phase out: phases 2 and 5 (5 has no direction: all red).
    c.programDuration[3] = {0, 20, 0, 0, 15, 0, 0, 0};
    ProgramCycle cycle = ProgramCycle::Of(c, 4);
    EXPECT_EQ(cycle.Parts(), (std::vector<CyclePart>{{2, 0, 0, 20}, {2, 5, 20, 11}, {5, 0, 31, 15}, {5, 2, 46, 2}}));
    EXPECT_EQ(cycle.Spans(4), (std::vector<SignalSpan>{{S::Green, 0, 23}, {S::GreenFlashing, 23, 3}, {S::Yellow, 26, 3},
                                                        {S::Red, 29, 17}, {S::RedYellow, 46, 2}}));

    // One phase: no change at all, green the whole cycle.
    c.programDuration[3] = {0, 0, 25, 0, 0, 0, 0, 0};
    cycle = ProgramCycle::Of(c, 4);
    EXPECT_EQ(cycle.Length(), 25);
    EXPECT_EQ(cycle.Spans(5), (std::vector<SignalSpan>{{S::Green, 0, 25}}));

    // No phase with a duration: nothing runs.
    EXPECT_TRUE(ProgramCycle::Of(c, 5).Empty());
    EXPECT_TRUE(ProgramCycle::Of(c, 0).Empty());
    EXPECT_EQ(ProgramCycle::Of(c, 5).At(1, 3), S::Dark);

    // Every step 0: the change takes no time, green goes straight to red.
    for (auto& d : c.directions)
        d.stepTimes = {};
    c.programDuration[3] = {10, 5, 0, 0, 0, 0, 0, 0};
    cycle = ProgramCycle::Of(c, 4);
    EXPECT_EQ(cycle.Parts(), (std::vector<CyclePart>{{1, 0, 0, 10}, {2, 0, 10, 5}}));
    EXPECT_EQ(cycle.Spans(1), (std::vector<SignalSpan>{{S::Green, 0, 10}, {S::Red, 10, 5}}));
}

TEST(SignalModel, ChangesCloseEachDirectionAtItsOwnPaceAndOpenTogether)
{
    Configuration c = DemoJunction();
    c.directions[1].stepTimes = {1, 2, 4, 1, 3}; // main south: slower yellow, longer red-yellow
    // 1→2: the slowest closer is direction 2 (1+2+4+1 = 8) or 1 (3+3+3+2 = 11): 11; openers 2 s.
    EXPECT_EQ(SignalModel::ChangeLength(c, 1, 2), 13);
    EXPECT_EQ(SignalModel::ClosingLength(c, 1, 2), 11);
    const ChangeSpans south = SignalModel::Change(c, 2, 1, 2, 13);
    EXPECT_EQ(std::vector<SignalSpan>(south.begin(), south.end()),
              (std::vector<SignalSpan>{{S::Green, 0, 1}, {S::GreenFlashing, 1, 2}, {S::Yellow, 3, 4}, {S::Red, 7, 6}}));
    // 3→1: direction 2 opens with 3 s of red-yellow, so the change is 11 + 3 and direction 1 waits red.
    EXPECT_EQ(SignalModel::ChangeLength(c, 3, 1), 14);
    const ChangeSpans north = SignalModel::Change(c, 1, 3, 1, 14);
    EXPECT_EQ(std::vector<SignalSpan>(north.begin(), north.end()),
              (std::vector<SignalSpan>{{S::Red, 0, 12}, {S::RedYellow, 12, 2}}));
    // Out of yellow flashing (phase 0): only the openers' red-yellow.
    EXPECT_EQ(SignalModel::ChangeLength(c, 0, 1), 3);
    EXPECT_EQ(SignalModel::NextPhase(c, 3, 2), 1);
    EXPECT_EQ(SignalModel::NextPhase(c, 3, 0), 1);
    EXPECT_EQ(SignalModel::NextPhase(c, 5, 2), 2) << "a program that does not run stays";
}

TEST(SignalModel, TheWeekInForceAtAnyTime)
{
    const Configuration demo = DemoJunction();
    EXPECT_EQ(SignalModel::ScheduledProgram(demo, 0, 0, 0), 3);
    EXPECT_EQ(SignalModel::ScheduledProgram(demo, 0, 7, 29), 1);
    EXPECT_EQ(SignalModel::ScheduledProgram(demo, 0, 7, 30), 2);
    EXPECT_EQ(SignalModel::ScheduledProgram(demo, 5, 6, 59), kYellowMode);
    EXPECT_EQ(SignalModel::ScheduledProgram(demo, 6, 23, 59), 3);

    const std::vector<WeekSpan> week = SignalModel::Week(demo);
    const std::vector<WeekSpan> monday(week.begin(), week.begin() + 7);
    EXPECT_EQ(monday, (std::vector<WeekSpan>{{0, 0, 12, 3}, {0, 12, 15, 1}, {0, 15, 19, 2}, {0, 19, 33, 1},
                                             {0, 33, 39, 2}, {0, 39, 45, 1}, {0, 45, 48, 3}}));
    std::vector<WeekSpan> saturday;
    for (const WeekSpan& s : week)
        if (s.day == 5)
            saturday.push_back(s);
    EXPECT_EQ(saturday, (std::vector<WeekSpan>{{5, 0, 14, kYellowMode}, {5, 14, 18, 3}, {5, 18, 44, 1}, {5, 44, 48, 3}}));

    // Before the first switch point of the week the last one of Sunday is in force.
    Configuration c = Configuration::FreshStart();
    c.week[2][20] = 4;
    EXPECT_EQ(SignalModel::ScheduledProgram(c, 0, 3, 0), 4);
    EXPECT_EQ(SignalModel::ScheduledProgram(Configuration::FreshStart(), 3, 12, 0), 1) << "an empty week runs program 1";
}

// The running junction sampled every second for one cycle, from the start of the first phase.
void ExpectRunningMatchesCycle(const Configuration& base, int program)
{
    Configuration c = base;
    c.week = {};
    c.week[0][0] = program;
    const ProgramCycle cycle = ProgramCycle::Of(c, program);
    ASSERT_FALSE(cycle.Empty());
    RunningJunction junction(c, true, 0);
    // Out of yellow flashing into the first phase, then the cycle.
    const int first = SignalModel::NextPhase(c, program, 0);
    junction.Advance(SignalModel::ChangeLength(c, 0, first) * kSecond);
    ASSERT_EQ(junction.CurrentRegime(), RunningJunction::Regime::Phase);
    ASSERT_EQ(junction.Phase(), first);
    for (int t = 0; t < cycle.Length(); ++t) {
        const CyclePart part = cycle.PartAt(t);
        ASSERT_EQ(junction.Phase(), part.phase) << "second " << t;
        ASSERT_EQ(junction.CurrentRegime() == RunningJunction::Regime::Change, part.IsChange()) << "second " << t;
        for (int d = 1; d <= kDirectionCount; ++d)
            ASSERT_EQ(junction.SignalOf(d), cycle.At(d, t)) << "program " << program << " second " << t << " direction " << d;
        junction.Advance(kSecond);
    }
    EXPECT_EQ(junction.Phase(), first);
    EXPECT_EQ(junction.RegimeMs(), 0);
}

TEST(RunningJunction, RunsEachDemoProgramExactlyAsItsCycle)
{
    for (int program = 1; program <= 3; ++program)
        ExpectRunningMatchesCycle(DemoJunction(), program);
}

TEST(RunningJunction, RunsRandomConfigurationsExactlyAsTheirCycles)
{
    std::mt19937 random(12);
    auto upTo = [&random](int n) { return static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, n)(random)); };
    for (int round = 0; round < 40; ++round) {
        Configuration c;
        for (auto& d : c.directions) {
            d.phaseMask = upTo(3) == 0 ? 0 : upTo(255);
            for (auto& s : d.stepTimes)
                s = upTo(6);
        }
        for (auto& durations : c.programDuration)
            for (auto& duration : durations)
                duration = upTo(2) == 0 ? 0 : upTo(40);
        for (int program = 1; program <= kProgramCount; ++program)
            if (SignalModel::ProgramRuns(c, program))
                ExpectRunningMatchesCycle(c, program);
    }
}

TEST(RunningJunction, AProgramChangeWaitsForThePhaseEndButYellowFlashingStartsAtOnce)
{
    const Configuration demo = DemoJunction();
    // Monday 07:29:50: the day program (1) in phase 1, peak (2) from 07:30.
    RunningJunction junction(demo, true, 7 * kHour + 29 * 60 * kSecond + 50 * kSecond);
    ASSERT_EQ(junction.Program(), 1);
    junction.Advance(20 * kSecond);
    EXPECT_EQ(junction.Program(), 1) << "the running phase keeps its program";

    // Friday 23:59:55 into Saturday: yellow flashing at midnight, in the middle of whatever runs.
    junction.SetWeekTime(4 * kDay + 23 * kHour + 59 * 60 * kSecond + 55 * kSecond);
    junction.Advance(5 * kSecond);
    EXPECT_EQ(junction.CurrentRegime(), RunningJunction::Regime::YellowFlashing);
    EXPECT_EQ(junction.Program(), 0);
    EXPECT_EQ(junction.SignalOf(1), S::YellowFlashing);
    EXPECT_EQ(junction.SignalOf(9), S::Dark);
    EXPECT_EQ(junction.LitLampsOf(1), LampYellow);
    junction.Advance(500);
    EXPECT_EQ(junction.LitLampsOf(1), 0);

    // 07:00 the night program: out of flashing, red-yellow into its first phase.
    junction.SetWeekTime(5 * kDay + 7 * kHour);
    EXPECT_EQ(junction.CurrentRegime(), RunningJunction::Regime::Change);
    EXPECT_EQ(junction.Program(), 3);
    EXPECT_EQ(junction.SignalOf(1), S::RedYellow);
    EXPECT_EQ(junction.SignalOf(3), S::Red);
    junction.Advance(2 * kSecond);
    EXPECT_EQ(junction.CurrentRegime(), RunningJunction::Regime::Phase);
    EXPECT_EQ(junction.SignalOf(1), S::Green);
}

} // namespace
} // namespace vlk
