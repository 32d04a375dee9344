// Undo and redo of the largest single change a user makes: a paste of 72 x 48 check cells over
// the whole lamp-output table, with the pages shown in the tab host at 1280 x 800. Also the cost
// of taking the step when the paste reports itself.
#include "frame/EditHistory.h"
#include "frame/Tabs.h"
#include "grid/ARecordList.h"
#include "support/RecordingMessages.h"
#include "support/QtBench.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vlk;

using vlk::bench::AtQtExit;

namespace {

struct Station {
    Station()
    {
        tabs.resize(1280, 800);
        tabs.show();
        tabs.SelectPage(CTabs::OutputsTab);
        QApplication::processEvents();
        tabs.DirectionPage().SetMessages(&messages);
        history = std::make_unique<EditHistory>(tabs);
    }
    ~Station() { history.reset(); }
    // What a paste of the whole table does: every cell set, one report.
    void PasteLamps(bool checked)
    {
        ARecordList* lamps = tabs.OutputPage().LampOutput();
        for (int row = 0; row < lamps->GetRowCount(); ++row)
            for (int output = 0; output < 48; ++output)
                lamps->SetCheck(row, output + 2, checked == ((row + output) % 2 == 0));
        emit lamps->userEdited();
    }
    RecordingMessages messages;
    CTabs tabs{messages};
    std::unique_ptr<EditHistory> history;
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

void BM_RecordLampPaste(benchmark::State& state)
{
    Station& s = TheStation();
    bool flip = false;
    for (auto _ : state) {
        s.PasteLamps(flip);
        flip = !flip;
    }
    QApplication::processEvents();
}

void BM_UndoLampPaste(benchmark::State& state)
{
    Station& s = TheStation();
    s.PasteLamps(true);
    for (auto _ : state) {
        s.history->Stack().undo();
        state.PauseTiming();
        s.history->Stack().redo();
        state.ResumeTiming();
    }
    QApplication::processEvents();
}

void BM_RedoLampPaste(benchmark::State& state)
{
    Station& s = TheStation();
    s.PasteLamps(false);
    for (auto _ : state) {
        state.PauseTiming();
        s.history->Stack().undo();
        state.ResumeTiming();
        s.history->Stack().redo();
    }
    QApplication::processEvents();
}

} // namespace

BENCHMARK(BM_RecordLampPaste)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoLampPaste)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedoLampPaste)->Unit(benchmark::kMillisecond);
