// The signal plan: the whole check of a full configuration (it is meant to run on every edit,
// so it should stay far below a frame, under 1 ms), the running model over a week (under 1 s)
// and the timing calculation from counted flows (under 1 ms).
#include "plan/ConfigurationCheck.h"
#include "plan/ProgramCycle.h"
#include "plan/RunningJunction.h"
#include "plan/TrafficTiming.h"

#include <benchmark/benchmark.h>

namespace {

// 24 directions, three to a phase over eight phases and some in two; nine programs of eight
// phases; inter-green times for every pair that never shares a phase; ten switch points a day.
vlk::Configuration FullConfiguration(int scale)
{
    vlk::Configuration c;
    for (int p = 0; p < vlk::kPhaseCount; ++p)
        c.phaseMinTime[p] = 8;
    for (int i = 0; i < vlk::kProgramCount; ++i)
        for (int p = 0; p < vlk::kPhaseCount; ++p)
            c.programDuration[i][p] = static_cast<std::uint8_t>(std::min(255, (15 + 3 * i + 2 * p) * scale));
    for (int i = 0; i < vlk::kProgramCount; ++i)
        c.tvp1[i] = static_cast<std::uint8_t>(1 + i % 8);
    for (int d = 0; d < vlk::kDirectionCount; ++d) {
        std::uint8_t mask = static_cast<std::uint8_t>(1u << (d % 8));
        if (d % 5 == 0)
            mask |= static_cast<std::uint8_t>(1u << ((d + 1) % 8)); // an overlap into the next phase
        const auto step = [scale](int s) { return static_cast<std::uint8_t>(std::min(255, s * scale)); };
        c.directions[d] = {mask, {step(3), step(3), step(3), step(2), step(2)}};
        c.lampOutputs[3 * d] = std::uint64_t{1} << (2 * d);
        c.lampOutputs[3 * d + 2] = std::uint64_t{1} << (2 * d + 1);
        c.redSensors[d] = static_cast<std::uint16_t>(1u << (d % 16));
        c.greenSensors[d] = 1u << d;
        c.minSignalTime[0][d] = 5;
        c.minSignalTime[1][d] = 7;
    }
    for (int r = 0; r < vlk::kDirectionCount; ++r)
        for (int col = 0; col < vlk::kDirectionCount; ++col)
            if ((c.directions[r].phaseMask & c.directions[col].phaseMask) == 0)
                c.interGreen[r][col] = 6;
    for (auto& day : c.week)
        for (int k = 0; k < vlk::kMaxSwitchPoints; ++k)
            day[k * 4 + 3] = 1 + k % vlk::kProgramCount;
    return c;
}

void BM_CheckFullConfiguration(benchmark::State& state)
{
    const vlk::Configuration c = FullConfiguration(static_cast<int>(state.range(0)));
    std::size_t findings = 0;
    for (auto _ : state) {
        auto result = vlk::ConfigurationCheck(c);
        findings = result.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["findings"] = static_cast<double>(findings);
}
// 1: the everyday plan; 100: every time at its 255 limit.
BENCHMARK(BM_CheckFullConfiguration)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_CyclesOfNinePrograms(benchmark::State& state)
{
    const vlk::Configuration c = FullConfiguration(1);
    for (auto _ : state)
        for (int p = 1; p <= vlk::kProgramCount; ++p)
            benchmark::DoNotOptimize(vlk::ProgramCycle::Of(c, p));
}
BENCHMARK(BM_CyclesOfNinePrograms)->Unit(benchmark::kMicrosecond);

// A simulated week second by second, every direction's signal and lamps read each second as
// the simulator's frames do.
void BM_ModelWeekSecondBySecond(benchmark::State& state)
{
    const vlk::Configuration c = FullConfiguration(1);
    constexpr int kWeekSeconds = 7 * 24 * 3600;
    for (auto _ : state) {
        vlk::RunningJunction junction(c, true, 0);
        unsigned lit = 0;
        for (int s = 0; s < kWeekSeconds; ++s) {
            junction.Advance(1000);
            for (int d = 1; d <= vlk::kDirectionCount; ++d)
                lit += junction.LitLampsOf(d);
        }
        benchmark::DoNotOptimize(lit);
    }
    state.counters["seconds"] = kWeekSeconds;
}
BENCHMARK(BM_ModelWeekSecondBySecond)->Unit(benchmark::kMillisecond)->Iterations(3);

// The timing calculation of one program of eight phases from the flows of all 24 directions, as
// the calculation page runs it on every keystroke (target: under 1 ms).
void BM_TrafficTimingEightPhases(benchmark::State& state)
{
    const vlk::Configuration c = FullConfiguration(1);
    vlk::TrafficInputs inputs;
    inputs.maxCycle = 240;
    for (int d = 0; d < vlk::kDirectionCount; ++d)
        inputs.directions[d] = {60.0 + 7 * d, 1 + d % 3, 1700.0 + 10 * d};
    int cycle = 0;
    for (auto _ : state) {
        auto timing = vlk::ComputeTrafficTiming(c, inputs);
        cycle = timing.cycle;
        benchmark::DoNotOptimize(timing);
    }
    state.counters["cycle"] = cycle;
}
BENCHMARK(BM_TrafficTimingEightPhases)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
