// The cost of watching 16 controllers through 16 ser2net ports at one frame a second: the CPU of
// the 16 watch workers (from the scheduler's own account of their threads) and the memory the
// process grew by. The simulators run in this process too; their threads are not counted.
// Run by `make bench`.

#include "ControllerSimulator.h"
#include "link/WatchedLine.h"
#include "support/ProcessUsage.h"
#include "support/SerialServer.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

int main()
{
    constexpr int kControllers = 16;
    std::vector<std::unique_ptr<vlk::ControllerSimulator>> sims;
    std::vector<std::string> paths;
    for (int i = 0; i < kControllers; ++i) {
        vlk::SimulatorOptions options;
        options.period = 1000ms;
        sims.push_back(std::make_unique<vlk::ControllerSimulator>(options));
        paths.push_back(sims.back()->OpenPty());
        if (paths.back().empty() || !sims.back()->Start()) {
            std::printf("watch: simulator did not start\n");
            return 1;
        }
    }
    vlk::test::SerialServer server;
    if (!server.Start(paths)) {
        std::printf("SKIP: watch: %s\n", server.Why().c_str());
        return 0;
    }
    const auto before = vlk::test::ThreadIds();
    const long memoryBefore = vlk::test::ResidentKb();
    std::vector<std::unique_ptr<vlk::WatchedLine>> lines;
    for (int i = 0; i < kControllers; ++i) {
        // Half raw, half Telnet.
        lines.push_back(std::make_unique<vlk::WatchedLine>(i % 2 ? server.TelnetAddress(i) : server.RawAddress(i)));
        (void)lines.back()->Start();
    }
    std::this_thread::sleep_for(3s);
    std::vector<std::string> workers;
    for (const auto& tid : vlk::test::ThreadIds())
        if (!before.count(tid))
            workers.push_back(tid);
    long long start = 0;
    for (const auto& tid : workers)
        start += vlk::test::ThreadRunTime(tid);
    const auto wallStart = std::chrono::steady_clock::now();
    std::size_t framesBefore = 0;
    for (const auto& sim : sims)
        framesBefore += sim->Commands().size();
    std::this_thread::sleep_for(30s);
    long long end = 0;
    for (const auto& tid : workers)
        end += vlk::test::ThreadRunTime(tid);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::size_t framesAfter = 0;
    for (const auto& sim : sims)
        framesAfter += sim->Commands().size();
    const long memoryAfter = vlk::test::ResidentKb();
    int heard = 0;
    for (const auto& line : lines)
        heard += line->Snapshot().frame.has_value() && !line->Snapshot().lineLost;
    for (const auto& line : lines)
        line->SignalStop();
    lines.clear();
    for (auto& sim : sims)
        sim->Stop();

    const double cpu = 100.0 * static_cast<double>(end - start) / 1e9 / wall;
    std::printf("watch %d controllers through ser2net (8 raw, 8 rfc2217) at one frame a second, %.0f s:\n",
                kControllers, wall);
    std::printf("  workers' CPU %.3f %% of one core (%zu threads), memory +%.1f MiB, %zu frames answered, "
                "%d of %d lines heard\n",
                cpu, workers.size(), (memoryAfter - memoryBefore) / 1024.0, framesAfter - framesBefore, heard,
                kControllers);
    return 0;
}
