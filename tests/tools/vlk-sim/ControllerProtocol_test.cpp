// The controller's protocol machine fed bytes directly, without a line: what each message makes it
// answer, and what it changes.

#include "ControllerProtocol.h"
#include "Recorder.h"

#include <gtest/gtest.h>

#include <numeric>

namespace vlk::sim {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// Monday 00:00, so that a clock message visibly moves the junction's clock.
SimulatorOptions Options()
{
    SimulatorOptions options;
    options.clock = SimulatorOptions::Clock{0, 0, 0, 0};
    return options;
}

struct Machine {
    explicit Machine(SimulatorOptions options = Options()) : protocol(options, *options.clock, t) {}

    // Feeds the bytes 1 ms apart; returns the reaction to the last one.
    Reaction Feed(const Bytes& bytes)
    {
        Reaction last;
        for (std::uint8_t b : bytes) {
            t += 1ms;
            last = protocol.Receive(b, t);
        }
        return last;
    }
    // Feeds the bytes and expects exactly one reply: its bytes, "" for none.
    Bytes Reply(const Bytes& bytes)
    {
        const Reaction r = Feed(bytes);
        if (r.replies.empty())
            return {};
        EXPECT_EQ(r.replies.size(), 1u);
        return r.replies.front().bytes;
    }

    Clock::time_point t = Clock::time_point{} + 1h;
    ControllerProtocol protocol;
};

Bytes SectorWrite(std::uint8_t command, std::uint8_t first)
{
    Bytes bytes(129);
    bytes[0] = command;
    std::iota(bytes.begin() + 1, bytes.end(), first);
    return bytes;
}

template <class T>
std::vector<T> EventsOf(const Reaction& r)
{
    std::vector<T> found;
    for (const Event& e : r.events)
        if (const auto* x = std::get_if<T>(&e))
            found.push_back(*x);
    return found;
}

TEST(ControllerProtocol, EntryWriteReadAndExitAnswerTheirBytes)
{
    SimulatorOptions options = Options();
    options.account = "\xD3\xC7\xC5\xCB 17";  // "УЗЕЛ 17" in Windows-1251
    Machine m(options);

    const Reaction entry = m.Feed({0xD5, 0x33});
    EXPECT_TRUE(entry.complete);
    ASSERT_EQ(entry.replies.size(), 1u);
    EXPECT_EQ(entry.replies[0].bytes, (Bytes{0xFF, 0xD3, 0xC7, 0xC5, 0xCB, 0x20, 0x31, 0x37, 0x00}));
    EXPECT_EQ(m.protocol.CurrentMode(), Mode::Programming);
    EXPECT_EQ(m.protocol.EntryToggles(), 1);

    // A sector write is answered only after its 128th data byte.
    const Bytes write = SectorWrite(0xA3, 7);
    const Reaction partial = m.Feed(Bytes(write.begin(), write.end() - 1));
    EXPECT_FALSE(partial.complete);
    EXPECT_TRUE(partial.replies.empty());
    const Reaction done = m.Feed({write.back()});
    ASSERT_EQ(done.replies.size(), 1u);
    EXPECT_EQ(done.replies[0].bytes, Bytes{0xA3});
    const auto writes = EventsOf<SectorWriteEvent>(done);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].sector, 3);
    EXPECT_EQ(writes[0].outcome, SectorOutcome::Accepted);
    EXPECT_EQ(m.protocol.Memory()[3 * 128], 7);
    EXPECT_EQ(m.protocol.Memory()[3 * 128 + 127], 134);

    // 0x53 reads it back; 0x50 is the read of sector 0 here, not the "ЖМ" command.
    EXPECT_EQ(m.Reply({0x53}), Bytes(write.begin() + 1, write.end()));
    const Reaction read0 = m.Feed({0x50});
    ASSERT_EQ(read0.replies.size(), 1u);
    EXPECT_EQ(read0.replies[0].bytes.size(), 128u);
    EXPECT_TRUE(EventsOf<CommandEvent>(read0).empty());
    ASSERT_EQ(EventsOf<SectorReadEvent>(read0).size(), 1u);
    EXPECT_EQ(EventsOf<SectorReadEvent>(read0)[0].sector, 0);

    // The exit: one whole state frame of the restarted junction, and normal mode again.
    const Reaction exit = m.Feed({0xD5, 0x33});
    EXPECT_TRUE(exit.restarted);
    ASSERT_EQ(exit.replies.size(), 1u);
    EXPECT_EQ(exit.replies[0].bytes.size(), 26u);
    ASSERT_EQ(EventsOf<FrameEvent>(exit).size(), 1u);
    EXPECT_TRUE(EventsOf<FrameEvent>(exit)[0].exitReply);
    EXPECT_EQ(m.protocol.CurrentMode(), Mode::Normal);
    EXPECT_EQ(m.protocol.ExitToggles(), 1);
    EXPECT_EQ(m.protocol.Restarts(), 1);
    EXPECT_EQ(m.protocol.FramesSent(), 1u);
}

TEST(ControllerProtocol, SectorFaultsAnswerRefusedNothingOrZeroAndKeepTheMemory)
{
    SimulatorOptions options = Options();
    options.refuseSector = {{2, 1}};
    options.ignoreSector = {{5, 1}};
    options.zeroSector = {{9, -1}};
    Machine m(options);
    ASSERT_FALSE(m.Reply({0xD5, 0x33}).empty());
    const ImageBytes before = m.protocol.Memory();

    EXPECT_EQ(m.Reply(SectorWrite(0xA2, 1)), Bytes{0xF2});
    EXPECT_EQ(m.Reply(SectorWrite(0xA5, 1)), Bytes{});
    EXPECT_EQ(m.Reply(SectorWrite(0xA9, 1)), Bytes{0x00});
    EXPECT_EQ(m.Reply(SectorWrite(0xA9, 1)), Bytes{0x00});
    EXPECT_EQ(m.protocol.Memory(), before);
    // The limited faults are used up: the next writes go through.
    EXPECT_EQ(m.Reply(SectorWrite(0xA2, 1)), Bytes{0xA2});
    EXPECT_EQ(m.Reply(SectorWrite(0xA5, 1)), Bytes{0xA5});
    EXPECT_EQ(m.protocol.Memory()[2 * 128], 1);
    EXPECT_EQ(m.protocol.Memory()[5 * 128], 1);
}

TEST(ControllerProtocol, ShortSectorReadComesInBurstsAPauseApart)
{
    SimulatorOptions options = Options();
    options.shortSectorRead = {{4, 2}, {6, -1}};
    Machine m(options);
    ASSERT_FALSE(m.Reply({0xD5, 0x33}).empty());

    const Reaction r = m.Feed({0x54});
    ASSERT_EQ(r.replies.size(), 3u);
    EXPECT_EQ(r.replies[0].bytes.size(), 64u);
    EXPECT_EQ(r.replies[0].pauseBefore, 0ms);
    EXPECT_EQ(r.replies[1].bytes.size(), 64u);
    EXPECT_EQ(r.replies[1].pauseBefore, 100ms);
    EXPECT_EQ(r.replies[2].bytes.size(), 128u);
    EXPECT_EQ(r.replies[2].pauseBefore, 100ms);
    EXPECT_EQ(Bytes(r.replies[2].bytes.begin(), r.replies[2].bytes.begin() + 64), r.replies[0].bytes);

    const Reaction cut = m.Feed({0x56});
    ASSERT_EQ(cut.replies.size(), 1u);
    EXPECT_EQ(cut.replies[0].bytes.size(), 64u);
    ASSERT_EQ(EventsOf<SectorReadEvent>(cut).size(), 1u);
    EXPECT_FALSE(EventsOf<SectorReadEvent>(cut)[0].whole);
}

TEST(ControllerProtocol, NormalModeTakesCommandsAfterTheirFrameAndRefusesAToggleWhenTold)
{
    SimulatorOptions options = Options();
    options.toggleReply = SimulatorOptions::ToggleReply{0x00, 1};
    Machine m(options);

    Reaction command = m.Feed({0x41});
    ASSERT_EQ(EventsOf<CommandEvent>(command).size(), 1u);
    EXPECT_EQ(EventsOf<CommandEvent>(command)[0].byte, 0x41);
    EXPECT_EQ(EventsOf<CommandEvent>(command)[0].afterFrame, 0u);
    EXPECT_TRUE(command.replies.empty());

    const Reaction frame = m.protocol.PeriodicFrame(m.t);
    ASSERT_EQ(frame.replies.size(), 1u);
    EXPECT_EQ(frame.replies[0].bytes.size(), 26u);
    // The call of phase 1 is shown as the called phase (high nibble of byte 1) or already running.
    const std::uint8_t phases = frame.replies[0].bytes[1];
    EXPECT_TRUE((phases >> 4) == 1 || (phases & 0x0F) == 1) << int(phases);
    EXPECT_NE(frame.replies[0].bytes[0] & 0x08, 0);  // "РУ"

    command = m.Feed({0x2A});
    ASSERT_EQ(EventsOf<CommandEvent>(command).size(), 1u);
    EXPECT_EQ(EventsOf<CommandEvent>(command)[0].byte, 0x2A);
    EXPECT_EQ(EventsOf<CommandEvent>(command)[0].afterFrame, 1u);
    EXPECT_TRUE(m.Feed({0x33}).events.empty());  // not a command byte

    // Refused once with a zero byte: still in normal mode; the next toggle is accepted.
    EXPECT_EQ(m.Reply({0xD5, 0x33}), Bytes{0x00});
    EXPECT_EQ(m.protocol.CurrentMode(), Mode::Normal);
    EXPECT_EQ(m.Reply({0xD5, 0x33}).front(), 0xFF);
    EXPECT_EQ(m.protocol.CurrentMode(), Mode::Programming);
}

TEST(ControllerProtocol, ClockMessageSetsTheClockAndABrokenOneIsRecordedButNotApplied)
{
    Machine m;
    const Reaction r = m.Feed({0x85, 0x90, 0xA4, 0xB1, 0xC2, 0xF0});  // Wednesday 14:05
    EXPECT_TRUE(r.complete);
    EXPECT_TRUE(r.replies.empty());
    const auto clocks = EventsOf<ClockEvent>(r);
    ASSERT_EQ(clocks.size(), 1u);
    EXPECT_TRUE(clocks[0].valid);
    EXPECT_EQ(clocks[0].day, 2);
    EXPECT_EQ(clocks[0].hours, 14);
    EXPECT_EQ(clocks[0].minutes, 5);
    const Bytes frame = m.protocol.PeriodicFrame(m.t).replies.at(0).bytes;
    EXPECT_EQ(frame[3] & 0x0F, 2);
    EXPECT_EQ(frame[4], 0x14);
    EXPECT_EQ(frame[5], 0x05);

    // A wrong tag ends the message: recorded as broken, and the byte counts on its own (a call of phase 1).
    const Reaction broken = m.Feed({0x87, 0x91, 0x41});
    const auto brokenClocks = EventsOf<ClockEvent>(broken);
    ASSERT_EQ(brokenClocks.size(), 1u);
    EXPECT_FALSE(brokenClocks[0].valid);
    EXPECT_EQ(brokenClocks[0].bytes, (std::array<std::uint8_t, 6>{0x87, 0x91, 0, 0, 0, 0}));
    ASSERT_EQ(EventsOf<CommandEvent>(broken).size(), 1u);
    EXPECT_EQ(EventsOf<CommandEvent>(broken)[0].byte, 0x41);
    EXPECT_EQ(m.protocol.PeriodicFrame(m.t).replies.at(0).bytes[5], 0x05);
}

TEST(ControllerProtocol, AMessageWithAPauseOfMoreThan200MsIsAbandoned)
{
    Machine m;
    m.t += 1ms;
    EXPECT_TRUE(m.protocol.Receive(0xD5, m.t).replies.empty());
    m.t += 250ms;
    EXPECT_TRUE(m.protocol.Receive(0x33, m.t).replies.empty());
    EXPECT_EQ(m.protocol.EntryToggles(), 0);

    m.t += 1ms;
    EXPECT_TRUE(m.protocol.Receive(0xD5, m.t).replies.empty());
    m.t += 150ms;
    EXPECT_FALSE(m.protocol.Receive(0x33, m.t).replies.empty());
    EXPECT_EQ(m.protocol.EntryToggles(), 1);
    EXPECT_EQ(m.protocol.CurrentMode(), Mode::Programming);
}

TEST(SimulatorRecorder, DropsTheOldestHalfWhenOverItsLimit)
{
    Recorder<int> recorder(4);
    for (int i = 1; i <= 4; ++i)
        recorder.Add(i);
    EXPECT_EQ(recorder.Copy(), (std::vector<int>{1, 2, 3, 4}));
    recorder.Add(5);
    EXPECT_EQ(recorder.Copy(), (std::vector<int>{3, 4, 5}));
    const std::vector<int> more{6, 7};
    recorder.Add(more.begin(), more.end());
    EXPECT_EQ(recorder.Copy(), (std::vector<int>{5, 6, 7}));
    recorder.Clear();
    EXPECT_EQ(recorder.Size(), 0u);
}

} // namespace
} // namespace vlk::sim
