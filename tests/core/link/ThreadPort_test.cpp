#include "link/ThreadPort.h"
#include "RecordingConsole.h"
#include "ScriptedPeer.h"
#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

using namespace vlk::test;

constexpr std::chrono::milliseconds kSlack{VLK_TIMING_SLACK_MS};

struct Exchange {
    ScriptedPeer peer;
    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    std::unique_ptr<CThreadPort> worker;

    void Start(ScriptedPeer::Script script)
    {
        peer.Run(std::move(script));
        worker = StartExchange(console, peer.Path(), messages, line);
        ASSERT_NE(worker, nullptr);
    }
    void Stop() { StopExchange(worker, console); }
    // Waits (bounded) for a condition the worker brings about.
    template <class F>
    bool WaitFor(F condition, std::chrono::milliseconds limit = 10s)
    {
        const auto end = SteadyClock::now() + limit;
        while (!condition()) {
            if (SteadyClock::now() > end)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
};

void AfterOpen() { std::this_thread::sleep_for(300ms); }

TEST(Exchange, NotReadyFramesGetAStarAndAreNotShown)
{
    Exchange x;
    std::atomic<bool> done{false};
    x.Start([&](ScriptedPeer& p) {
        AfterOpen();
        p.Send(StateFrameBytes(0x00));
        if (p.Expect(1) != Bytes{0x2A})
            return;
        p.Send(StateFrameBytes(0x20, {0x31, 0x07, 0x23, 0x14, 0x05}));
        if (p.Expect(1) != Bytes{0x00})
            return;
        done = true;
    });
    ASSERT_TRUE(x.WaitFor([&] { return done.load(); }));
    ASSERT_TRUE(x.WaitFor([&] { return x.console.Repaints() == 1; }));
    const auto start = SteadyClock::now();
    x.Stop();
    EXPECT_GE(SteadyClock::now() - start, 1000ms);
    x.peer.Stop();
    EXPECT_EQ(x.peer.Received(), (Bytes{0x2A, 0x00}));

    const auto shown = x.console.ShownGroups();
    ASSERT_GE(shown.size(), 12u);
    // The ready frame, every group in order, nothing of the frame with "ПС" clear.
    const FrameGroup order[] = {
        FrameGroup::Status, FrameGroup::Phases, FrameGroup::Priority, FrameGroup::DayProgram,
        FrameGroup::Hours,  FrameGroup::Minutes, FrameGroup::Failures, FrameGroup::Red,
        FrameGroup::Yellow, FrameGroup::Green, FrameGroup::RedSensors, FrameGroup::GreenSensors,
    };
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(shown[i].group, order[i]) << i;
        EXPECT_EQ(shown[i].raw[0], 0x20);
        EXPECT_EQ(shown[i].raw[3], 0x23);
    }
    for (const auto& s : shown)
        EXPECT_NE(s.raw[0], 0x00) << "a frame with bit 5 clear was shown";
    EXPECT_TRUE(x.messages.Entries().empty());
    EXPECT_EQ(x.console.Cleared(), std::vector<FrameBytes>{FrameBytes{}});
}

TEST(Exchange, CommandRepeatedAfterEveryFrameAndClockSentOnce)
{
    Exchange x;
    x.console.CommandByte() = 0x43; // phase 3
    std::atomic<int> answered{0};
    std::atomic<bool> clockAsked{false};
    std::vector<Bytes> answers;
    std::mutex answersMutex;
    x.Start([&](ScriptedPeer& p) {
        AfterOpen();
        for (int frame = 0; frame < 6; ++frame) {
            if (frame == 3) { // the operator asks for the clock between two frames
                x.console.SetClock({14, 5, 2});
                x.console.SendClockFlag() = 1;
                clockAsked = true;
            }
            p.Send(StateFrameBytes(0x28));
            Bytes answer = p.Expect(frame == 3 ? 6 : 1);
            {
                std::lock_guard lock(answersMutex);
                answers.push_back(answer);
            }
            ++answered;
        }
    });
    ASSERT_TRUE(x.WaitFor([&] { return answered.load() == 6; }));
    x.Stop();
    x.peer.Stop();
    const std::vector<Bytes> expected{{0x43}, {0x43}, {0x43}, {0x85, 0x90, 0xA4, 0xB1, 0xC2, 0xF0}, {0x43}, {0x43}};
    EXPECT_EQ(answers, expected);
    EXPECT_EQ(x.console.SendClockFlag().load(), 0);
    EXPECT_EQ(x.peer.Received().size(), 5u + 6u);
}

TEST(Exchange, ClockWithoutAChosenDay)
{
    Exchange x;
    x.console.SetClock({7, 30, -1});
    x.console.SendClockFlag() = 1;
    std::atomic<bool> done{false};
    x.Start([&](ScriptedPeer& p) {
        AfterOpen();
        p.Send(StateFrameBytes(0x20));
        (void)p.Expect(6);
        done = true;
    });
    ASSERT_TRUE(x.WaitFor([&] { return done.load(); }));
    x.Stop();
    x.peer.Stop();
    EXPECT_EQ(x.peer.Received(), (Bytes{0x80, 0x93, 0xA7, 0xB0, 0xBF, 0xF0}));
}

TEST(Exchange, SilentLineShowsTheZeroedFrameAndSendsNothing)
{
    Exchange x;
    const auto start = SteadyClock::now();
    x.Start([](ScriptedPeer&) {});
    // The first zeroed display comes once the first 2000 ms read has run out.
    ASSERT_TRUE(x.WaitFor([&] { return x.console.ShownGroups().size() >= 12; }));
    const auto firstShown = SteadyClock::now() - start;
    EXPECT_GE(firstShown, 2000ms);
    EXPECT_LT(firstShown, 2400ms + kSlack);
    for (const auto& s : x.console.ShownGroups())
        EXPECT_EQ(s.raw, FrameBytes{});
    x.Stop();
    x.peer.Stop();
    EXPECT_TRUE(x.peer.Received().empty());
    EXPECT_EQ(x.console.Repaints(), 0);
}

TEST(Exchange, StopDuringASilentReadWaitsForTheRead)
{
    Exchange x;
    const auto start = SteadyClock::now();
    x.Start([](ScriptedPeer&) {});
    std::this_thread::sleep_for(300ms); // in its first read: 100 ms to open, then 2000 ms
    x.Stop();
    const auto took = SteadyClock::now() - start;
    // The worker left only once its read had run out, after the fixed pause had passed.
    EXPECT_GE(took, 2100ms);
    EXPECT_LT(took, 2100ms + kSlack + 200ms);
    // The stop test before the first group ends the zeroed display at once: the console is
    // cleared by the stop procedure instead.
    EXPECT_TRUE(x.console.ShownGroups().empty());
    EXPECT_EQ(x.console.Cleared(), std::vector<FrameBytes>{FrameBytes{}});
    EXPECT_EQ(x.worker, nullptr);
    x.peer.Stop();
    EXPECT_TRUE(x.peer.Received().empty());
}

TEST(Exchange, StopDuringADisplayEndsAtTheCurrentGroup)
{
    Exchange x;
    CThreadPort* worker = nullptr;
    std::atomic<CThreadPort*> workerPtr{nullptr};
    x.console.SetHook([&](FrameGroup group) {
        if (group == FrameGroup::Priority)
            if (auto* w = workerPtr.load())
                w->SignalStop();
    });
    x.Start([](ScriptedPeer& p) {
        AfterOpen();
        p.Send(StateFrameBytes(0x20));
    });
    worker = x.worker.get();
    workerPtr = worker;
    ASSERT_TRUE(x.WaitFor([&] { return worker->Done(); }));
    x.Stop();
    x.peer.Stop();
    const auto shown = x.console.ShownGroups();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown.back().group, FrameGroup::Priority);
    EXPECT_TRUE(x.peer.Received().empty()); // not answered
    EXPECT_EQ(x.console.Repaints(), 0);
    EXPECT_EQ(x.console.Cleared().size(), 1u);
}

TEST(Exchange, PortInUseEndsTheWorkerWithAMessage)
{
    ScriptedPeer peer;
    CPort holder;
    ASSERT_TRUE(holder.Open(peer.Path(), "AX25"));
    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    auto worker = StartExchange(console, peer.Path(), messages, line);
    ASSERT_NE(worker, nullptr);
    const auto end = SteadyClock::now() + 5s;
    while (!worker->Done() && SteadyClock::now() < end)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(worker->Done());
    const auto start = SteadyClock::now();
    StopExchange(worker, console); // tidies up after the fixed pause
    EXPECT_GE(SteadyClock::now() - start, 1000ms);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Порт не открыт\n" + peer.Path() + ": порт занят другой программой"});
    EXPECT_TRUE(console.ShownGroups().empty());
}

TEST(Exchange, StopTimeOutClosesTheWorkersPort)
{
    ScriptedPeer peer;
    RecordingConsole console;
    RecordingMessages messages;
    CLine line;
    CThreadPort worker(console, peer.Path(), messages, line);
    ASSERT_TRUE(worker.Start());
    std::this_thread::sleep_for(300ms); // in its 2000 ms read
    const auto start = SteadyClock::now();
    worker.StopAndWait(0ms, 100ms);
    const auto took = SteadyClock::now() - start;
    EXPECT_TRUE(worker.StopTimedOut());
    EXPECT_TRUE(worker.Done());
    EXPECT_LT(took, 100ms + kSlack);
    // The device is free again at once.
    CPort port;
    EXPECT_TRUE(port.Open(peer.Path(), "AX25"));
}

TEST(Exchange, StopWithoutAWorkerDoesNothing)
{
    RecordingConsole console;
    std::unique_ptr<CThreadPort> none;
    StopExchange(none, console);
    EXPECT_TRUE(console.Cleared().empty());
}

} // namespace
} // namespace vlk
