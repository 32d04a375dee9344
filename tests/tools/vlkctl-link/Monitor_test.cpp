// vlkctl monitor when the line is silent or goes away.
#include "LinkCommands.h"
#include "ControllerSimulator.h"
#include "core/link/ScriptedPeer.h"

#include <gtest/gtest.h>

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

TEST(VlkctlMonitor, CountCountsTheSilentPassesToo)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer&) {});
    std::ostringstream out, err;
    EXPECT_EQ(RunMonitor(peer.Path(), 2, out, err), 0);
    peer.Stop();
    EXPECT_EQ(out.str(), "нет кадра\nнет кадра\n");
    EXPECT_TRUE(peer.Received().empty());
}

} // namespace
} // namespace vlk::ctl
