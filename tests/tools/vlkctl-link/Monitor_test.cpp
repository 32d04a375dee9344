// vlkctl monitor when the line is silent or goes away.
#include "LinkCommands.h"
#include "ControllerSimulator.h"
#include "core/link/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <sstream>

namespace vlk::ctl {
namespace {

using namespace vlk::test;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(VlkctlMonitor, ADeviceThatGoesAwayEndsItWithOneLineAndExitOne)
{
    SimulatorOptions options;
    options.period = 100ms;
    options.pace = false;
    options.hangupAfter = 700ms;
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    ASSERT_FALSE(path.empty()) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    std::ostringstream out, err;
    // Without --count it would run for ever on a live line.
    auto monitor = std::async(std::launch::async, [&] { return RunMonitor(path, 0, out, err); });
    ASSERT_EQ(monitor.wait_for(10s), std::future_status::ready) << "the monitor did not end";
    EXPECT_EQ(monitor.get(), 1);
    const auto lines = Lines(out.str());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.back(), "Связь с контроллером потеряна");
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_EQ(lines[i].rfind("флаги=", 0), 0u) << lines[i];
    EXPECT_TRUE(sim.HungUp());
}

TEST(VlkctlMonitor, CountCountsTheSilentPassesAndASilentLineIsLostOnceAndNotReached)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer&) {});
    std::ostringstream out, err;
    EXPECT_EQ(RunMonitor(peer.Path(), 3, out, err), 1); // no frame of the three
    peer.Stop();
    EXPECT_EQ(out.str(), "нет кадра\nСвязь с контроллером потеряна\n");
    EXPECT_TRUE(peer.Received().empty());
}

TEST(VlkctlMonitor, AControllerThatFallsSilentWithItsDeviceKeptIsSaidLostOnceAndWaitedFor)
{
    // A cable pulled at the controller's end: the pty stays, the frames stop, and come back.
    SimulatorOptions options;
    options.period = 200ms;
    options.pace = false;
    options.silentAfter = 500ms;
    options.silentFor = 5500ms;
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    ASSERT_FALSE(path.empty()) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    std::ostringstream out, err;
    // Passes: about 3 frames, 3 silent passes of 2 s, then frames again.
    const int code = RunMonitor(path, 9, out, err);
    sim.Stop();
    EXPECT_EQ(code, 1); // three passes brought no frame
    const auto lines = Lines(out.str());
    const auto count = [&](const std::string& text) { return std::count(lines.begin(), lines.end(), text); };
    EXPECT_EQ(count("Связь с контроллером потеряна"), 1) << out.str();
    EXPECT_EQ(count("нет кадра"), 1) << out.str();
    EXPECT_EQ(count("Связь с контроллером восстановлена"), 1) << out.str();
    // No zeroed frame stands in for the missing ones.
    for (const auto& line : lines)
        EXPECT_EQ(line.find("день=Понедельник время=00:00"), std::string::npos) << line;
    EXPECT_EQ(lines.back().rfind("флаги=", 0), 0u) << out.str();
}

TEST(VlkctlMonitor, AShortFrameIsMarkedAsSuch)
{
    SimulatorOptions options;
    options.period = 200ms;
    options.pace = false;
    options.shortFrames = 1;
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    ASSERT_FALSE(path.empty()) << sim.LastError();
    std::ostringstream out, err;
    auto monitor = std::async(std::launch::async, [&] { return RunMonitor(path, 2, out, err); });
    std::this_thread::sleep_for(400ms); // the monitor's port is open and purged: the first frame is its
    ASSERT_TRUE(sim.Start());
    ASSERT_EQ(monitor.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(monitor.get(), 0);
    sim.Stop();
    const auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 2u) << out.str();
    EXPECT_EQ(lines[0].rfind("неполный кадр (10 из 26 байт, остальные показаны нулями): флаги=", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("флаги=", 0), 0u) << lines[1];
}

TEST(VlkctlMonitor, SeveralPortsPrintWholeLinesEachNamedByItsPort)
{
    SimulatorOptions options;
    options.period = 100ms;
    options.pace = false;
    ControllerSimulator first(options);
    ControllerSimulator second(options);
    const std::string a = first.OpenPty();
    const std::string b = second.OpenPty();
    ASSERT_FALSE(a.empty() || b.empty());
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    // A server address where nobody listens: that port says so and ends, the others go on.
    const std::string nobody = "tcp://127.0.0.1:1";
    std::ostringstream out, err;
    const int code = RunMonitorPorts({a, b, nobody}, 3, out, err);
    EXPECT_EQ(code, 2); // a port that does not open is exit 2, as with one port
    int fromA = 0;
    int fromB = 0;
    int refused = 0;
    for (const std::string& line : Lines(out.str())) {
        if (line.rfind(a + ": флаги=", 0) == 0)
            ++fromA;
        else if (line.rfind(b + ": флаги=", 0) == 0)
            ++fromB;
        else if (line == nobody + ": Порт не открыт" ||
                 line == nobody + ": tcp://127.0.0.1:1: сервер отказал в соединении (не запущен или порт не тот)")
            ++refused;
        else
            ADD_FAILURE() << "a line of no port: " << line;
    }
    EXPECT_EQ(fromA, 3);
    EXPECT_EQ(fromB, 3);
    EXPECT_EQ(refused, 2); // the message and its reason, each line named by the port
    // Each controller was answered on its own line.
    EXPECT_GE(first.Commands().size(), 2u);
    EXPECT_GE(second.Commands().size(), 2u);
}

} // namespace
} // namespace vlk::ctl
