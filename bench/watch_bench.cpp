// The cost of watching 16 controllers through 16 ser2net ports at one frame a second: the CPU of
// the 16 watch workers (from the scheduler's own account of their threads) and the memory the
// process grew by. The simulators run in this process too; their threads are not counted.
// Run by `make bench`.

#include "ControllerSimulator.h"
#include "link/WatchedLine.h"
#include "support/SerialServer.h"

#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::set<std::string> Threads()
{
    std::set<std::string> tids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                tids.insert(entry->d_name);
        closedir(dir);
    }
    return tids;
}

long long RunTime(const std::string& tid)
{
    std::ifstream in("/proc/self/task/" + tid + "/schedstat");
    long long ns = -1;
    in >> ns;
    return ns;
}

long ResidentKiB()
{
    std::ifstream in("/proc/self/status");
    std::string key;
    while (in >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            in >> kib;
            return kib;
        }
        std::getline(in, key);
    }
    return 0;
}

} // namespace

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
    const auto before = Threads();
    const long memoryBefore = ResidentKiB();
    std::vector<std::unique_ptr<vlk::WatchedLine>> lines;
    for (int i = 0; i < kControllers; ++i) {
        // Half raw, half Telnet.
        lines.push_back(std::make_unique<vlk::WatchedLine>(i % 2 ? server.TelnetAddress(i) : server.RawAddress(i)));
        (void)lines.back()->Start();
    }
    std::this_thread::sleep_for(3s);
    std::vector<std::string> workers;
    for (const auto& tid : Threads())
        if (!before.count(tid))
            workers.push_back(tid);
    long long start = 0;
    for (const auto& tid : workers)
        start += RunTime(tid);
    const auto wallStart = std::chrono::steady_clock::now();
    std::size_t framesBefore = 0;
    for (const auto& sim : sims)
        framesBefore += sim->Commands().size();
    std::this_thread::sleep_for(30s);
    long long end = 0;
    for (const auto& tid : workers)
        end += RunTime(tid);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::size_t framesAfter = 0;
    for (const auto& sim : sims)
        framesAfter += sim->Commands().size();
    const long memoryAfter = ResidentKiB();
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
