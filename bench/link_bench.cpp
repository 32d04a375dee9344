// Link figures against the paced controller simulator: memory transfer time against the
// line's limit, answer latency after a state frame, and the worker's CPU at one frame a second.
// Prints plain figures; run by `make bench`.

#include "ControllerSimulator.h"
#include "link/MemoryTransfer.h"
#include "link/ProgrammingMode.h"
#include "link/SafeWrite.h"
#include "link/ThreadPort.h"
#include "support/ProcessUsage.h"

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class QuietMessages final : public vlk::Messages {
public:
    void Show(const std::string& text, vlk::MessageIcon = vlk::MessageIcon::None) override
    {
        std::printf("  message: %s\n", text.c_str());
    }
    bool Ask(const std::string&, vlk::MessageIcon = vlk::MessageIcon::Question) override { return true; }
};

class NullConsole final : public vlk::ConsoleSink {
public:
    void ShowGroup(std::uint64_t, vlk::FrameGroup, const vlk::StateFrame&) override {}
    void Repaint(std::uint64_t) override {}
    void ClearState(const vlk::FrameBytes&) override {}
    void ShowLineLost(std::uint64_t, bool) override {}
    void ExchangeEnded(std::uint64_t) override {}
    std::atomic<std::uint8_t>& CommandByte() override { return m_command; }
    std::atomic<int>& SendClockFlag() override { return m_clock; }
    vlk::ClockFields ClockToSend() override { return {}; }

private:
    std::atomic<std::uint8_t> m_command{0};
    std::atomic<int> m_clock{0};
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void MemoryTransfer()
{
    vlk::SimulatorOptions options;
    options.period = 200ms;
    options.account = std::string();
    vlk::ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    if (path.empty() || !sim.Start()) {
        std::printf("memory transfer: simulator did not start\n");
        return;
    }
    QuietMessages messages;
    vlk::CPort port;
    if (!vlk::EnterProgrammingMode(port, path, messages).Accepted()) {
        std::printf("memory transfer: programming mode refused\n");
        return;
    }
    vlk::ImageBytes image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 29);

    constexpr double kWriteLimit = 1950 * 11 / 9600.0; // 2.234 s on the line
    constexpr double kReadLimit = 1935 * 11 / 9600.0;  // 2.217 s
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        const bool written = vlk::WriteControllerMemory(port, messages, image) == vlk::WriteResult::Written;
        const double write = Seconds(Clock::now() - start);
        start = Clock::now();
        const auto back = vlk::ReadControllerMemory(port, messages);
        const double read = Seconds(Clock::now() - start);
        std::printf("memory write: %.3f s, ratio %.3f to %.3f s%s | read: %.3f s, ratio %.3f to %.3f s%s\n", write,
                    write / kWriteLimit, kWriteLimit, written ? "" : " (FAILED)", read, read / kReadLimit,
                    kReadLimit, back && *back == image ? "" : " (FAILED)");
    }
    // The safe write: the backup read (verified) before the first sector, then the write and its
    // check. Against the one-pass time of a write.
    const std::string state = "/tmp/vlk-link-bench-state";
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    for (int round = 0; round < 3; ++round) {
        image[0] = static_cast<std::uint8_t>(round + 1);
        const auto start = Clock::now();
        const vlk::SafeWriteOutcome outcome = vlk::WriteWithBackup(port, path, messages, image);
        const double total = Seconds(Clock::now() - start);
        std::printf("safe write (backup read + write + check): %.3f s, ratio %.3f to %.3f s%s\n", total,
                    total / kWriteLimit, kWriteLimit, outcome.result == vlk::WriteResult::Written ? "" : " (FAILED)");
    }
    std::system(("rm -rf " + state).c_str());
    (void)vlk::ExitProgrammingMode(port, messages, 0ms);
    sim.Stop();
}

void AnswerLatency()
{
    vlk::SimulatorOptions options;
    options.period = 60ms;
    vlk::ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    if (path.empty() || !sim.Start()) {
        std::printf("latency: simulator did not start\n");
        return;
    }
    NullConsole console;
    QuietMessages messages;
    vlk::CLine line;
    auto worker = vlk::StartExchange(console, path, messages, line);
    constexpr int kFrames = 200;
    (void)sim.WaitUntil([&] { return sim.Commands().size() >= kFrames + 5; }, 60s);
    vlk::StopExchange(worker, console);
    sim.Stop();

    const auto sent = sim.Sent();
    const auto received = sim.Received();
    std::vector<double> latencies;
    std::size_t r = 0;
    // Normal mode: everything the simulator sends is 26-byte frames.
    for (std::size_t lastByte = 25; lastByte < sent.size() && latencies.size() < kFrames + 5; lastByte += 26) {
        const auto end = sent[lastByte].time;
        while (r < received.size() && received[r].time < end)
            ++r;
        if (r == received.size())
            break;
        latencies.push_back(std::chrono::duration<double, std::milli>(received[r].time - end).count());
    }
    if (latencies.size() > 5)
        latencies.erase(latencies.begin(), latencies.begin() + 5); // the first frames meet the open
    if (latencies.empty()) {
        std::printf("latency: no answers\n");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    const double median = latencies[latencies.size() / 2];
    const double p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    std::printf("answer latency over %zu frames: median %.3f ms, p99 %.3f ms, max %.3f ms\n", latencies.size(),
                median, p99, latencies.back());
}

void WorkerCpu()
{
    vlk::SimulatorOptions options;
    options.period = 1000ms;
    vlk::ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    if (path.empty() || !sim.Start()) {
        std::printf("cpu: simulator did not start\n");
        return;
    }
    const auto before = vlk::test::ThreadIds();
    NullConsole console;
    QuietMessages messages;
    vlk::CLine line;
    auto worker = vlk::StartExchange(console, path, messages, line);
    std::this_thread::sleep_for(1500ms);
    std::string tid;
    for (const auto& t : vlk::test::ThreadIds())
        if (!before.count(t))
            tid = t;
    const long long start = vlk::test::ThreadRunTime(tid);
    const auto startTime = Clock::now();
    const auto frames = sim.Commands().size();
    std::this_thread::sleep_for(10s);
    const long long end = vlk::test::ThreadRunTime(tid);
    const double wall = Seconds(Clock::now() - startTime);
    const auto answered = sim.Commands().size() - frames;
    vlk::StopExchange(worker, console);
    sim.Stop();
    if (tid.empty() || start < 0 || end < 0) {
        std::printf("cpu: worker thread not found\n");
        return;
    }
    std::printf("worker cpu at one frame a second: %.4f %% (%.3f ms over %.1f s, %zu frames answered)\n",
                100.0 * (end - start) / 1e9 / wall, (end - start) / 1e6, wall, answered);
}

} // namespace

int main()
{
    MemoryTransfer();
    AnswerLatency();
    WorkerCpu();
    return 0;
}
