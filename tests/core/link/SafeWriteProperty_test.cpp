// The first rule of the station, tried over many writes with random line faults and interruptions:
// a controller that runs (normal mode) holds exactly the memory it had or the one written, never
// a mixture of the two. A write may fail in many ways; it may not restart a controller on half of
// a plan.
#include "ControllerSimulator.h"
#include "link/SafeWrite.h"
#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

namespace vlk {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Two images that differ in every sector: the old memory and the new plan.
ImageBytes Image(std::uint8_t seed)
{
    ImageBytes image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return image;
}

struct Trial {
    SimulatorOptions options;
    int stopAfterSteps = -1; // the interruption: after so many progress reports; -1 none
    std::string what;        // the faults, for the failure message
};

// Draws the faults of one write. Every fault of the line is fair game except the controller
// restarting by itself: that puts it into normal mode on whatever it holds, and is no doing of the
// station's.
Trial Draw(std::mt19937& random)
{
    Trial trial;
    SimulatorOptions& o = trial.options;
    o.period = 40ms;
    o.pace = false;
    o.recordLimit = 4096;
    std::ostringstream what;
    auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; };
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    if (chance(20)) {
        o.refuseSector.push_back({pick(0, 14), chance(50) ? -1 : pick(1, 5)});
        what << " refuse " << o.refuseSector.back().sector << ':' << o.refuseSector.back().times;
    }
    if (chance(15)) {
        o.ignoreSector.push_back({pick(0, 14), chance(30) ? -1 : pick(1, 5)});
        what << " ignore " << o.ignoreSector.back().sector << ':' << o.ignoreSector.back().times;
    }
    if (chance(15)) {
        o.zeroSector.push_back({pick(0, 14), pick(1, 5)});
        what << " zero " << o.zeroSector.back().sector << ':' << o.zeroSector.back().times;
    }
    if (chance(15)) {
        o.shortSectorRead.push_back({pick(0, 14), pick(1, 2)});
        what << " short-read " << o.shortSectorRead.back().sector;
    }
    if (chance(20)) {
        const int byte = pick(0, 254);
        o.toggleReply = SimulatorOptions::ToggleReply{static_cast<std::uint8_t>(byte), pick(1, 2)};
        what << " toggle-reply " << byte;
    }
    if (chance(10)) {
        o.exitShort = pick(0, 25);
        what << " exit-short " << *o.exitShort;
    }
    if (chance(20)) {
        o.noisePerMille = pick(1, 6);
        o.noiseSeed = static_cast<std::uint32_t>(random());
        what << " noise " << o.noisePerMille;
    }
    if (chance(15)) {
        o.hangupAfter = std::chrono::milliseconds(pick(0, 1500));
        what << " hang-up " << o.hangupAfter->count();
    }
    if (chance(10)) {
        o.silentAfter = std::chrono::milliseconds(pick(0, 1500));
        if (chance(50))
            o.silentFor = std::chrono::milliseconds(pick(100, 800));
        what << " silent " << o.silentAfter->count();
    }
    if (chance(25)) {
        trial.stopAfterSteps = pick(0, 45);
        what << " stop after " << trial.stopAfterSteps;
    }
    trial.what = what.str();
    return trial;
}

class SafeWriteProperty : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        m_state = fs::temp_directory_path() / ("vlk-safe-write-" + std::to_string(::getpid()) + "-" +
                                               std::to_string(GetParam()));
        fs::create_directories(m_state);
        ::setenv("XDG_STATE_HOME", m_state.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(m_state); }

    fs::path m_state;
};

TEST_P(SafeWriteProperty, ARunningControllerHoldsTheOldImageOrTheNewOneNeverAMixture)
{
    const ImageBytes before = Image(1);
    const ImageBytes plan = Image(100);
    constexpr int kTrials = 50;
    int written = 0;
    int leftInProgramming = 0;
    for (int t = 0; t < kTrials; ++t) {
        const int seed = GetParam() * kTrials + t;
        std::mt19937 random(static_cast<std::uint32_t>(seed));
        Trial trial = Draw(random);
        trial.options.memory = before;
        SCOPED_TRACE("trial " + std::to_string(seed) + ":" + trial.what);

        // Each trial a controller of its own: no mark of an earlier trial's write (its pty number
        // comes back) speaks to this one.
        fs::remove_all(m_state / "vlk-station");
        ControllerSimulator sim(trial.options);
        const std::string path = sim.OpenPty();
        ASSERT_FALSE(path.empty()) << sim.LastError();
        ASSERT_TRUE(sim.Start());
        CPort port;
        port.SetTotalTimeout(250ms); // the frames come every 40 ms: the same proportions as 2 s to 1 s
        RecordingMessages messages;
        int steps = 0;
        const auto progress = [&](TransferStep, int) { ++steps; };
        const auto stop = [&] { return trial.stopAfterSteps >= 0 && steps >= trial.stopAfterSteps; };
        const WriteSession session = WriteAndRestart(port, path, messages, plan, progress, stop);
        port.Close();
        sim.Stop();

        const ImageBytes memory = sim.Memory();
        const bool running = sim.CurrentMode() == ControllerSimulator::Mode::Normal;
        if (running) {
            EXPECT_TRUE(memory == before || memory == plan) << "a running controller holds a mixture";
        }
        if (session.outcome.result == WriteResult::Written) {
            EXPECT_EQ(memory, plan) << "reported written, but the memory differs";
            ++written;
        }
        // No success is claimed for a controller that did not get the plan.
        if (session.restarted && memory != before)
            EXPECT_EQ(session.outcome.result, WriteResult::Written);
        if (!running)
            ++leftInProgramming;
    }
    // The faults are drawn so that both ends happen in every batch.
    EXPECT_GT(written, 0);
    EXPECT_GT(leftInProgramming, 0);
}

INSTANTIATE_TEST_SUITE_P(FourBatchesOfFifty, SafeWriteProperty, ::testing::Range(0, 4));

} // namespace
} // namespace vlk
