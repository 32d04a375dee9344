// The printed junction file of the demo junction as PDF bytes (the target is under 1 s), and the
// same document painted on a printer's pages as the print preview does.
#include "config/DemoJunction.h"
#include "report/JunctionReport.h"
#include "support/QtBench.h"

#include <QPrinter>

#include <benchmark/benchmark.h>

using namespace vlk;

namespace {

void BM_ReportPdfOfTheDemoJunction(benchmark::State& state)
{
    const JunctionReport report(DemoJunction(), QStringLiteral("demo.vlk"), QDate(2026, 3, 14));
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray pdf = report.Pdf();
        bytes = pdf.size();
        benchmark::DoNotOptimize(pdf.constData());
    }
    state.counters["pdf_kB"] = static_cast<double>(bytes) / 1024.0;
}
BENCHMARK(BM_ReportPdfOfTheDemoJunction)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ReportOnAPrinter(benchmark::State& state)
{
    const JunctionReport report(DemoJunction(), QStringLiteral("demo.vlk"), QDate(2026, 3, 14));
    int pages = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringLiteral("/dev/null"));
        pages = report.Paint(printer);
        benchmark::DoNotOptimize(pages);
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_ReportOnAPrinter)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
