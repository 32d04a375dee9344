// Grid timings: a full repaint of the lamp-output table (72 x 50) in a 1280 x 800 window and a
// load's worth of SetCellText calls on it.
#include "grid/ARecordList.h"

#include <QApplication>
#include <QPaintEvent>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace vlk;

namespace {

void SetUpLampOutputTable(ARecordList& grid)
{
    grid.SetStyle(0x18);
    std::vector<int> widths(50, 18);
    widths[0] = 30;
    widths[1] = 30;
    grid.SetColumns(50, widths.data());
    grid.SetColumnFlags(0, 16);
    grid.SetColumnFlags(1, 2048);
    grid.SetColumnPicture(1, 0, QStringLiteral("К"), 136, 155);
    grid.SetColumnPicture(1, 1, QStringLiteral("Ж"), 139, 155);
    grid.SetColumnPicture(1, 2, QStringLiteral("З"), 138, 155);
    for (int c = 2; c < 50; ++c)
        grid.SetColumnFlags(c, 68);
    QString header = QStringLiteral("Направление\tЛампа");
    for (int i = 1; i <= 48; ++i)
        header += QStringLiteral("\t%1").arg(i);
    grid.SetHeaderText(header);
    for (int d = 1; d <= 24; ++d) {
        grid.AddRow(QStringLiteral("%1\tК").arg(d));
        grid.AddRow(QStringLiteral("\tЖ"));
        grid.AddRow(QStringLiteral("\tЗ"));
    }
}

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
        SetUpLampOutputTable(*grid);
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
