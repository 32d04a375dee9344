// The station's procedures and worker against the controller simulator on a pty.
#include "ControllerSimulator.h"
#include "support/LinkTexts.h"
#include "RecordingConsole.h"
#include "link/MemoryTransfer.h"
#include "link/ProgrammingMode.h"
#include "link/ThreadPort.h"
#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

using namespace std::chrono_literals;
using test::RecordingConsole;

// A short period keeps the worker tests quick; around the programming toggle a longer one keeps a
// frame from being in flight when the toggle goes out on a loaded machine.
SimulatorOptions Fast(std::chrono::milliseconds period = 250ms)
{
    SimulatorOptions options;
    options.period = period;
    options.pace = false;
    options.clock = SimulatorOptions::Clock{2, 14, 5, 0};
    return options;
}

ImageBytes Pattern()
{
    ImageBytes image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 17 + 3);
    return image;
}

struct Rig {
    explicit Rig(SimulatorOptions options) : sim(std::move(options))
    {
        path = sim.OpenPty();
        started = !path.empty() && sim.Start();
    }
    ControllerSimulator sim;
    std::string path;
    bool started = false;
    CPort port;
    RecordingMessages messages;
};

TEST(AgainstSimulator, EnterWriteReadLeave)
{
    SimulatorOptions options = Fast();
    options.account = std::string("\xD3\xC7\xC5\xCB 17"); // "УЗЕЛ 17" in Windows-1251
    Rig rig(options);
    ASSERT_TRUE(rig.started);

    const ProgrammingEntry entry = EnterProgrammingMode(rig.port, rig.path, rig.messages);
    ASSERT_TRUE(entry.Accepted());
    EXPECT_EQ(rig.sim.CurrentMode(), ControllerSimulator::Mode::Programming);

    const ImageBytes image = Pattern();
    EXPECT_EQ(WriteControllerMemory(rig.port, rig.messages, image), WriteResult::Written);
    EXPECT_EQ(rig.sim.Memory(), image);
    EXPECT_EQ(rig.sim.SectorsWritten().size(), 15u);

    const auto back = ReadControllerMemory(rig.port, rig.messages);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, image);

    EXPECT_TRUE(ExitProgrammingMode(rig.port, rig.messages, 0ms));
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_EQ(rig.sim.Restarts(), 1);
    EXPECT_EQ(rig.sim.EntryToggles(), 1);
    EXPECT_EQ(rig.sim.ExitToggles(), 1);
    EXPECT_EQ(rig.messages.Texts(), (std::vector<std::string>{"учетная запись\nУЗЕЛ 17", "Запись ОДД закончена"}));
}

TEST(AgainstSimulator, AControllerThatRestartsMidWriteGetsNothingMoreAndOneMessage)
{
    // A power cut at the cabinet after sector 6 (counted from 1): it runs again, on what it holds.
    // In normal mode sector bytes would be console commands to a running junction.
    SimulatorOptions options = Fast();
    options.restartAfterSector = 5;
    options.account = std::string();
    Rig rig(options);
    ASSERT_TRUE(rig.started);
    ASSERT_TRUE(EnterProgrammingMode(rig.port, rig.path, rig.messages).Accepted());
    TransferReport report;
    EXPECT_EQ(WriteControllerMemory(rig.port, rig.messages, Pattern(), {}, {}, &report), WriteResult::Restarted);
    EXPECT_EQ(report.sectorsDone, 5);
    ASSERT_EQ(rig.messages.Texts().size(), 1u);
    EXPECT_EQ(rig.messages.Texts()[0], "Контроллер перезапустился сам во время записи ОДД и работает в обычном режиме "
                                       "(подтверждено секторов: 5 из 15): его память может быть записана не полностью. "
                                       "Включите режим программирования и запишите ОДД еще раз или верните прежнюю "
                                       "конфигурацию");
    EXPECT_EQ(rig.sim.CurrentMode(), ControllerSimulator::Mode::Normal);
    const auto written = rig.sim.SectorsWritten();
    ASSERT_EQ(written.size(), 6u);
    // Not a byte after the restart: no sector again, no probe, no toggle.
    for (const auto& received : rig.sim.Received())
        EXPECT_LE(received.time, written.back().time) << int(received.byte);
}

TEST(AgainstSimulator, NotReadyFramesThenEntry)
{
    SimulatorOptions options = Fast();
    options.psClearFrames = 4;
    options.account = std::string();
    Rig rig(options);
    ASSERT_TRUE(rig.started);
    EXPECT_TRUE(EnterProgrammingMode(rig.port, rig.path, rig.messages).Accepted());
    EXPECT_TRUE(rig.messages.Entries().empty());
    int stars = 0;
    for (const auto& command : rig.sim.Commands())
        stars += command.byte == 0x2A;
    EXPECT_GE(stars, 1);
    EXPECT_LE(stars, 4);
}

TEST(AgainstSimulator, RefusedSectorStopsTheWrite)
{
    SimulatorOptions options = Fast();
    options.refuseSector = {{3, -1}};
    options.account = std::string();
    Rig rig(options);
    ASSERT_TRUE(rig.started);
    ASSERT_TRUE(EnterProgrammingMode(rig.port, rig.path, rig.messages).Accepted());
    EXPECT_EQ(WriteControllerMemory(rig.port, rig.messages, Pattern()), WriteResult::Failed);
    EXPECT_EQ(rig.messages.Entries(), (std::vector<RecordingMessages::Entry>{
                                          {"Отказ при записи ОДД", MessageIcon::Stop, false},
                                          {vlk::test::kNotWrittenText, MessageIcon::None, false},
                                      }));
    const auto written = rig.sim.SectorsWritten();
    ASSERT_EQ(written.size(), 3u + 4u);
    for (std::size_t i = 3; i < written.size(); ++i) {
        EXPECT_EQ(written[i].sector, 3);
        EXPECT_EQ(written[i].outcome, ControllerSimulator::SectorOutcome::Refused);
    }
}

TEST(AgainstSimulator, ShortExitRepliesKeepProgrammingMode)
{
    SimulatorOptions options = Fast();
    options.exitShort = 20;
    options.account = std::string();
    Rig rig(options);
    ASSERT_TRUE(rig.started);
    ASSERT_TRUE(EnterProgrammingMode(rig.port, rig.path, rig.messages).Accepted());
    EXPECT_FALSE(ExitProgrammingMode(rig.port, rig.messages, 0ms));
    EXPECT_TRUE(rig.port.IsOpen());
    EXPECT_EQ(rig.sim.ExitToggles(), 3);
    EXPECT_EQ(rig.messages.Texts(), (std::vector<std::string>{"Отказ при запуске контроллера"}));
}

TEST(AgainstSimulator, WorkerRepeatsTheCommandAndSendsTheClockOnce)
{
    Rig rig(Fast(50ms));
    ASSERT_TRUE(rig.started);
    RecordingConsole console;
    console.CommandByte() = 0x43;
    CLine line;
    auto worker = StartExchange(console, rig.path, rig.messages, line);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(rig.sim.WaitUntil([&] { return rig.sim.Commands().size() >= 5; }, 5s));
    console.SetClock({9, 41, 4});
    console.SendClockFlag() = 1;
    ASSERT_TRUE(rig.sim.WaitUntil([&] { return !rig.sim.ClockMessages().empty(); }, 5s));
    const std::size_t before = rig.sim.Commands().size();
    ASSERT_TRUE(rig.sim.WaitUntil([&] { return rig.sim.Commands().size() >= before + 3; }, 5s));
    StopExchange(worker, console);

    for (const auto& command : rig.sim.Commands())
        EXPECT_EQ(command.byte, 0x43);
    const auto clocks = rig.sim.ClockMessages();
    ASSERT_EQ(clocks.size(), 1u);
    EXPECT_TRUE(clocks[0].valid);
    EXPECT_EQ(clocks[0].hours, 9);
    EXPECT_EQ(clocks[0].minutes, 41);
    EXPECT_EQ(clocks[0].day, 4);
    EXPECT_EQ(console.SendClockFlag().load(), 0);
    EXPECT_GE(console.Repaints(), 8);
    EXPECT_TRUE(rig.messages.Entries().empty());
}

} // namespace
} // namespace vlk
