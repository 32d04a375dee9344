// The main of every ui_* benchmark: a QApplication (offscreen unless told otherwise) around
// Google Benchmark's run.
#include "support/QtBench.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

namespace vlk::bench {

namespace {
std::vector<std::function<void()>>& Tidies()
{
    static std::vector<std::function<void()>> tidies;
    return tidies;
}
} // namespace

void AtQtExit(std::function<void()> tidy)
{
    Tidies().push_back(std::move(tidy));
}

} // namespace vlk::bench

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto& tidies = vlk::bench::Tidies();
    for (auto it = tidies.rbegin(); it != tidies.rend(); ++it)
        (*it)();
    tidies.clear();
    return 0;
}
