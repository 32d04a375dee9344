// The whole configuration into the editor pages (a file open or a memory read) and out of them
// (a save or a memory write), with the pages shown in the tab host at 1280 x 800.
#include "frame/Tabs.h"
#include "pages/ConfigPages.h"
#include "support/RecordingMessages.h"
#include "support/QtBench.h"

#include <QApplication>
#include <QResizeEvent>

#include <benchmark/benchmark.h>

#include <random>

using namespace vlk;

using vlk::bench::AtQtExit;

namespace {

// Every table full: each number cell non-zero, about half of the check cells checked.
Configuration BusyConfiguration()
{
    std::mt19937 rng(5);
    auto byte = [&] { return static_cast<std::uint8_t>(1 + rng() % 255); };
    Configuration c;
    c.circularRedTime = byte();
    c.masterController = false;
    c.syncDelay = 100;
    for (auto& t : c.phaseMinTime)
        t = byte();
    for (auto& program : c.programDuration)
        for (auto& t : program)
            t = byte();
    for (int i = 0; i < kProgramCount; ++i) {
        c.tvp1[i] = static_cast<std::uint8_t>(1 + i % 8);
        c.tvp2[i] = static_cast<std::uint8_t>(8 - i % 8);
    }
    for (Direction& d : c.directions) {
        d.phaseMask = byte();
        for (auto& t : d.stepTimes)
            t = byte();
    }
    for (DaySchedule& day : c.week)
        for (int k = 0; k < kMaxSwitchPoints; ++k)
            day[static_cast<std::size_t>(k * 4)] = 1 + k % 10;
    c.priority = {9, 8, 7, 6, 5, 4, 3, 2, 1, 10};
    for (auto& mask : c.lampOutputs)
        mask = (std::uint64_t{rng()} << 32 | rng()) & 0xFFFFFFFFFFFFULL;
    for (auto& mask : c.waitBoards)
        mask = (std::uint64_t{rng()} << 32 | rng()) & 0xFFFFFFFFFFFFULL;
    for (int d = 0; d < kDirectionCount; ++d) {
        c.redSensors[d] = static_cast<std::uint16_t>(rng());
        c.greenSensors[d] = rng() & 0xFFFFFFU;
    }
    for (auto& row : c.minSignalTime)
        for (auto& t : row)
            t = byte();
    for (auto& row : c.interGreen)
        for (auto& t : row)
            t = byte();
    c.accountRecord = std::string(115, '\xC0');
    return c;
}

struct Station {
    Station()
    {
        tabs.resize(1280, 800);
        tabs.show();
        tabs.SelectPage(CTabs::OutputsTab);
        QApplication::processEvents();
    }
    RecordingMessages messages;
    CTabs tabs{messages};
    ConfigPages pages{tabs.Pages()};
};

// One station for all the benchmarks, gone before the QApplication is.
Station& TheStation()
{
    static Station* station = [] {
        auto* made = new Station;
        AtQtExit([made] { delete made; });
        return made;
    }();
    return *station;
}

void BM_ConfigurationIntoPages(benchmark::State& state)
{
    Station& s = TheStation();
    const Configuration busy = BusyConfiguration();
    const Configuration fresh = Configuration::FreshStart();
    bool flip = false;
    for (auto _ : state) {
        // Alternating, so that every cell really changes each time.
        s.pages.Write(flip ? fresh : busy, LoadFlavour::File);
        flip = !flip;
    }
    QApplication::processEvents();
}

void BM_ImageIntoPages(benchmark::State& state)
{
    Station& s = TheStation();
    const ImageBytes busy = ConfigurationImage::Encode(BusyConfiguration());
    const ImageBytes fresh = ConfigurationImage::Encode(Configuration::FreshStart());
    bool flip = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.pages.ApplyImage(flip ? fresh : busy, LoadFlavour::Memory, s.messages));
        flip = !flip;
    }
}

void BM_ImageOutOfPages(benchmark::State& state)
{
    Station& s = TheStation();
    s.pages.Write(BusyConfiguration(), LoadFlavour::File);
    for (auto _ : state)
        benchmark::DoNotOptimize(s.pages.BuildImage());
}

// The largest page (the lamp outputs) re-laid out for a new size, row filling included.
void BM_OutputPageRelayout(benchmark::State& state)
{
    Station& s = TheStation();
    QWidget& page = s.tabs.OutputPage();
    bool flip = false;
    for (auto _ : state) {
        page.resize(flip ? QSize(1276, 768) : QSize(1020, 668));
        flip = !flip;
    }
}

} // namespace

BENCHMARK(BM_ConfigurationIntoPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageIntoPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageOutOfPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OutputPageRelayout)->Unit(benchmark::kMicrosecond);
