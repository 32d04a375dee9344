// Grid timings: a full repaint of the lamp-output table (72 x 50, set up as its page does) in a 1280 x 800 window and a
// load's worth of SetCellText calls on it.
#include "config/Catalogue.h"
#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

#include <QApplication>
#include <QPaintEvent>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace vlk;

namespace {

class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            const QRect r = static_cast<QPaintEvent*>(event)->rect();
            if (r.width() >= fullSize.width() && r.height() >= fullSize.height())
                ++fullPaints;
        }
        return false;
    }
    QSize fullSize;
    int paints = 0;
    int fullPaints = 0;
};

struct Window {
    Window()
    {
        form.resize(1280, 800);
        grid = new ARecordList(&form);
        (void)grid->Create(0x50000000, QRect(0, 0, 1280, 800), &form, 1042);
        PageGrids::SetUp(*grid, Catalogue::Grid(TableId::LampOutput));
        // A realistic load: one check per row.
        for (int r = 0; r < 72; ++r)
            grid->SetCheck(r, 2 + r % 48, true);
        form.show();
        QApplication::processEvents();
    }
    QWidget form;
    ARecordList* grid = nullptr;
};

void BM_FullRepaintLampOutputTable(benchmark::State& state)
{
    Window window;
    for (auto _ : state)
        window.grid->viewport()->repaint();
    state.counters["visible_rows"] = (window.grid->viewport()->height() - 16) / 18;
}
BENCHMARK(BM_FullRepaintLampOutputTable)->Unit(benchmark::kMillisecond);

void BM_SetCellText3600(benchmark::State& state)
{
    Window window;
    PaintCounter counter;
    counter.fullSize = window.grid->viewport()->size();
    window.grid->viewport()->installEventFilter(&counter);
    const QString check = QStringLiteral("X");
    const QString texts[] = {QStringLiteral("К"), QStringLiteral("Ж"), QStringLiteral("З")};
    int round = 0;
    for (auto _ : state) {
        // Every call changes its cell, as loading a different file does.
        const bool on = round++ % 2 == 0;
        for (int r = 0; r < 72; ++r) {
            for (int c = 0; c < 50; ++c) {
                if (c == 0)
                    window.grid->SetCellText(r, c, QString::number(r % 2 ? r : r + 100));
                else if (c == 1)
                    window.grid->SetCellText(r, c, texts[(r + round) % 3]);
                else
                    window.grid->SetCellText(r, c, ((r + c) % 2 == 0) == on ? check : QString());
            }
        }
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["paint_events"] = benchmark::Counter(counter.paints);
    state.counters["full_paints"] = benchmark::Counter(counter.fullPaints);
}
BENCHMARK(BM_SetCellText3600)->Unit(benchmark::kMillisecond);

} // namespace
