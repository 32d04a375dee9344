// Time-outs of CPort::Read on a pty. A peer thread that stalls is the only source of short
// reads here, so cases with gaps retry when a real gap went over 15 ms.
#include "link/CPort.h"
#include "ScriptedPeer.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vlk {
namespace {

using namespace vlk::test;
using std::chrono::milliseconds;

constexpr milliseconds kSlack{VLK_TIMING_SLACK_MS};

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

TEST(CPortTiming, EndsTwentyMillisecondsAfterTheLastByte)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    std::uint8_t buffer[26];
    std::atomic<SteadyClock::rep> sentAt{0};
    peer.Run([&](ScriptedPeer& p) {
        std::this_thread::sleep_for(100ms);
        sentAt = p.Send(Bytes(10, 0x55)).time_since_epoch().count();
    });
    const std::size_t got = port.Read(buffer, sizeof buffer);
    const auto end = SteadyClock::now();
    peer.Stop();
    ASSERT_EQ(got, 10u);
    const double after = Ms(end - SteadyClock::time_point(SteadyClock::duration(sentAt.load())));
    EXPECT_GE(after, 19.5);
    EXPECT_LE(after, 20.0 + kSlack.count());
}

TEST(CPortTiming, SilentLineEndsAtTheModesTotalTimeout)
{
    ScriptedPeer peer;
    CPort port;
    std::uint8_t buffer[26];
    for (auto [mode, total] : {std::pair{"AX25", 2000.0}, std::pair{"MODBUS", 1000.0}}) {
        ASSERT_TRUE(port.Open(peer.Path(), mode));
        const auto start = SteadyClock::now();
        EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
        const double elapsed = Ms(SteadyClock::now() - start);
        EXPECT_GE(elapsed, total) << mode;
        EXPECT_LE(elapsed, total + 300.0 + kSlack.count()) << mode;
    }
}

// True when no gap between the peer's writes went over 15 ms.
bool NoStall(const ScriptedPeer& p)
{
    const auto times = p.SendTimes();
    for (std::size_t i = 1; i < times.size(); ++i)
        if (times[i] - times[i - 1] > 15ms)
            return false;
    return true;
}

TEST(CPortTiming, TotalTimeoutHoldsWhileBytesKeepComing)
{
    int gapEnds = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        ScriptedPeer peer;
        CPort port;
        ASSERT_TRUE(port.Open(peer.Path(), "MODBUS"));
        std::vector<std::uint8_t> buffer(4096);
        const auto start = SteadyClock::now();
        peer.Run([&](ScriptedPeer& p) {
            while (!p.Stopping() && SteadyClock::now() - start < 1500ms) {
                p.Send({0x11});
                std::this_thread::sleep_for(5ms);
            }
        });
        const std::size_t got = port.Read(buffer.data(), buffer.size());
        const double elapsed = Ms(SteadyClock::now() - start);
        peer.Stop();
        if (!NoStall(peer))
            continue; // the peer itself stalled
        // On a loaded machine the pty's delivery itself can lag (a kernel worker carries the
        // bytes across), and a read then ends at a 20 ms gap the peer never made. That is tried
        // again; a read that ends so on every try is a fault of the port.
        if (port.LastReadEnd() == CPort::ReadEnd::Gap && elapsed < 1000.0) {
            ++gapEnds;
            std::printf("attempt %d: the read ended at a gap after %.0f ms\n", attempt + 1, elapsed);
            continue;
        }
        EXPECT_GT(got, 50u);
        EXPECT_GE(elapsed, 1000.0);
        EXPECT_LE(elapsed, 1000.0 + 300.0 + kSlack.count());
        return;
    }
    if (gapEnds == 5)
        FAIL() << "every read ended at a gap the peer never made";
    GTEST_SKIP() << "the peer, or the pty's delivery, stalled on every attempt (" << gapEnds << " gap ends)";
}

// Sends `count` single bytes `gap` apart; true when no real gap went over `limit`.
bool SendSpaced(ScriptedPeer& p, int count, milliseconds gap)
{
    for (int i = 0; i < count; ++i) {
        p.Send({static_cast<std::uint8_t>(i)});
        std::this_thread::sleep_for(gap);
    }
    return NoStall(p);
}

TEST(CPortTiming, ShortGapsDoNotEndARead)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        ScriptedPeer peer;
        CPort port;
        ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
        std::atomic<bool> clean{true};
        peer.Run([&](ScriptedPeer& p) { clean = SendSpaced(p, 26, 5ms); });
        std::uint8_t buffer[26];
        const std::size_t got = port.Read(buffer, sizeof buffer);
        peer.Stop();
        if (!clean)
            continue; // the peer itself stalled
        EXPECT_EQ(got, 26u);
        return;
    }
    GTEST_SKIP() << "the peer thread stalled on every attempt";
}

TEST(CPortTiming, LongGapEndsARead)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    peer.Run([&](ScriptedPeer& p) {
        p.Send(Bytes(5, 1));
        std::this_thread::sleep_for(60ms);
        p.Send(Bytes(5, 2));
    });
    std::uint8_t buffer[26];
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 5u);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 5u);
    EXPECT_EQ(buffer[0], 2);
    peer.Stop();
}

TEST(CPortTiming, ReturnsAtTheCountWithoutWaiting)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    peer.Send(Bytes(30, 3));
    std::uint8_t buffer[26];
    const auto start = SteadyClock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 26u);
    EXPECT_LT(Ms(SteadyClock::now() - start), 10.0 + kSlack.count() / 10.0);
    // The rest stays for the next read.
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 4u);
}

TEST(CPortTiming, OpenPausesAndWritePausesBeforeSending)
{
    ScriptedPeer peer;
    CPort port;
    auto start = SteadyClock::now();
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    EXPECT_GE(Ms(SteadyClock::now() - start), 100.0);

    peer.Run([&](ScriptedPeer& p) { (void)p.Expect(1); });
    start = SteadyClock::now();
    const std::uint8_t byte = 0x40;
    ASSERT_TRUE(port.Write(&byte, 1));
    peer.WaitScript();
    peer.Stop();
    EXPECT_GE(Ms(peer.FirstReceiveTime() - start), 1.0);
}

} // namespace
} // namespace vlk
