// The diagrams page after an edit, for a junction with all 24 directions in use and nine
// programs of eight phases: the edit lands in the programs grid, the page reads the pages
// again, checks the configuration, lays the diagram and the week out and paints them. The
// target is one frame of a 60 Hz screen, 16 ms.
#include "diagram/TimeBarLayout.h"
#include "diagram/TimeBarPainter.h"
#include "diagram/TimeBarView.h"
#include "frame/Tabs.h"
#include "grid/ARecordList.h"
#include "pages/ConfigPages.h"
#include "pages/DiagramWnd.h"
#include "plan/ConfigurationCheck.h"
#include "support/RecordingMessages.h"
#include "support/QtBench.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <random>

using namespace vlk;

using vlk::bench::AtQtExit;

namespace {

// 24 directions spread over eight phases (some in two), nine programs of eight phases with
// realistic durations and step times, inter-green times that leave a few findings to mark.
Configuration BigJunction()
{
    std::mt19937 rng(13);
    Configuration c;
    for (int d = 0; d < kDirectionCount; ++d) {
        Direction& direction = c.directions[static_cast<std::size_t>(d)];
        direction.phaseMask = static_cast<std::uint8_t>(1u << (d % kPhaseCount));
        if (d % 5 == 0)
            direction.phaseMask |= static_cast<std::uint8_t>(1u << ((d + 3) % kPhaseCount));
        const bool pedestrian = d % 4 == 3;
        direction.stepTimes = pedestrian ? std::array<std::uint8_t, kStepCount>{0, 4, 0, 3, 0}
                                         : std::array<std::uint8_t, kStepCount>{3, 3, 3, 2, 2};
    }
    for (auto& program : c.programDuration)
        for (auto& t : program)
            t = static_cast<std::uint8_t>(8 + rng() % 30);
    for (int r = 0; r < kDirectionCount; ++r)
        for (int k = 0; k < kDirectionCount; ++k)
            if (r != k && (c.directions[r].phaseMask & c.directions[k].phaseMask) == 0)
                c.interGreen[r][k] = static_cast<std::uint8_t>(rng() % 9);
    for (DaySchedule& day : c.week)
        for (int k = 0; k < kMaxSwitchPoints; ++k)
            day[static_cast<std::size_t>(k * 4 + 2)] = 1 + k % 9;
    return c;
}

struct Station {
    Station()
    {
        tabs.resize(1280, 800);
        tabs.show();
        ConfigPages(tabs.Pages()).Write(BigJunction(), LoadFlavour::File);
        tabs.SelectPage(CTabs::DiagramsTab);
        QApplication::processEvents();
    }
    RecordingMessages messages;
    CTabs tabs{messages};
};

Station& TheStation()
{
    static Station* station = [] {
        auto* made = new Station;
        AtQtExit([made] { delete made; });
        return made;
    }();
    return *station;
}

// The whole way from an edit to the painted page.
void BM_RedrawAfterEdit(benchmark::State& state)
{
    Station& s = TheStation();
    CDiagramWnd& page = s.tabs.DiagramPage();
    ARecordList& programs = *s.tabs.ProgramPage().Programs();
    bool flip = false;
    for (auto _ : state) {
        // Phase 1 of program 1, alternating so that the cycle really changes.
        programs.SetCellText(0, 1, flip ? QStringLiteral("20") : QStringLiteral("25"));
        flip = !flip;
        page.Refresh();
        page.repaint();
    }
    state.counters["rows"] = static_cast<double>(page.TimeBars()->Layout().Rows().size());
    state.counters["marks"] = static_cast<double>(page.TimeBars()->Layout().Marks().size());
}

// Its parts: reading the pages, the check, the layout alone, and the painting alone.
void BM_ReadPages(benchmark::State& state)
{
    Station& s = TheStation();
    for (auto _ : state)
        benchmark::DoNotOptimize(ConfigPages(s.tabs.Pages()).Read());
}

void BM_CheckAndLayout(benchmark::State& state)
{
    const Configuration c = BigJunction();
    for (auto _ : state) {
        TimeBarLayout layout = TimeBarLayout::Of(c, 1, ConfigurationCheck(c));
        layout.Place(QRectF(0, 0, 1260, 500), QFontMetricsF(QApplication::font()));
        benchmark::DoNotOptimize(layout.Rows().data());
    }
}

void BM_PaintDiagram(benchmark::State& state)
{
    const Configuration c = BigJunction();
    TimeBarLayout layout = TimeBarLayout::Of(c, 1, ConfigurationCheck(c));
    QImage image(1260, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        TimeBarPainter::Paint(painter, layout, QRectF(0, 0, 1260, 600), QApplication::font());
    }
}

} // namespace

BENCHMARK(BM_RedrawAfterEdit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckAndLayout)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintDiagram)->Unit(benchmark::kMillisecond);
