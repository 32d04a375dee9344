// The simulator on a pseudo-terminal, driven by a plain termios client that plays the station.

#include "ControllerSimulator.h"
#include "config/ConfigurationImage.h"
#include "tools/vlk-sim/PtyClient.h"

#include <gtest/gtest.h>

#include <numeric>
#include <pty.h>
#include <thread>

namespace vlk {
namespace {

using namespace std::chrono_literals;
using test::PtyClient;
using Bytes = PtyClient::Bytes;
using Clock = std::chrono::steady_clock;

// Wednesday 14:05: the demo junction runs its day program (1).
SimulatorOptions Fast(std::chrono::milliseconds period = 50ms)
{
    SimulatorOptions options;
    options.period = period;
    options.pace = false;
    options.clock = SimulatorOptions::Clock{2, 14, 5, 0};
    return options;
}

// Frames far enough apart that none is in flight when a test sends the programming toggle, even
// on a busy machine.
constexpr std::chrono::milliseconds kCalm{250};

struct Rig {
    explicit Rig(SimulatorOptions options) : sim(std::move(options)), client(sim.OpenPty())
    {
        started = sim.Start();
    }
    ControllerSimulator sim;
    PtyClient client;
    bool started = false;
};

// Frame fields, read as the station reads them.
bool Flag(const Bytes& f, int bit) { return (f[0] >> bit & 1) != 0; }
int Phase(const Bytes& f) { return f[1] & 0x0F; }
int Called(const Bytes& f) { return f[1] >> 4; }
int Day(const Bytes& f) { return f[3] & 0x0F; }
int Program(const Bytes& f) { return f[3] >> 4; }
bool Lamp(const Bytes& f, int firstByte, int direction)
{
    return (f[firstByte + (direction - 1) / 8] >> ((direction - 1) % 8) & 1) != 0;
}
bool Red(const Bytes& f, int d) { return Lamp(f, 9, d); }
bool Yellow(const Bytes& f, int d) { return Lamp(f, 12, d); }
bool Green(const Bytes& f, int d) { return Lamp(f, 15, d); }
bool AnyLamp(const Bytes& f)
{
    return std::any_of(f.begin() + 9, f.begin() + 18, [](std::uint8_t b) { return b != 0; });
}

// Reads frames and answers each with `answer`, until `done` holds for a frame or `limit` frames.
template <class Done>
std::vector<Bytes> Exchange(PtyClient& client, const Bytes& answer, Done done, int limit = 200)
{
    std::vector<Bytes> frames;
    for (int i = 0; i < limit; ++i) {
        Bytes frame = client.Read(26, 1000ms);
        if (frame.size() != 26)
            break;
        frames.push_back(frame);
        if (done(frame))
            break;
        client.Write(answer);
    }
    return frames;
}

void EnterProgramming(PtyClient& client, std::uint8_t expectedReply = 0xFF)
{
    client.Sync();
    ASSERT_EQ(client.Read(26, 1000ms).size(), 26u);
    ASSERT_TRUE(client.Write({0xD5, 0x33}));
    ASSERT_EQ(client.Read(1), Bytes{expectedReply});
    const Bytes account = client.Read(200, 1000ms);
    ASSERT_FALSE(account.empty());
    ASSERT_EQ(account.back(), 0x00);
}

TEST(SimulatorNormalMode, FramesComeEveryPeriodWithTheClockProgramAndLampsConsistent)
{
    Rig rig(Fast());
    ASSERT_TRUE(rig.started);
    ASSERT_TRUE(rig.client.IsOpen());
    rig.client.Sync();
    std::vector<Bytes> frames;
    std::vector<Clock::time_point> times;
    for (int i = 0; i < 8; ++i) {
        frames.push_back(rig.client.Read(26, 1000ms));
        times.push_back(rig.client.FirstByte());
        rig.client.Write({0x00});
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Bytes& f = frames[i];
        ASSERT_EQ(f.size(), 26u);
        EXPECT_TRUE(Flag(f, 5)) << "frame " << i;      // "ПС"
        EXPECT_FALSE(Flag(f, 3));                       // no "РУ"
        EXPECT_EQ(Day(f), 2);                           // Wednesday
        EXPECT_EQ(f[4], 0x14);
        EXPECT_EQ(f[5], 0x05);
        EXPECT_EQ(Program(f), 1);
        EXPECT_EQ(f[2], 10);                            // the program ("РП") is in charge
        for (int d = 1; d <= 24; ++d) {
            const bool inUse = d <= 8;
            EXPECT_EQ(Red(f, d) || Yellow(f, d) || Green(f, d), inUse) << "direction " << d;
            EXPECT_FALSE(Red(f, d) && Green(f, d));
        }
        // The demo binds red channel d and green sensor d to direction d: the sensors echo the lamps.
        for (int d = 1; d <= 8; ++d) {
            const int red = f[18 + (d - 1) / 4] >> (2 * ((d - 1) % 4)) & 3;
            EXPECT_EQ(red, Red(f, d) ? 3 : 0) << "direction " << d;
            EXPECT_EQ((f[22 + (d - 1) / 6] >> ((d - 1) % 6) & 1) != 0, Green(f, d));
        }
        EXPECT_EQ(f[6] | f[7] | f[8], 0);               // no failures
    }
    // The simulator's own send times: never early, and on average one period apart.
    const auto sent = rig.sim.Frames();
    ASSERT_GE(sent.size(), 8u);
    for (std::size_t i = 1; i < sent.size(); ++i)
        EXPECT_GE(sent[i].time - sent[0].time, i * 50ms - 1ms) << i;
    const auto mean = (sent.back().time - sent.front().time) / static_cast<int>(sent.size() - 1);
    EXPECT_LE(mean, 50ms + std::chrono::milliseconds(VLK_TIMING_SLACK_MS) / 10);
    // What the client saw agrees, within its own scheduling.
    EXPECT_GE(times.back() - times.front(), 7 * 50ms - 30ms);
    // Every answer was taken as a command after its frame.
    EXPECT_TRUE(rig.sim.WaitUntil([&] { return rig.sim.Commands().size() >= 8; }, 1s));
    for (const auto& command : rig.sim.Commands())
        EXPECT_EQ(command.byte, 0x00);
}

TEST(SimulatorNormalMode, PhaseCallRunsTheIntermediateStepsThenHoldsThePhase)
{
    SimulatorOptions options = Fast();
    options.timeScale = 20; // one second of the junction per frame
    Rig rig(options);
    rig.client.Sync();
    const auto frames = Exchange(rig.client, {0x43}, [](const Bytes& f) {
        return Phase(f) == 3 && !Flag(f, 0);
    });
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(Phase(frames.back()), 3);
    bool closingYellow = false;
    bool openingRedYellow = false;
    bool intermediate = false;
    for (const auto& f : frames) {
        if (!Flag(f, 0) || Called(f) != 3)
            continue;
        intermediate = true;
        EXPECT_TRUE(Flag(f, 3)); // "РУ"
        for (int d : {1, 2, 3, 4})
            closingYellow = closingYellow || (Yellow(f, d) && !Red(f, d));
        openingRedYellow = openingRedYellow || (Red(f, 5) && Yellow(f, 5) && Red(f, 6) && Yellow(f, 6));
        EXPECT_FALSE(Green(f, 5));
    }
    EXPECT_TRUE(intermediate);
    EXPECT_TRUE(closingYellow);
    EXPECT_TRUE(openingRedYellow);

    // Phase 3 of the demo: the two left turns green, everything else in use red; held while called.
    const auto held = Exchange(rig.client, {0x43}, [](const Bytes&) { return false; }, 10);
    ASSERT_EQ(held.size(), 10u);
    for (const auto& f : held) {
        EXPECT_EQ(Phase(f), 3);
        EXPECT_EQ(Called(f), 3);
        EXPECT_TRUE(Flag(f, 3));
        EXPECT_FALSE(Flag(f, 0));
        EXPECT_EQ(f[15], 0x30);          // green: directions 5 and 6
        EXPECT_EQ(f[9], 0xCF);           // red: 1-4, 7, 8
        EXPECT_EQ(f[12], 0x00);
        EXPECT_EQ(f[2], 1);              // the console ("РУП") is in charge
    }
}

TEST(SimulatorNormalMode, YellowFlashingLampsOffAndBackToTheSchedule)
{
    SimulatorOptions options = Fast();
    options.timeScale = 7; // a frame every 350 ms of the junction: the flashing shows
    Rig rig(options);
    rig.client.Sync();

    // A command takes effect once read, after the frame it answers (or a later one on a busy machine).
    auto fromFirst = [](std::vector<Bytes>& frames, int bit) {
        const auto first = std::find_if(frames.begin(), frames.end(), [bit](const Bytes& f) { return Flag(f, bit); });
        EXPECT_LE(first - frames.begin(), 4);
        frames.erase(frames.begin(), first);
    };
    auto flashing = Exchange(rig.client, {0x50}, [](const Bytes&) { return false; }, 18);
    ASSERT_EQ(flashing.size(), 18u);
    fromFirst(flashing, 2);
    ASSERT_GE(flashing.size(), 10u);
    int lit = 0;
    for (const auto& f : flashing) {
        EXPECT_TRUE(Flag(f, 2));  // "ЖМ"
        EXPECT_TRUE(Flag(f, 3));  // "РУ"
        EXPECT_FALSE(Flag(f, 4));
        EXPECT_EQ(f[9] | f[10] | f[11] | f[15] | f[16] | f[17], 0);
        if (f[12] == 0xFF)
            ++lit;
        else
            EXPECT_EQ(f[12], 0x00);
    }
    EXPECT_GT(lit, 0);
    EXPECT_LT(lit, static_cast<int>(flashing.size()));

    auto off = Exchange(rig.client, {0x60}, [](const Bytes&) { return false; }, 8);
    ASSERT_EQ(off.size(), 8u);
    fromFirst(off, 4);
    ASSERT_FALSE(off.empty());
    for (const auto& f : off) {
        EXPECT_TRUE(Flag(f, 4));  // "ОС"
        EXPECT_TRUE(Flag(f, 3));
        EXPECT_FALSE(Flag(f, 2));
        EXPECT_FALSE(AnyLamp(f));
        EXPECT_TRUE(std::all_of(f.begin() + 18, f.end(), [](std::uint8_t b) { return b == 0; }));
    }

    const auto back = Exchange(rig.client, {0x00}, [](const Bytes& f) {
        return !Flag(f, 3) && !Flag(f, 0) && Phase(f) != 0;
    });
    ASSERT_FALSE(back.empty());
    const Bytes& f = back.back();
    EXPECT_FALSE(Flag(f, 3));
    EXPECT_FALSE(Flag(f, 2));
    EXPECT_FALSE(Flag(f, 4));
    EXPECT_NE(Phase(f), 0);
    EXPECT_EQ(Program(f), 1);
    EXPECT_EQ(f[2], 10);
}

TEST(SimulatorNormalMode, ClockMessageSetsTheClockAndABrokenOneIsIgnored)
{
    Rig rig(Fast(kCalm));
    rig.client.Sync();
    ASSERT_EQ(rig.client.Read(26, 1000ms).size(), 26u);
    // Friday 09:37.
    rig.client.Write({0x87, 0x93, 0xA9, 0xB0, 0xC4, 0xF0});
    Bytes f = rig.client.Read(26, 1000ms);
    ASSERT_EQ(f.size(), 26u);
    EXPECT_EQ(Day(f), 4);
    EXPECT_EQ(f[4], 0x09);
    EXPECT_EQ(f[5], 0x37);
    EXPECT_EQ(Program(f), 1);
    // No day chosen on the console: 0xBF where the day should be.
    rig.client.Write({0x80, 0x90, 0xA0, 0xB0, 0xBF, 0xF0});
    f = rig.client.Read(26, 1000ms);
    ASSERT_EQ(f.size(), 26u);
    EXPECT_EQ(Day(f), 4);
    EXPECT_EQ(f[4], 0x09);
    ASSERT_TRUE(rig.sim.WaitUntil([&] { return rig.sim.ClockMessages().size() == 2; }, 1s));
    const auto clocks = rig.sim.ClockMessages();
    EXPECT_TRUE(clocks[0].valid);
    EXPECT_EQ(clocks[0].day, 4);
    EXPECT_EQ(clocks[0].hours, 9);
    EXPECT_EQ(clocks[0].minutes, 37);
    EXPECT_EQ((std::array<std::uint8_t, 6>{0x87, 0x93, 0xA9, 0xB0, 0xC4, 0xF0}), clocks[0].bytes);
    EXPECT_FALSE(clocks[1].valid);
    EXPECT_TRUE(rig.sim.Commands().empty()); // a clock message is not a console command
}

TEST(SimulatorProgrammingMode, ToggleAnswersFFAndTheAccountRecordAndExitRestarts)
{
    SimulatorOptions options = Fast(kCalm);
    options.account = std::string("\xD3\xC7\xC5\xCB 17"); // "УЗЕЛ 17" in Windows-1251
    Rig rig(options);
    rig.client.Sync();
    ASSERT_EQ(rig.client.Read(26, 1000ms).size(), 26u);
    rig.client.Write({0xD5, 0x33});
    EXPECT_EQ(rig.client.Read(1), Bytes{0xFF});
    EXPECT_EQ(rig.client.Read(68), (Bytes{0xD3, 0xC7, 0xC5, 0xCB, 0x20, 0x31, 0x37, 0x00}));
    EXPECT_EQ(rig.sim.CurrentMode(), ControllerSimulator::Mode::Programming);
    EXPECT_TRUE(rig.client.Read(26, 300ms).empty()) << "no state frames in programming mode";

    rig.client.Write({0xD5, 0x33});
    const Bytes reply = rig.client.Read(26);
    ASSERT_EQ(reply.size(), 26u);
    EXPECT_TRUE(Flag(reply, 5));
    EXPECT_EQ(rig.sim.CurrentMode(), ControllerSimulator::Mode::Normal);
    EXPECT_EQ(rig.sim.Restarts(), 1);
    EXPECT_EQ(rig.sim.EntryToggles(), 1);
    EXPECT_EQ(rig.sim.ExitToggles(), 1);
    EXPECT_EQ(rig.client.Read(26, 1000ms).size(), 26u) << "frames resume";
}

TEST(SimulatorProgrammingMode, AccountRecordDefaultsToTheMemory)
{
    Rig rig(Fast(kCalm));
    EnterProgramming(rig.client);
    // Entering again after leaving: the record of the demo memory, "Демо: ..." in Windows-1251.
    rig.client.Write({0xD5, 0x33});
    ASSERT_EQ(rig.client.Read(26).size(), 26u);
    rig.client.Sync();
    ASSERT_EQ(rig.client.Read(26, 1000ms).size(), 26u);
    rig.client.Write({0xD5, 0x33});
    ASSERT_EQ(rig.client.Read(1), Bytes{0xFF});
    const Bytes account = rig.client.Read(200, 1000ms);
    ASSERT_GE(account.size(), 5u);
    EXPECT_EQ(Bytes(account.begin(), account.begin() + 4), (Bytes{0xC4, 0xE5, 0xEC, 0xEE}));
    EXPECT_EQ(account.back(), 0x00);
}

TEST(SimulatorProgrammingMode, FifteenSectorsWriteAndReadBackAndTheJunctionRestartsFromThem)
{
    Rig rig(Fast(kCalm));
    // A configuration without programs, with distinctive bytes all over the image.
    Configuration written = Configuration::FreshStart();
    for (int r = 0; r < 24; ++r)
        for (int c = 0; c < 24; ++c)
            written.interGreen[r][c] = static_cast<std::uint8_t>((r * 24 + c) % 251 + 1);
    written.accountRecord = "TEST";
    const ImageBytes image = ConfigurationImage::Encode(written);

    EnterProgramming(rig.client);
    for (int k = 0; k < 15; ++k) {
        ASSERT_TRUE(rig.client.Write({static_cast<std::uint8_t>(0xA0 + k)}));
        std::this_thread::sleep_for(1ms);
        ASSERT_TRUE(rig.client.Write(Bytes(image.begin() + 128 * k, image.begin() + 128 * (k + 1))));
        EXPECT_EQ(rig.client.Read(1), Bytes{static_cast<std::uint8_t>(0xA0 + k)}) << "sector " << k;
    }
    EXPECT_EQ(rig.sim.Memory(), image);
    Bytes readBack;
    for (int k = 0; k < 15; ++k) {
        ASSERT_TRUE(rig.client.Write({static_cast<std::uint8_t>(0x50 + k)}));
        const Bytes sector = rig.client.Read(128);
        ASSERT_EQ(sector.size(), 128u) << "sector " << k;
        readBack.insert(readBack.end(), sector.begin(), sector.end());
    }
    EXPECT_EQ(readBack, Bytes(image.begin(), image.end()));
    const auto writes = rig.sim.SectorsWritten();
    ASSERT_EQ(writes.size(), 15u);
    for (int k = 0; k < 15; ++k) {
        EXPECT_EQ(writes[k].sector, k);
        EXPECT_EQ(writes[k].outcome, ControllerSimulator::SectorOutcome::Accepted);
    }
    // In programming mode 0x50 reads sector 0; it is not the "ЖМ" command.
    EXPECT_TRUE(rig.sim.Commands().empty());

    rig.client.Write({0xD5, 0x33});
    ASSERT_EQ(rig.client.Read(26).size(), 26u);
    // No program in the new memory: the restarted controller flashes yellow under its schedule.
    const Bytes f = rig.client.Read(26, 1000ms);
    ASSERT_EQ(f.size(), 26u);
    EXPECT_TRUE(Flag(f, 2));
    EXPECT_FALSE(Flag(f, 3));
    EXPECT_EQ(Program(f), 0);
    EXPECT_EQ(Phase(f), 0);
}

TEST(SimulatorFaults, SilentControllerSendsNothingButHearsEverything)
{
    SimulatorOptions options = Fast();
    options.silent = true;
    Rig rig(options);
    EXPECT_TRUE(rig.client.Read(26, 300ms).empty());
    rig.client.Write({0xD5, 0x33});
    EXPECT_TRUE(rig.client.Read(1, 200ms).empty());
    ASSERT_TRUE(rig.sim.WaitUntil([&] { return rig.sim.Received().size() == 2; }, 1s));
    EXPECT_EQ(rig.sim.Received()[0].byte, 0xD5);
    EXPECT_EQ(rig.sim.Received()[1].byte, 0x33);
    EXPECT_EQ(rig.sim.FramesSent(), 0u);
    EXPECT_EQ(rig.sim.EntryToggles(), 0);
    EXPECT_EQ(rig.sim.CurrentMode(), ControllerSimulator::Mode::Normal);
}

TEST(SimulatorFaults, FramesWithBit5ClearAndShortFramesComeFirst)
{
    SimulatorOptions options = Fast();
    options.psClearFrames = 3;
    options.shortFrames = 2;
    options.period = 200ms; // a slow client must not purge a frame unseen with its answer
    Rig rig(options); // the client is open before the first frame
    std::vector<Bytes> frames;
    for (int i = 0; i < 5; ++i) {
        frames.push_back(rig.client.Read(26, 1000ms));
        ASSERT_FALSE(frames.back().empty());
        rig.client.Write({Flag(frames.back(), 5) ? std::uint8_t{0x00} : std::uint8_t{0x2A}});
    }
    EXPECT_EQ(frames[0].size(), 10u);
    EXPECT_EQ(frames[1].size(), 10u);
    EXPECT_EQ(frames[2].size(), 26u);
    EXPECT_FALSE(Flag(frames[0], 5));
    EXPECT_FALSE(Flag(frames[1], 5));
    EXPECT_FALSE(Flag(frames[2], 5));
    EXPECT_TRUE(Flag(frames[3], 5));
    EXPECT_TRUE(Flag(frames[4], 5));
    ASSERT_TRUE(rig.sim.WaitUntil([&] { return rig.sim.Commands().size() == 5; }, 1s));
    EXPECT_EQ(rig.sim.Commands()[0].byte, 0x2A);
    EXPECT_EQ(rig.sim.Commands()[0].afterFrame, 1u);
}

TEST(SimulatorFaults, SectorsRefusedIgnoredAndReadShortForAGivenNumberOfTimes)
{
    SimulatorOptions options = Fast(kCalm);
    options.refuseSector = {{3, 2}};
    options.ignoreSector = {{5, 1}};
    options.zeroSector = {{6, 3}};
    options.shortSectorRead = {{4, 1}, {7, -1}, {8, 3}};
    Rig rig(options);
    EnterProgramming(rig.client);
    const Bytes data(128, 0x5A);
    auto writeSector = [&](std::uint8_t k, std::chrono::milliseconds wait) {
        rig.client.Write({static_cast<std::uint8_t>(0xA0 + k)});
        rig.client.Write(data);
        return rig.client.Read(1, wait);
    };
    EXPECT_EQ(writeSector(3, 1000ms), Bytes{0xF3});
    EXPECT_EQ(writeSector(3, 1000ms), Bytes{0xF3});
    EXPECT_EQ(writeSector(3, 1000ms), Bytes{0xA3});
    EXPECT_TRUE(writeSector(5, 300ms).empty());
    EXPECT_EQ(writeSector(5, 1000ms), Bytes{0xA5});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(writeSector(6, 1000ms), Bytes{0x00});
    EXPECT_EQ(writeSector(6, 1000ms), Bytes{0xA6});
    const auto writes = rig.sim.SectorsWritten();
    ASSERT_EQ(writes.size(), 9u);
    EXPECT_EQ(writes[0].outcome, ControllerSimulator::SectorOutcome::Refused);
    EXPECT_EQ(writes[1].outcome, ControllerSimulator::SectorOutcome::Refused);
    EXPECT_EQ(writes[2].outcome, ControllerSimulator::SectorOutcome::Accepted);
    EXPECT_EQ(writes[3].outcome, ControllerSimulator::SectorOutcome::Ignored);
    EXPECT_EQ(writes[4].outcome, ControllerSimulator::SectorOutcome::Accepted);
    EXPECT_EQ(rig.sim.Memory()[3 * 128], 0x5A);

    EXPECT_EQ(writes[7].outcome, ControllerSimulator::SectorOutcome::AnsweredZero);
    EXPECT_EQ(rig.sim.Memory()[6 * 128], 0x5A);

    // Broken off once, then whole again without a new command; the same on every read.
    const ImageBytes memory = rig.sim.Memory();
    for (int read = 0; read < 2; ++read) {
        rig.client.Write({0x54});
        EXPECT_EQ(rig.client.Read(128).size(), 64u);
        EXPECT_EQ(rig.client.Read(128), Bytes(memory.begin() + 4 * 128, memory.begin() + 5 * 128));
    }
    // Broken off for good.
    rig.client.Write({0x57});
    EXPECT_EQ(rig.client.Read(128).size(), 64u);
    EXPECT_TRUE(rig.client.Read(128, 300ms).empty());
    // Three short bursts, then the sector.
    rig.client.Write({0x58});
    for (int burst = 0; burst < 3; ++burst)
        EXPECT_EQ(rig.client.Read(128).size(), 64u);
    EXPECT_EQ(rig.client.Read(128).size(), 128u);
    const auto reads = rig.sim.SectorsRead();
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(reads[2].sector, 7);
    EXPECT_FALSE(reads[2].whole);
    EXPECT_EQ(reads[3].shortBursts, 3);
}

TEST(SimulatorFaults, ToggleReplyGarbledThenRefused)
{
    SimulatorOptions options = Fast(kCalm);
    options.toggleReply = SimulatorOptions::ToggleReply{0x55, 1};
    options.account = std::string("A");
    Rig rig(options);
    // A garbled 0xFF: the controller has switched and sends its record.
    EnterProgramming(rig.client, 0x55);
    EXPECT_EQ(rig.sim.CurrentMode(), ControllerSimulator::Mode::Programming);
    rig.client.Write({0xD5, 0x33});
    ASSERT_EQ(rig.client.Read(26).size(), 26u);
    // Only once: the next entry is answered properly.
    EnterProgramming(rig.client, 0xFF);

    SimulatorOptions refusing = Fast(kCalm);
    refusing.toggleReply = SimulatorOptions::ToggleReply{0x00, -1};
    Rig refused(refusing);
    for (int attempt = 0; attempt < 3; ++attempt) {
        refused.client.Sync();
        ASSERT_EQ(refused.client.Read(26, 1000ms).size(), 26u);
        refused.client.Write({0xD5, 0x33});
        EXPECT_EQ(refused.client.Read(1), Bytes{0x00});
    }
    EXPECT_EQ(refused.sim.CurrentMode(), ControllerSimulator::Mode::Normal);
    EXPECT_EQ(refused.sim.EntryToggles(), 3);
}

TEST(SimulatorFaults, ShortExitReplyKeepsProgrammingMode)
{
    SimulatorOptions options = Fast(kCalm);
    options.exitShort = 20;
    Rig rig(options);
    EnterProgramming(rig.client);
    for (int attempt = 0; attempt < 3; ++attempt) {
        rig.client.Write({0xD5, 0x33});
        EXPECT_EQ(rig.client.Read(26).size(), 20u);
    }
    EXPECT_EQ(rig.sim.CurrentMode(), ControllerSimulator::Mode::Programming);
    EXPECT_EQ(rig.sim.Restarts(), 0);
}

TEST(SimulatorFaults, NoiseFlipsOneBitOfEveryByteAtFullRate)
{
    SimulatorOptions options = Fast();
    options.noisePerMille = 1000;
    options.noiseSeed = 7;
    Rig rig(options);
    std::vector<Bytes> received;
    for (int i = 0; i < 3; ++i)
        received.push_back(rig.client.Read(26, 1000ms));
    const auto clean = rig.sim.Frames();
    ASSERT_GE(clean.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(received[i].size(), 26u);
        for (int b = 0; b < 26; ++b)
            EXPECT_EQ(std::popcount(static_cast<unsigned>(received[i][b] ^ clean[i].bytes[b])), 1) << i << ":" << b;
    }
}

TEST(SimulatorFaults, HangUpDropsTheLineAndEndsTheThread)
{
    SimulatorOptions options = Fast();
    options.hangupAfter = 150ms;
    Rig rig(options);
    EXPECT_EQ(rig.client.Read(26, 1000ms).size(), 26u);
    const auto start = Clock::now();
    while (!rig.client.HungUp() && Clock::now() - start < 2s)
        rig.client.Read(26, 100ms);
    EXPECT_TRUE(rig.client.HungUp());
    EXPECT_TRUE(rig.sim.WaitUntil([&] { return !rig.sim.Running(); }, 1s));
    EXPECT_TRUE(rig.sim.HungUp());
    EXPECT_FALSE(rig.sim.Start()) << "the line is gone";
}

TEST(SimulatorPacing, BytesTakeTheirLineTimeAndASectorIsAnsweredOnlyOnceItArrived)
{
    SimulatorOptions options = Fast();
    options.pace = true;
    options.period = 200ms;
    Rig rig(options);
    rig.client.Sync(30ms);
    // A generous gap: a simulator thread starved of the CPU for a while must not cut the frame.
    ASSERT_EQ(rig.client.Read(26, 1000ms, 150ms).size(), 26u);
    // 26 bytes at 1.1458 ms: the last is not handed over before 29.8 ms after the frame began.
    auto sent = rig.sim.Sent();
    const auto frames = rig.sim.Frames();
    ASSERT_GE(frames.size(), 2u);
    ASSERT_GE(sent.size(), 52u);
    for (std::size_t j = 0; j < 2; ++j)
        EXPECT_GE(sent[26 * j + 25].time - frames[j].time, 29ms) << j;

    rig.client.Write({0xD5, 0x33});
    ASSERT_EQ(rig.client.Read(1), Bytes{0xFF});
    rig.client.Read(200, 1000ms);
    Bytes sector{0xA2};
    sector.resize(129, 0x11);
    rig.client.Write(sector);
    const auto written = rig.client.WrittenAt();
    ASSERT_EQ(rig.client.Read(1), Bytes{0xA2});
    // 129 bytes take 147.8 ms on the line, the one-byte answer 1.1 ms more.
    EXPECT_GE(rig.client.FirstByte() - written, 148ms);
    EXPECT_LE(rig.client.FirstByte() - written, 149ms + std::chrono::milliseconds(VLK_TIMING_SLACK_MS));

    rig.client.Write({0x52});
    ASSERT_EQ(rig.client.Read(128, 2000ms, 150ms).size(), 128u);
    // The command and 128 bytes: the last is handed over 147.8 ms after the command was written.
    sent = rig.sim.Sent();
    ASSERT_GE(sent.size(), 128u);
    EXPECT_GE(sent.back().time - rig.client.WrittenAt(), 147ms);
    EXPECT_GE(rig.client.LastByte() - rig.client.WrittenAt(), 147ms);
}

TEST(SimulatorLifecycle, StopIsPromptInTheMiddleOfAPacedReplyAndServingCanResume)
{
    SimulatorOptions options = Fast(kCalm);
    options.pace = true;
    Rig rig(options);
    EnterProgramming(rig.client);
    rig.client.Write({0x50});                       // a 147 ms reply
    ASSERT_EQ(rig.client.Read(1).size(), 1u);       // under way
    const auto before = Clock::now();
    rig.sim.Stop();
    EXPECT_LT(Clock::now() - before, 40ms);
    EXPECT_FALSE(rig.sim.Running());
    rig.client.Sync();
    ASSERT_TRUE(rig.sim.Start());
    rig.client.Write({0x51});
    EXPECT_EQ(rig.client.Read(128).size(), 128u);
}

TEST(SimulatorLifecycle, KeepsItsPaceWithNobodyReading)
{
    // A frame every millisecond: the pty's buffer (some 20 KB) is full after about 800 frames;
    // from then on a controller that waited for room would manage only two frames a second.
    ControllerSimulator sim(Fast(1ms));
    ASSERT_FALSE(sim.OpenPty().empty());
    ASSERT_TRUE(sim.Start());
    EXPECT_TRUE(sim.WaitUntil([&] { return sim.FramesSent() >= 1500; }, 10s)) << sim.FramesSent();
    sim.Stop();
}

TEST(SimulatorLifecycle, ServesAGivenDeviceAndRefusesAMissingOne)
{
    // A pty's slave stands in for a serial device; the test talks through the master.
    int master = -1;
    int slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    SimulatorOptions options = Fast();
    ControllerSimulator sim(options);
    EXPECT_FALSE(sim.OpenDevice("/dev/vlk-no-such-device"));
    EXPECT_NE(sim.LastError().find("/dev/vlk-no-such-device"), std::string::npos);
    ASSERT_TRUE(sim.OpenDevice(name)) << sim.LastError();
    EXPECT_EQ(sim.Path(), name);
    ASSERT_TRUE(sim.Start());
    // The frame may come in pieces: read until it is whole (or a second has passed).
    std::uint8_t frame[64];
    std::size_t got = 0;
    const auto end = Clock::now() + 1s;
    while (got < 26 && Clock::now() < end) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 50) <= 0)
            continue;
        const ssize_t n = read(master, frame + got, sizeof frame - got);
        if (n > 0)
            got += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(got, 26u);
    EXPECT_EQ(frame[0] & 0x20, 0x20);
    sim.Close();
    EXPECT_EQ(sim.Path(), "");
    close(slave);
    close(master);
}

} // namespace
} // namespace vlk
