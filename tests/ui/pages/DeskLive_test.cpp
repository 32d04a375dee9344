// The console page fed by the real exchange worker from the controller simulator on a pty.
#include "DeskTestSupport.h"

#include "ControllerSimulator.h"
#include "link/ThreadPort.h"
#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

#include <mutex>

using namespace vlk;
using namespace vlk::test;
using namespace std::chrono_literals;

namespace {

const char* const kDays[] = {"Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота", "Воскресенье"};

QString Lamps(const std::vector<std::uint8_t>& bytes, int first, const char* on)
{
    QString row;
    for (int d = 0; d < 24; ++d)
        row += (bytes[static_cast<std::size_t>(first + d / 8)] >> (d % 8)) & 1 ? QString::fromUtf8(on)
                                                                               : QStringLiteral(" ");
    return row;
}

// True when the page shows exactly this frame of the simulator.
bool ShowsFrame(const CDeskWnd& page, const std::vector<std::uint8_t>& f)
{
    if (f.size() != 26)
        return false;
    const auto two = [](int v) { return v < 10 ? QStringLiteral("0%1").arg(v) : QString::number(v); };
    return FieldText(page, 1023) == two((f[4] >> 4) * 10 + (f[4] & 15))
        && FieldText(page, 1024) == two((f[5] >> 4) * 10 + (f[5] & 15))
        && FieldText(page, 1041) == QString::number(f[3] >> 4) && FieldText(page, 1042) == QString::number(f[1] & 15)
        && FieldText(page, 1043) == QString::number(f[1] >> 4)
        && RowText(page.LightsGrid(), 0, 24) == Lamps(f, 9, "К")
        && RowText(page.LightsGrid(), 1, 24) == Lamps(f, 12, "Ж")
        && RowText(page.LightsGrid(), 2, 24) == Lamps(f, 15, "З")
        && Cell(page.StateGrid(), 5, 1) == QStringLiteral("К");
}

TEST(DeskLive, ShowsTheSimulatorAndSendsTheOperatorsCommand)
{
    SimulatorOptions options;
    options.period = 150ms;
    options.pace = false;
    options.clock = SimulatorOptions::Clock{2, 14, 5, 0}; // Wednesday 14:05
    options.timeScale = 20;                              // phases change within the test
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    ASSERT_FALSE(path.empty()) << sim.LastError();
    ASSERT_TRUE(sim.Start());

    CDeskWnd page;
    page.resize(1280, 800);
    ASSERT_TRUE(ShowAndActivate(&page));
    RecordingMessages messages;
    CLine line;
    auto worker = StartExchange(page.Sink(), path, messages, line, page.Sink().NextGeneration());
    ASSERT_NE(worker, nullptr);

    // Some recent frame of the simulator is on the page, whole.
    const auto showsRecentFrame = [&] {
        const auto frames = sim.Frames();
        for (std::size_t i = frames.size(); i > 0 && i + 3 > frames.size(); --i)
            if (ShowsFrame(page, frames[i - 1].bytes))
                return true;
        return false;
    };
    ASSERT_TRUE(PumpUntil(showsRecentFrame, 5s));
    EXPECT_EQ(FieldText(page, 1025), QString::fromUtf8(kDays[2]));
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("14"));
    // Some lamp of the junction is lit.
    EXPECT_TRUE(RowText(page.LightsGrid(), 0, 24).contains(QStringLiteral("К"))
                || RowText(page.LightsGrid(), 2, 24).contains(QStringLiteral("З")));

    // The operator takes control and calls phase 3: 0x43 after every later frame.
    Click(page.GetDlgItem(1040));
    Click(page.GetDlgItem(1032));
    ASSERT_EQ(page.Sink().CommandByte().load(), 0x43);
    // (An answer already on its way when the records were cleared may still carry 0x40.)
    sim.ClearRecords();
    ASSERT_TRUE(PumpUntil([&] { return sim.Commands().size() >= 4; }, 5s));
    const auto called = sim.Commands();
    for (std::size_t i = 1; i < called.size(); ++i)
        EXPECT_EQ(called[i].byte, 0x43) << i;
    // The simulator obeys: its called phase shows on the page.
    EXPECT_TRUE(PumpUntil([&] { return FieldText(page, 1043) == QStringLiteral("3"); }, 5s));

    // The clock goes out once, from the fields as they are when it is sent.
    page.SetClockSource([] { return QDateTime(QDate(2026, 12, 11), QTime(9, 41)); }); // a Friday
    Click(page.GetDlgItem(1002));
    Click(page.GetDlgItem(1003));
    ASSERT_TRUE(PumpUntil([&] { return !sim.ClockMessages().empty(); }, 5s));
    EXPECT_TRUE(PumpUntil([&] { return page.Sink().SendClockFlag().load() == 0; }, 2s));
    const std::size_t commands = sim.Commands().size();
    ASSERT_TRUE(PumpUntil([&] { return sim.Commands().size() >= commands + 2; }, 5s));
    const auto clocks = sim.ClockMessages();
    ASSERT_EQ(clocks.size(), 1u);
    EXPECT_EQ(clocks[0].bytes, (std::array<std::uint8_t, 6>{0x81, 0x94, 0xA9, 0xB0, 0xC4, 0xF0}));
    EXPECT_TRUE(PumpUntil([&] { return FieldText(page, 1025) == QString::fromUtf8(kDays[4]); }, 5s));

    // Handing control back: 0x00 goes out, the buttons lock.
    Click(page.GetDlgItem(1040));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x00);
    sim.ClearRecords();
    ASSERT_TRUE(PumpUntil([&] { return sim.Commands().size() >= 3; }, 5s));
    const auto handedBack = sim.Commands();
    for (std::size_t i = 1; i < handedBack.size(); ++i)
        EXPECT_EQ(handedBack[i].byte, 0x00) << i;

    // Stopping clears the page, and nothing the worker left queued paints over it.
    StopExchange(worker, page.Sink());
    EXPECT_EQ(worker, nullptr);
    Pump(300ms);
    EXPECT_EQ(FieldText(page, 1025), QStringLiteral("понедельник"));
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("0"));
    EXPECT_EQ(FieldText(page, 1024), QStringLiteral("0"));
    EXPECT_EQ(RowText(page.LightsGrid(), 0, 24), QString(24, QLatin1Char(' ')));
    EXPECT_EQ(Cell(page.StateGrid(), 5, 1), QStringLiteral(" "));
    EXPECT_TRUE(messages.Entries().empty());
    sim.Stop();
}

} // namespace
