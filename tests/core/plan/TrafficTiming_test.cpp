// Cycle and greens from counted flows, worked by hand on the demo crossroads.
//
// The demo's vehicle directions have steps 3, 3, 3, 2, 2 and its crossings 0, 4, 0, 3, 0, so each
// change of phases is 3 + 3 + 3 + 2 = 11 s of the slowest closing direction and 2 s of red-yellow:
// 13 s. Program 1 runs phases 1, 2, 3 (L = 39 s), program 3 phases 1, 2 (L = 26 s). Phase 1 holds
// directions 1, 2, 7; phase 2 directions 3, 4, 8; phase 3 directions 5, 6. "Мин. время" 10, 8, 5;
// minimum greens 7 (vehicles) and 6 (crossings): the least durations are 10, 8, 7.

#include "config/DemoJunction.h"
#include "plan/ConfigurationCheck.h"
#include "plan/TrafficTiming.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

TrafficInputs Flows(int program, std::initializer_list<std::pair<int, double>> flows, int maxCycle = 120)
{
    TrafficInputs in;
    in.program = program;
    in.maxCycle = maxCycle;
    for (const auto& [direction, flow] : flows)
        in.directions[direction - 1].flow = flow;
    return in;
}

std::vector<int> Durations(const TrafficTiming& t)
{
    std::vector<int> d;
    for (const PhaseTiming& p : t.phases)
        d.push_back(p.duration);
    return d;
}

TEST(TrafficTiming, WebstersCycleOnThreeFlowSetsAsWorkedByHand)
{
    const Configuration demo = DemoJunction();

    // Set 1, program 1: y = 360/1800 = 0.2 (direction 1 over 2's 0.1667), 180/1800 = 0.1, 90/1800 = 0.05.
    // Y = 0.35; C = (1.5 * 39 + 5) / 0.65 = 97.69 -> 98; greens (98 - 39) * y / Y = 33.71, 16.86,
    // 8.43 -> 33, 16, 8 and the two seconds left to phases 1 and 2: 34, 17, 8.
    {
        const TrafficTiming t = ComputeTrafficTiming(demo, Flows(1, {{1, 360}, {2, 300}, {3, 180}, {4, 150}, {5, 90}, {6, 72}}));
        ASSERT_TRUE(t.Ok()) << t.error;
        EXPECT_EQ(t.lostTime, 39);
        EXPECT_NEAR(t.Y, 0.35, 1e-12);
        EXPECT_NEAR(t.websterCycle, 97.6923, 1e-4);
        EXPECT_EQ(t.cycle, 98);
        EXPECT_EQ(Durations(t), (std::vector<int>{34, 17, 8}));
        EXPECT_EQ(t.phases[0].criticalDirection, 1);
        EXPECT_EQ(t.phases[1].oldDuration, 20);
        EXPECT_TRUE(t.warnings.empty());
        // Direction 1 by hand: c = 1800 * 34 / 98 = 624.49, X = 0.5765, d1 = 26.12, d2 = 3.85.
        const DirectionTiming* d1 = t.Direction(1);
        ASSERT_NE(d1, nullptr);
        EXPECT_EQ(d1->green, 34);
        EXPECT_NEAR(d1->capacity, 624.4898, 1e-3);
        EXPECT_NEAR(d1->degreeOfSaturation, 0.576471, 1e-5);
        EXPECT_NEAR(d1->uniformDelay, 26.1224, 1e-3);
        EXPECT_NEAR(d1->incrementalDelay, 3.8456, 1e-3);
        EXPECT_EQ(d1->los, 'C');
        // Direction 6 in the 8 s of phase 3: d = 43.05 + 11.22 = 54.27, level D.
        EXPECT_NEAR(t.Direction(6)->delay, 54.2694, 1e-3);
        EXPECT_EQ(t.Direction(6)->los, 'D');
        // Directions 7 and 8 (the crossings) have no flow but are green: listed with X = 0.
        ASSERT_NE(t.Direction(7), nullptr);
        EXPECT_EQ(t.Direction(7)->degreeOfSaturation, 0);
        EXPECT_EQ(t.Direction(9), nullptr);

        // Written into program 1 the durations pass the check's minimum rules.
        const Configuration written = WithTiming(demo, t);
        EXPECT_EQ(written.programDuration[0], (std::array<std::uint8_t, 8>{34, 17, 8, 0, 0, 0, 0, 0}));
        EXPECT_EQ(written.programDuration[1], demo.programDuration[1]);
        for (const Finding& f : ConfigurationCheck(written))
            EXPECT_NE(f.severity, Severity::Error) << f.message;
    }

    // Set 2, program 1, longest cycle 180: y = 0.3, 0.2, 0.1; Y = 0.6; C = 63.5 / 0.4 = 158.75 -> 159;
    // greens 120 * 0.5, 120 / 3, 120 / 6 = 60, 40, 20.
    {
        const TrafficTiming t = ComputeTrafficTiming(demo, Flows(1, {{1, 540}, {3, 360}, {5, 180}}, 180));
        EXPECT_NEAR(t.Y, 0.6, 1e-12);
        EXPECT_EQ(t.cycle, 159);
        EXPECT_EQ(Durations(t), (std::vector<int>{60, 40, 20}));
        EXPECT_TRUE(t.warnings.empty());
    }

    // Set 3, program 3 (L = 26): direction 1 on two lanes, 900 / 3600 = 0.25; direction 3 with a
    // saturation flow of 1500, 225 / 1500 = 0.15. Y = 0.4; C = 44 / 0.6 = 73.33 -> 74; greens 48 * 0.625 = 30, 18.
    {
        TrafficInputs in = Flows(3, {{1, 900}, {3, 225}});
        in.directions[0].lanes = 2;
        in.directions[2].saturation = 1500;
        const TrafficTiming t = ComputeTrafficTiming(demo, in);
        EXPECT_EQ(t.lostTime, 26);
        EXPECT_NEAR(t.Y, 0.4, 1e-12);
        EXPECT_EQ(t.cycle, 74);
        EXPECT_EQ(Durations(t), (std::vector<int>{30, 18}));
        EXPECT_NEAR(t.Direction(1)->capacity, 3600.0 * 30 / 74, 1e-9);
    }
}

TEST(TrafficTiming, MinimumsRaiseGreensAndTheCycle)
{
    // A minimum green of 12 s for direction 5 pins phase 3 at 12; the other 47 s of set 1 go 2 : 1
    // (31.33, 15.67 -> 31, 15, and the second left to phase 1): 32, 15, 12 in the same 98 s cycle.
    Configuration c = DemoJunction();
    c.minSignalTime[1][4] = 12;
    const TrafficInputs set1 = Flows(1, {{1, 360}, {3, 180}, {5, 90}});
    TrafficTiming t = ComputeTrafficTiming(c, set1);
    EXPECT_EQ(t.cycle, 98);
    EXPECT_EQ(Durations(t), (std::vector<int>{32, 15, 12}));
    EXPECT_EQ(t.phases[2].minimum, 12);

    // "Мин. время" of 20 s each: 39 + 60 = 99 s is more than Webster's 98.
    c = DemoJunction();
    c.phaseMinTime = {20, 20, 20, 0, 0, 0, 0, 0};
    t = ComputeTrafficTiming(c, set1);
    EXPECT_EQ(t.cycle, 99);
    EXPECT_EQ(Durations(t), (std::vector<int>{20, 20, 20}));

    // No flow at all: Webster's 63.5 -> 64 s against 39 + 10 + 8 + 7 = 64; each phase its minimum
    // plus the rounding, nothing below 1 s (a duration of 0 would take the phase out of the program).
    t = ComputeTrafficTiming(DemoJunction(), Flows(1, {}));
    EXPECT_EQ(t.cycle, 64);
    EXPECT_EQ(Durations(t), (std::vector<int>{10, 8, 7}));

    // Minimums longer than the longest cycle win over it, with a warning.
    c = DemoJunction();
    c.phaseMinTime = {40, 40, 40, 0, 0, 0, 0, 0};
    t = ComputeTrafficTiming(c, set1);
    EXPECT_EQ(t.cycle, 159);
    ASSERT_EQ(t.warnings.size(), 1u);
    EXPECT_EQ(t.warnings[0], "минимальные времена фаз требуют цикла 159 с, длиннее наибольшего 120 с");
}

TEST(TrafficTiming, TheLongestCycleCapsAndOverloadWarns)
{
    // Set 2 under the default 120 s: 81 s of green, 40.5, 27, 13.5 -> 40, 27, 13 and the second left
    // to the most loaded phase 1. Direction 1: c = 1800 * 41 / 120 = 615, X = 0.878, d = 53.41, D.
    TrafficTiming t = ComputeTrafficTiming(DemoJunction(), Flows(1, {{1, 540}, {3, 360}, {5, 180}}));
    EXPECT_EQ(t.cycle, 120);
    EXPECT_EQ(Durations(t), (std::vector<int>{41, 27, 13}));
    EXPECT_EQ(t.warnings, (std::vector<std::string>{"цикл по Вебстеру 159 с длиннее наибольшего 120 с, взят наибольший"}));
    EXPECT_NEAR(t.Direction(1)->delay, 53.4059, 1e-3);
    EXPECT_EQ(t.Direction(1)->los, 'D');

    // Y = 0.6 + 0.3 + 0.12 = 1.02: the longest cycle, greens 47.65, 23.82, 9.53 -> 48, 24, 9, every
    // critical direction above X = 1.
    t = ComputeTrafficTiming(DemoJunction(), Flows(1, {{1, 1080}, {3, 540}, {5, 216}}));
    EXPECT_EQ(t.cycle, 120);
    EXPECT_EQ(t.websterCycle, 0);
    EXPECT_EQ(Durations(t), (std::vector<int>{48, 24, 9}));
    EXPECT_NEAR(t.Direction(1)->degreeOfSaturation, 1.5, 1e-12);
    EXPECT_EQ(t.Direction(1)->los, 'F');
    EXPECT_EQ(t.warnings, (std::vector<std::string>{
                              "сумма фазовых коэффициентов Y = 1,020 не меньше 1: перекрёсток перегружен при любом цикле, взят наибольший 120 с",
                              "направление 1: степень насыщения X = 1,50 больше 1, очередь растёт",
                              "направление 3: степень насыщения X = 1,50 больше 1, очередь растёт",
                              "направление 5: степень насыщения X = 1,60 больше 1, очередь растёт"}));

    // Y = 0.5 + 0.3 + 0.12 = 0.92: near saturation; Webster's 63.5 / 0.08 = 793.75 -> 794 s capped.
    t = ComputeTrafficTiming(DemoJunction(), Flows(1, {{1, 900}, {3, 540}, {5, 216}}));
    EXPECT_NEAR(t.Y, 0.92, 1e-12);
    EXPECT_EQ(t.cycle, 120);
    // The cut cycle leaves every critical direction over X = 1.
    ASSERT_EQ(t.warnings.size(), 5u);
    EXPECT_EQ(t.warnings[0], "цикл по Вебстеру 794 с длиннее наибольшего 120 с, взят наибольший");
    EXPECT_EQ(t.warnings[1], "сумма фазовых коэффициентов Y = 0,920 не меньше 0,9: перекрёсток близок к насыщению");
    EXPECT_EQ(t.warnings[2], "направление 1: степень насыщения X = 1,33 больше 1, очередь растёт");

    // Allowed 1000 s, phase 1 would get 755 * 0.5 / 0.92 = 410.3 (+1 of the rounding) s, more than
    // a duration's byte holds: 255, 246, 98 and the cycle 39 + 599 = 638 s.
    t = ComputeTrafficTiming(DemoJunction(), Flows(1, {{1, 900}, {3, 540}, {5, 216}}, 1000));
    EXPECT_EQ(Durations(t), (std::vector<int>{255, 246, 98}));
    EXPECT_EQ(t.cycle, 638);
    // Direction 1 then has X = 900 * 638 / (1800 * 255) = 1.25.
    ASSERT_EQ(t.warnings.size(), 3u);
    EXPECT_EQ(t.warnings[2], "направление 1: степень насыщения X = 1,25 больше 1, очередь растёт");
    EXPECT_EQ(t.warnings[1], "длительность фазы не может быть больше 255 с, цикл сокращён до 638 с");
}

TEST(TrafficTiming, FlowWithoutAPhaseIsListedAndWarned)
{
    // Program 3 has no phase 3, so direction 5 (phase 3 only) is not served; direction 10 is in no phase.
    const TrafficTiming t = ComputeTrafficTiming(DemoJunction(), Flows(3, {{1, 450}, {5, 100}, {10, 50}}));
    ASSERT_TRUE(t.Ok());
    EXPECT_NEAR(t.Y, 0.25, 1e-12);
    const DirectionTiming* five = t.Direction(5);
    ASSERT_NE(five, nullptr);
    EXPECT_FALSE(five->served);
    EXPECT_EQ(five->capacity, 0);
    EXPECT_EQ(five->los, 'F');
    EXPECT_EQ(t.warnings, (std::vector<std::string>{
                              "направление 5: интенсивность 100 авт/ч, но оно не участвует ни в одной фазе программы 3",
                              "направление 10: интенсивность 50 авт/ч, но оно не участвует ни в одной фазе программы 3"}));
}

TEST(TrafficTiming, ADirectionInTwoPhasesCountsOnce)
{
    // Direction 9 green in phases 1 and 2 (it stays green through the 13 s change between them):
    // its 0.3 counts in phase 1, whose 0.2 is the larger, so Y = 0.3 + 0.1 + 0.05 = 0.45, not 0.75.
    // C = 63.5 / 0.55 = 115.45 -> 116; greens 77 * y / Y = 51.33, 17.11, 8.56 -> 52, 17, 8.
    Configuration c = DemoJunction();
    c.directions[8] = Direction{0b011, {3, 3, 3, 2, 2}};
    const TrafficTiming t = ComputeTrafficTiming(c, Flows(1, {{1, 360}, {3, 180}, {5, 90}, {9, 540}}));
    EXPECT_EQ(t.lostTime, 39);
    EXPECT_NEAR(t.Y, 0.45, 1e-12);
    EXPECT_EQ(t.cycle, 116);
    EXPECT_EQ(Durations(t), (std::vector<int>{52, 17, 8}));
    EXPECT_EQ(t.phases[0].criticalDirection, 9);
    EXPECT_EQ(t.Direction(9)->green, 52 + 13 + 17);
}

TEST(TrafficTiming, BadInputsAndEmptyProgramsAreRefused)
{
    TrafficInputs in = Flows(1, {{1, 100}});
    in.directions[3].lanes = 0;
    EXPECT_EQ(ComputeTrafficTiming(DemoJunction(), in).error, "направление 4: число полос 0 вне 1..9");
    EXPECT_EQ(ComputeTrafficTiming(DemoJunction(), Flows(4, {})).error,
              "в программе 4 у всех фаз длительность 0, рассчитывать нечего");
    EXPECT_EQ(ComputeTrafficTiming(DemoJunction(), Flows(0, {})).error, "номер программы 0 вне 1..9");
    in = Flows(1, {{2, -5}});
    EXPECT_EQ(ComputeTrafficTiming(DemoJunction(), in).error, "направление 2: интенсивность вне 0..20000");
}

TEST(TrafficTiming, LevelsOfServiceAtTheirBounds)
{
    EXPECT_EQ(LevelOfService(10), 'A');
    EXPECT_EQ(LevelOfService(10.01), 'B');
    EXPECT_EQ(LevelOfService(20), 'B');
    EXPECT_EQ(LevelOfService(35), 'C');
    EXPECT_EQ(LevelOfService(55), 'D');
    EXPECT_EQ(LevelOfService(80), 'E');
    EXPECT_EQ(LevelOfService(80.5), 'F');
}

} // namespace
} // namespace vlk
