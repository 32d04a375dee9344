// Encode and decode times of the 1920-byte image: a save, an open and a memory transfer each
// run the codec once, so these figures bound what the user could ever wait for it.
#include "config/ConfigurationImage.h"

#include <benchmark/benchmark.h>

namespace {

// A busy junction: every table filled, ten switch points a day, a full account record.
vlk::Configuration BusyConfiguration()
{
    vlk::Configuration c;
    c.masterController = false;
    c.syncDelay = 40;
    c.circularRedTime = 12;
    for (int p = 0; p < vlk::kPhaseCount; ++p) {
        c.phaseMinTime[p] = static_cast<std::uint8_t>(5 + p);
        for (auto& program : c.programDuration)
            program[p] = static_cast<std::uint8_t>(20 + p);
    }
    for (int i = 0; i < vlk::kProgramCount; ++i) {
        c.tvp1[i] = static_cast<std::uint8_t>(1 + i % 8);
        c.tvp2[i] = static_cast<std::uint8_t>(8 - i % 8);
    }
    for (auto& d : c.directions)
        d = {0x55, {3, 3, 3, 2, 2}};
    for (auto& day : c.week)
        for (int k = 0; k < 10; ++k)
            day[k * 4 + 3] = 1 + k;
    c.priority = {1, 3, 4, 5, 6, 7, 2, 8, 9, 10};
    for (int row = 0; row < vlk::kLampRowCount; ++row)
        c.lampOutputs[row] = 0x0000A5A5A5A5A5A5ull >> (row % 8);
    c.waitBoards = {0x00000F0F0F0Full, 0x0000F0F0F0F0ull};
    for (int d = 0; d < vlk::kDirectionCount; ++d) {
        c.redSensors[d] = static_cast<std::uint16_t>(1u << (d % 16));
        c.greenSensors[d] = 1u << d;
        c.minSignalTime[0][d] = 5;
        c.minSignalTime[1][d] = 7;
        for (int e = 0; e < vlk::kDirectionCount; ++e)
            c.interGreen[d][e] = static_cast<std::uint8_t>(d + e);
    }
    c.accountRecord.assign(159, '\xC0');
    return c;
}

void BM_Encode(benchmark::State& state)
{
    const vlk::Configuration c = BusyConfiguration();
    for (auto _ : state) {
        vlk::ImageBytes image = vlk::ConfigurationImage::Encode(c);
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * vlk::kImageSize);
}
BENCHMARK(BM_Encode);

void BM_Decode(benchmark::State& state)
{
    const vlk::ImageBytes image = vlk::ConfigurationImage::Encode(BusyConfiguration());
    for (auto _ : state) {
        vlk::DecodeResult result = vlk::ConfigurationImage::Decode(image);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * vlk::kImageSize);
}
BENCHMARK(BM_Decode);

// A damaged image: every repair and its message on top of the plain reading.
void BM_DecodeDamaged(benchmark::State& state)
{
    vlk::ImageBytes image = vlk::ConfigurationImage::Encode(BusyConfiguration());
    for (int day = 0; day < vlk::kDayCount; ++day)
        for (int pair = 0; pair < 10; ++pair)
            image[226 + day * 20 + pair * 2 + 1] = 60;
    image[366] = image[367] = 0;
    for (std::size_t i = 1760; i < vlk::kImageSize; ++i)
        image[i] = 0xE0;
    for (auto _ : state) {
        vlk::DecodeResult result = vlk::ConfigurationImage::Decode(image);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * vlk::kImageSize);
}
BENCHMARK(BM_DecodeDamaged);

void BM_Validate(benchmark::State& state)
{
    const vlk::Configuration c = BusyConfiguration();
    for (auto _ : state) {
        auto problems = vlk::ConfigurationImage::Validate(c);
        benchmark::DoNotOptimize(problems);
    }
}
BENCHMARK(BM_Validate);

} // namespace

BENCHMARK_MAIN();
