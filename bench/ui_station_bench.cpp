// The running station's own figures: start to first paint, resident memory after start, CPU while
// exchanging one frame a second, and the memory transfer against the paced simulator as a ratio to
// what the 9600-baud line allows.
#include "frame/MainFrm.h"
#include "frame/FrameDialogs.h"
#include "support/RecordingMessages.h"
#include "ControllerSimulator.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// Serves the UI thread's events for `ms`, or until `done` holds.
bool Pump(int ms, const std::function<bool()>& done = {})
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done && done())
            return true;
        QThread::msleep(1);
    }
    return done ? done() : true;
}

class FixedDialogs final : public vlk::FrameDialogs {
public:
    explicit FixedDialogs(int port) : m_port(port) {}
    int ChoosePort(QWidget*) override { return m_port; }
    QString OpenFileName(QWidget*) override { return {}; }
    QString SaveFileName(QWidget*) override { return {}; }
    QString PdfFileName(QWidget*, const QString&) override { return {}; }
    QString RecordingFileName(QWidget*, const QString&) override { return {}; }
    QString CsvFileName(QWidget*, const QString&) override { return {}; }

private:
    int m_port;
};

class PaintProbe : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        painted |= event->type() == QEvent::Paint;
        return false;
    }
};

double ResidentMiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_StartToFirstPaint(benchmark::State& state)
{
    for (auto _ : state) {
        vlk::RecordingMessages messages;
        FixedDialogs dialogs(0);
        QElapsedTimer clock;
        clock.start();
        auto frame = std::make_unique<vlk::CMainFrame>(messages, dialogs);
        PaintProbe probe;
        frame->installEventFilter(&probe);
        frame->AskPortAndStart();
        frame->show();
        (void)Pump(10000, [&] { return probe.painted; });
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        state.counters["rss_MiB"] = ResidentMiB();
        frame->removeEventFilter(&probe);
    }
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExchangeOneFrameASecond(benchmark::State& state)
{
    for (auto _ : state) {
        vlk::ControllerSimulator sim;  // paced, a frame a second
        const std::string path = sim.OpenPty();
        setenv("VLK_COM1", path.c_str(), 1);
        if (path.empty() || !sim.Start()) {
            state.SkipWithError("no simulator");
            return;
        }
        vlk::RecordingMessages messages;
        FixedDialogs dialogs(1);
        vlk::CMainFrame frame(messages, dialogs);
        frame.AskPortAndStart();
        frame.show();
        (void)Pump(1500);
        const double cpuBefore = CpuSeconds();
        const auto framesBefore = sim.FramesSent();
        QElapsedTimer clock;
        clock.start();
        // A plain event loop, so the figure is the station's (and the in-process simulator's) alone.
        QEventLoop idle;
        QTimer::singleShot(10000, &idle, &QEventLoop::quit);
        idle.exec();
        const double wall = static_cast<double>(clock.elapsed()) / 1000.0;
        state.SetIterationTime(wall);
        state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - cpuBefore) / wall;
        state.counters["frames"] = static_cast<double>(sim.FramesSent() - framesBefore);
        frame.close();
        sim.Stop();
    }
}
BENCHMARK(BM_ExchangeOneFrameASecond)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// Line time of one byte at 9600 baud, 11 bits.
constexpr double kByteSeconds = 11.0 / 9600.0;

void BM_MemoryTransfer(benchmark::State& state)
{
    const bool write = state.range(0) == 0;
    for (auto _ : state) {
        vlk::SimulatorOptions options;
        options.period = 200ms;
        vlk::ControllerSimulator sim(options);
        const std::string path = sim.OpenPty();
        setenv("VLK_COM1", path.c_str(), 1);
        if (path.empty() || !sim.Start()) {
            state.SkipWithError("no simulator");
            return;
        }
        vlk::RecordingMessages messages;
        FixedDialogs dialogs(0);
        vlk::CMainFrame frame(messages, dialogs);
        frame.AskPortAndStart();
        frame.Command(vlk::CMainFrame::ID_PROGRAMMING_MODE)->trigger();
        if (!frame.ProgrammingMode()) {
            state.SkipWithError("programming mode refused");
            return;
        }
        QElapsedTimer clock;
        clock.start();
        frame.Command(write ? vlk::CMainFrame::ID_WRITE_MEMORY : vlk::CMainFrame::ID_READ_MEMORY)->trigger();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        // Write: 15 command bytes, 1920 data bytes, 15 replies; read: 15 commands, 1920 bytes.
        const double limit = (write ? 1950.0 : 1935.0) * kByteSeconds;
        state.counters["line_limit_s"] = limit;
        state.counters["ratio"] = seconds / limit;
        sim.Stop();
    }
}
BENCHMARK(BM_MemoryTransfer)->Arg(0)->Arg(1)->ArgName("read")->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
