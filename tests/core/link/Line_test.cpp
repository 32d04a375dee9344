#include "link/Line.h"
#include "link/ThreadPort.h"
#include "RecordingConsole.h"
#include "ScriptedPeer.h"
#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

namespace vlk {
namespace {

using namespace vlk::test;

bool Ready(const std::future<void>& done, std::chrono::milliseconds wait = 0ms)
{
    return done.wait_for(wait) == std::future_status::ready;
}


TEST(Line, JobsRunOneAtATimeInTheOrderPostedOnOneThreadAndAllRunBeforeItEnds)
{
    std::mutex mutex;
    std::vector<int> steps; // +i when job i begins, -i when it ends
    std::vector<std::thread::id> threads;
    std::thread::id lineThread;
    {
        CLine line;
        for (int i = 1; i <= 5; ++i) {
            (void)line.Post([&, i](CPort&) {
                {
                    std::lock_guard lock(mutex);
                    steps.push_back(i);
                    threads.push_back(std::this_thread::get_id());
                }
                std::this_thread::sleep_for(15ms);
                std::lock_guard lock(mutex);
                steps.push_back(-i);
            });
        }
        lineThread = line.ThreadId();
        // Leaving the scope ends the line only after every job posted has run.
    }
    EXPECT_EQ(steps, (std::vector<int>{1, -1, 2, -2, 3, -3, 4, -4, 5, -5}));
    ASSERT_EQ(threads.size(), 5u);
    for (const std::thread::id id : threads) {
        EXPECT_EQ(id, lineThread);
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST(Line, OthersLookAtThePortOnlyWhileNoJobRunsOrWaits)
{
    CLine line;
    int looks = 0;
    EXPECT_TRUE(line.Idle());
    EXPECT_TRUE(line.WhenIdle([&](CPort& port) {
        ++looks;
        EXPECT_FALSE(port.IsOpen());
    }));

    std::promise<void> gate;
    std::shared_future<void> open = gate.get_future().share();
    std::future<void> first = line.Post([open](CPort&) { open.wait(); });
    std::future<void> second = line.Post([](CPort&) {});
    ASSERT_TRUE(first.valid());
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(line.Idle());
    EXPECT_FALSE(line.WhenIdle([&](CPort&) { ++looks; }));
    gate.set_value();
    ASSERT_TRUE(Ready(second, 5s));
    EXPECT_TRUE(Ready(first));
    ASSERT_TRUE(ScriptedPeer::Within(10s, [&] { return line.Idle(); }));
    EXPECT_TRUE(line.WhenIdle([&](CPort&) { ++looks; }));
    EXPECT_EQ(looks, 2);

    // A job posted while somebody looks waits for the look to end.
    std::atomic<bool> ran{false};
    std::future<void> posted;
    std::thread poster;
    EXPECT_TRUE(line.WhenIdle([&](CPort&) {
        poster = std::thread([&] { posted = line.Post([&](CPort&) { ran = true; }); });
        std::this_thread::sleep_for(50ms);
        EXPECT_FALSE(ran.load());
    }));
    poster.join();
    ASSERT_TRUE(Ready(posted, 5s));
    EXPECT_TRUE(ran.load());
}

TEST(Line, AJobThatHasEndedLeavesTheLineIdleForWhoeverWaitedForIt)
{
    // The frame looks at the port the moment its command's job has ended: the line must then
    // count as idle, not still busy with the job it has just finished.
    CLine line;
    int busy = 0;
    for (int i = 0; i < 300; ++i) {
        std::future<void> done = line.Post([](CPort&) {});
        ASSERT_TRUE(Ready(done, 5s));
        busy += line.Idle() ? 0 : 1;
    }
    EXPECT_EQ(busy, 0);
}

TEST(Line, EveryJobHasTheOnePortAndInterruptEndsABlockedReadAtOnce)
{
    ScriptedPeer peer; // sends nothing: a read waits its whole time-out
    CLine line;
    bool opened = false;
    bool stillOpen = false;
    (void)line.Post([&](CPort& port) { opened = port.Open(peer.Path(), "AX25"); });
    std::uint8_t buffer[26] = {};
    CPort::ReadEnd end = CPort::ReadEnd::NotOpen;
    SteadyClock::time_point readStart;
    std::future<void> read = line.Post([&](CPort& port) {
        stillOpen = port.IsOpen();
        readStart = SteadyClock::now();
        (void)port.Read(buffer, sizeof buffer);
        end = port.LastReadEnd();
    });
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(Ready(read));
    const auto interrupted = SteadyClock::now();
    line.Interrupt();
    ASSERT_TRUE(Ready(read, 1s));
    EXPECT_LT(SteadyClock::now() - interrupted, 500ms);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(end, CPort::ReadEnd::Woken);
    // The port is the line's for good: the next job opens it again.
    bool reopened = false;
    ASSERT_TRUE(Ready(line.Post([&](CPort& port) { reopened = port.Open(peer.Path(), "AX25"); }), 5s));
    EXPECT_TRUE(reopened);
}

TEST(Line, AJobPostedDuringTheExchangeRunsOnlyOnceTheExchangeHasClosedTheLine)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        while (!p.Stopping()) {
            p.Send(StateFrameBytes(0x20));
            (void)p.Expect(1, 300ms);
        }
    });
    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    std::unique_ptr<CThreadPort> worker = StartExchange(console, peer.Path(), messages, line);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(ScriptedPeer::Within(10s, [&] { return console.Repaints() >= 2; }));

    bool openWhenItRan = true;
    SteadyClock::time_point ranAt;
    std::future<void> job = line.Post([&](CPort& port) {
        openWhenItRan = port.IsOpen();
        ranAt = SteadyClock::now();
    });
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(Ready(job)) << "a job ran beside the exchange";
    const auto stopAsked = SteadyClock::now();
    StopExchange(worker, console);
    const auto stopped = SteadyClock::now();
    ASSERT_TRUE(Ready(job, 5s));
    EXPECT_GE(ranAt, stopAsked);
    EXPECT_LE(ranAt, stopped);
    EXPECT_FALSE(openWhenItRan);
    EXPECT_TRUE(messages.Texts().empty());
    peer.Stop();
}

TEST(Line, AnExchangeStoppedBeforeItsTurnLeavesTheLineAsTheJobBeforeLeftIt)
{
    // Programming mode holds the line open; an exchange that was asked to end before it ever
    // ran must neither close that port nor send a byte on it.
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) { (void)p.Expect(1, 1500ms); });
    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    std::promise<void> gate;
    std::shared_future<void> open = gate.get_future().share();
    bool opened = false;
    (void)line.Post([&, open](CPort& port) {
        opened = port.Open(peer.Path(), "AX25");
        open.wait();
    });
    std::unique_ptr<CThreadPort> worker = StartExchange(console, peer.Path(), messages, line);
    ASSERT_NE(worker, nullptr);
    worker->SignalStop();
    gate.set_value();
    worker->StopAndWait(0ms, 5s);
    EXPECT_FALSE(worker->StopTimedOut());
    worker.reset();

    bool stillOpen = false;
    ASSERT_TRUE(Ready(line.Post([&](CPort& port) { stillOpen = port.IsOpen(); }), 5s));
    EXPECT_TRUE(opened);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(console.ShownGroups().empty());
    EXPECT_TRUE(messages.Texts().empty());
    peer.WaitScript();
    EXPECT_TRUE(peer.Received().empty()) << "the stopped exchange wrote on the line";
}

} // namespace
} // namespace vlk
