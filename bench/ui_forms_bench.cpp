// Re-layout of a page when the main window is resized: the proportional sizing of every child,
// alone and with the repaint that follows.
#include "forms/AFormWnd.h"
#include "pages/GraficWnd.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vlk;

namespace {

struct Page {
    int templateId;
    int lowestFrame;
    int topFrame;
};

std::unique_ptr<AFormWnd> MakePage(int templateId)
{
    static const Page pages[] = {{130, 1050, 1049}, {131, 1046, 1046}, {135, 1046, 1048}, {141, 1045, 1044},
                                 {142, 1057, 1056}, {183, 1073, 1074}};
    if (templateId == 159) // "Графики работы"
        return std::make_unique<CGraficWnd>();
    for (const Page& p : pages)
        if (p.templateId == templateId)
            return std::make_unique<AFormWnd>(p.templateId, p.lowestFrame, p.topFrame);
    return nullptr;
}

// The page area of a 1280 x 800 window and of a 1024 x 700 one, in turn.
void Resize(benchmark::State& state, bool paint)
{
    auto page = MakePage(static_cast<int>(state.range(0)));
    page->setAttribute(Qt::WA_DontShowOnScreen);
    page->resize(1276, 768);
    page->show();
    QCoreApplication::processEvents();
    bool large = false;
    for (auto _ : state) {
        page->resize(large ? QSize(1276, 768) : QSize(1020, 590));
        if (paint)
            page->repaint();
        large = !large;
    }
    state.counters["children"] = static_cast<double>(page->children().size());
}

void BM_PageRelayout(benchmark::State& state)
{
    Resize(state, false);
}

void BM_PageRelayoutAndRepaint(benchmark::State& state)
{
    Resize(state, true);
}

} // namespace

BENCHMARK(BM_PageRelayout)->Arg(130)->Arg(135)->Arg(141)->Arg(159)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageRelayoutAndRepaint)->Arg(130)->Arg(135)->Arg(141)->Arg(159)->Unit(benchmark::kMicrosecond);
