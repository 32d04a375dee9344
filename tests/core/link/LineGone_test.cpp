// The exchange worker when its device goes away (the simulator hangs up its pty) and comes back
// under the same name, measured for CPU, memory and what it posts to the console.
#include "ControllerSimulator.h"
#include "DeviceLink.h"
#include "RecordingConsole.h"
#include "link/ThreadPort.h"
#include "support/ProcessUsage.h"
#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace vlk {
namespace {

using namespace std::chrono_literals;
using test::DeviceLink;
using test::RecordingConsole;
using test::UsageWindow;
using SteadyClock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kSlack{VLK_TIMING_SLACK_MS};

SimulatorOptions Fast(std::chrono::milliseconds hangupAfter)
{
    SimulatorOptions options;
    options.period = 100ms;
    options.pace = false;
    options.hangupAfter = hangupAfter;
    return options;
}

template <class F>
bool WaitFor(F condition, std::chrono::milliseconds limit)
{
    const auto end = SteadyClock::now() + limit;
    while (!condition()) {
        if (SteadyClock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::size_t ZeroedDisplays(const RecordingConsole& console)
{
    std::size_t count = 0;
    for (const auto& shown : console.ShownGroups())
        count += shown.group == FrameGroup::Status && shown.raw == FrameBytes{};
    return count;
}

// Sixty seconds of a lost line in six: the pass of a silent line shortened from 2000 to 200 ms
// runs the same thirty passes ten times as fast, so the CPU bound per second is ten times
// stricter than at the real pace, and the memory sees every pass.
TEST(LineGone, SixtySecondsOfPassesStayQuietFlatAndSayItOnce)
{
    DeviceLink name;
    ControllerSimulator sim(Fast(600ms));
    ASSERT_FALSE(sim.OpenPty().empty()) << sim.LastError();
    ASSERT_TRUE(sim.LinkAt(name.Path())) << sim.LastError();
    ASSERT_TRUE(sim.Start());

    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    auto worker = std::make_unique<CThreadPort>(console, name.Path(), messages, line, 1);
    constexpr auto kPass = 200ms;
    worker->SetSilentPass(kPass);
    ASSERT_TRUE(worker->Start());
    ASSERT_TRUE(sim.WaitUntil([&] { return sim.Commands().size() >= 2; }, 5s));
    ASSERT_TRUE(sim.WaitUntil([&] { return sim.HungUp(); }, 5s));
    std::this_thread::sleep_for(kPass); // the worker's read has found the device gone

    const std::size_t shownBefore = console.ShownGroups().size();
    UsageWindow usage;
    usage.Start();
    constexpr auto kWindow = 6s;
    for (auto end = SteadyClock::now() + kWindow; SteadyClock::now() < end;) {
        std::this_thread::sleep_for(250ms);
        usage.Sample();
    }
    const double cpu = usage.CpuPercent();
    const long growth = usage.GrowthKb();
    const std::size_t posted = console.ShownGroups().size() - shownBefore;
    std::printf("line gone %.1f s (200 ms passes): CPU %.3f %%, resident %ld kB -> +%ld kB, %zu groups posted\n",
                usage.WallSeconds(), cpu, usage.StartKb(), growth, posted);

    // One zeroed frame (12 groups) a pass, never more.
    const std::size_t passes = kWindow / kPass;
    EXPECT_LE(posted, (passes + 2) * 12);
    EXPECT_GE(posted, 12u) << "the worker stopped showing the silent line";
    EXPECT_EQ(posted % 12, 0u);
    EXPECT_LT(cpu, 1.0);
    EXPECT_LT(growth, 2048);
    EXPECT_EQ(console.LineLost(), std::vector<bool>{true});
    EXPECT_TRUE(messages.Entries().empty()) << messages.Texts().front();
    EXPECT_GT(console.Repaints(), 0); // frames were answered before the hang-up
    EXPECT_FALSE(worker->Done());

    // The adapter is plugged back in: the same name leads to the line again, and the worker,
    // which retries it every pass, resumes by itself.
    ASSERT_FALSE(sim.OpenPty().empty()) << sim.LastError();
    ASSERT_TRUE(sim.LinkAt(name.Path())) << sim.LastError();
    sim.ClearRecords();
    ASSERT_TRUE(sim.Start());
    EXPECT_TRUE(sim.WaitUntil([&] { return sim.Commands().size() >= 3; }, 5s));
    EXPECT_EQ(console.LineLost(), (std::vector<bool>{true, false}));
    EXPECT_TRUE(messages.Entries().empty());

    StopExchange(worker, console);
    EXPECT_EQ(console.Ended(), 1);
    sim.Stop();
}

TEST(LineGone, AtTheRealPaceTheZeroedFrameComesAtMostEveryTwoSecondsAndStopIsPrompt)
{
    DeviceLink name;
    ControllerSimulator sim(Fast(300ms));
    ASSERT_FALSE(sim.OpenPty().empty()) << sim.LastError();
    ASSERT_TRUE(sim.LinkAt(name.Path())) << sim.LastError();
    ASSERT_TRUE(sim.Start());

    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    auto worker = StartExchange(console, name.Path(), messages, line, 1);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(sim.WaitUntil([&] { return sim.HungUp(); }, 5s));
    const auto lostAt = SteadyClock::now();
    const std::size_t before = ZeroedDisplays(console);
    std::this_thread::sleep_for(5s);
    const std::size_t zeroed = ZeroedDisplays(console) - before;
    // Five seconds from the hang-up: the rest of the pass that found the device gone, then two
    // passes of 2000 ms.
    EXPECT_LE(zeroed, 3u);
    EXPECT_GE(zeroed, 2u);
    EXPECT_EQ(console.LineLost(), std::vector<bool>{true});
    EXPECT_TRUE(messages.Entries().empty());

    // The stop is honoured in the wait of the pass, after the fixed pause only.
    const auto stopAt = SteadyClock::now();
    StopExchange(worker, console);
    const auto took = SteadyClock::now() - stopAt;
    EXPECT_GE(took, 1000ms);
    EXPECT_LT(took, 1000ms + 500ms + kSlack);
    EXPECT_EQ(console.Cleared(), std::vector<FrameBytes>{FrameBytes{}});
    EXPECT_GT(SteadyClock::now() - lostAt, 5s);
}

TEST(LineGone, TheSimulatorProgramsHangUpIsALostLineToo)
{
    // The program as an engineer starts it: --link and --hangup-after.
    DeviceLink name;
    name.Remove();
    std::vector<std::string> args{VLK_BINARY_DIR "/tools/vlk-sim/vlk-sim", "--link", name.Path(), "--no-pace",
                                  "--period", "100", "--hangup-after", "1000"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0) << argv[0];
    posix_spawn_file_actions_destroy(&actions);
    struct Reap {
        pid_t pid;
        ~Reap()
        {
            if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
    } reap{pid};
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_symlink(name.Path()); }, 5s));

    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    auto worker = std::make_unique<CThreadPort>(console, name.Path(), messages, line, 1);
    worker->SetSilentPass(200ms);
    ASSERT_TRUE(worker->Start());
    EXPECT_TRUE(WaitFor([&] { return console.Repaints() >= 2; }, 5s));
    ASSERT_TRUE(WaitFor([&] { return !console.LineLost().empty(); }, 5s));
    int status = -1;
    ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 5s));
    reap.pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(std::filesystem::is_symlink(name.Path()));

    UsageWindow usage;
    usage.Start();
    const std::size_t before = console.ShownGroups().size();
    std::this_thread::sleep_for(2s);
    EXPECT_LT(usage.CpuPercent(), 1.0);
    EXPECT_LE(console.ShownGroups().size() - before, (2000 / 200 + 2) * 12u);
    EXPECT_EQ(console.LineLost(), std::vector<bool>{true});
    EXPECT_TRUE(messages.Entries().empty());
    StopExchange(worker, console);
}

TEST(LineGone, AWorkerThatCannotOpenSaysSoOnceAndEnds)
{
    // Not a loss: the device was never there. The worker ends as it always has.
    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    auto worker = StartExchange(console, "/nonexistent/vlk-tty", messages, line, 1);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(WaitFor([&] { return worker->Done(); }, 5s));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Порт не открыт\n/nonexistent/vlk-tty: нет такого устройства"});
    EXPECT_TRUE(console.LineLost().empty());
    EXPECT_TRUE(WaitFor([&] { return console.Ended() == 1; }, 1s));
}

// A cable pulled at the controller's end, or a controller switched off: the adapter stays, the
// frames stop. Before, the console went on showing the zeroed frame ("Понедельник 00:00", program
// 0) every two seconds and nobody was told.
TEST(LineSilent, TwoPassesWithoutAFrameOnAnOpenPortAreALostLineSaidOnceAndTheFirstFrameEndsIt)
{
    SimulatorOptions options;
    options.period = 100ms;
    options.pace = false;
    options.silentAfter = 600ms;
    options.silentFor = 5500ms;
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    ASSERT_FALSE(path.empty()) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    CThreadPort worker(console, path, messages, line, 1);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(sim.WaitUntil([&] { return sim.Commands().size() >= 2; }, 5s));
    const auto silentFrom = SteadyClock::now();
    // The first silent pass shows the zeroed frame as always; the second says the line is lost.
    ASSERT_TRUE(WaitFor([&] { return !console.LineLost().empty(); }, 8s));
    const auto lostAfter = SteadyClock::now() - silentFrom;
    EXPECT_GE(lostAfter, 3s);
    EXPECT_LE(lostAfter, 5s + kSlack);
    EXPECT_EQ(console.LineLost(), std::vector<bool>{true});
    // Frames again: the line is back, said once.
    ASSERT_TRUE(WaitFor([&] { return console.LineLost().size() == 2; }, 8s));
    EXPECT_EQ(console.LineLost(), (std::vector<bool>{true, false}));
    ASSERT_TRUE(sim.WaitUntil([&] { return sim.Commands().size() >= 4; }, 5s));
    worker.SignalStop();
    worker.StopAndWait(0ms);
    EXPECT_TRUE(messages.Entries().empty()); // a state, not a box
    EXPECT_EQ(console.LineLost(), (std::vector<bool>{true, false}));
}

} // namespace
} // namespace vlk
