#include "e2e/StationHarness.h"

#include <QAction>
#include <QElapsedTimer>
#include <QProcess>

namespace vlk::test {
namespace {

TEST_F(StationTest, OkOnCom1StartsTheExchangeAtOnce)
{
    StartSimulator(FastOptions());
    StartStation(1);
    EXPECT_TRUE(m_frame->ExchangeRunning());
    EXPECT_EQ(m_frame->PortNumber(), 1);
    // Every frame is answered with the console's command, none yet: 0x00.
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 3; }, 5s));
    for (const auto& command : m_sim->Commands())
        EXPECT_EQ(command.byte, 0x00);
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(StationTest, CancelLeavesTheLineAlone)
{
    StartSimulator(FastOptions());
    StartStation(0);
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_EQ(m_frame->PortNumber(), 1);
    EXPECT_TRUE(m_frame->Command(32778)->isEnabled());
    EXPECT_FALSE(m_frame->Command(32779)->isEnabled());
    // Four frames go by on the line (100 ms apart) and the station answers none of them.
    ASSERT_TRUE(WaitFor([&] { return m_sim->FramesSent() >= 4; }, 5s));
    EXPECT_EQ(OpenedLine(), 1);
    EXPECT_TRUE(m_sim->Received().empty());
    // The exchange starts later from the menu.
    m_frame->Command(32778)->trigger();
    EXPECT_TRUE(m_frame->ExchangeRunning());
    EXPECT_TRUE(WaitFor([&] { return !m_sim->Commands().empty(); }, 5s));
}

TEST_F(StationTest, Com2AndOkRunsOnTheSecondPort)
{
    StartSimulator(FastOptions(), "VLK_COM2");
    setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
    StartStation(2);
    EXPECT_EQ(m_frame->PortNumber(), 2);
    EXPECT_TRUE(m_frame->Command(32781)->isChecked());
    EXPECT_FALSE(m_frame->Command(32780)->isEnabled());
    EXPECT_FALSE(m_frame->Command(32781)->isEnabled());
    EXPECT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(StationTest, StopAndCloseNeverHangPastSevenSeconds)
{
    // A silent line: the worker sits in its two-second read when the stop comes.
    SimulatorOptions options = FastOptions();
    options.silent = true;
    StartSimulator(options);
    StartStation(1);
    ASSERT_TRUE(WaitFor([&] { return OpenedLine() == 2; }, 5s)); // the worker has the line open
    QElapsedTimer clock;
    clock.start();
    m_frame->Command(32779)->trigger();
    EXPECT_LT(clock.elapsed(), 7000);
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_TRUE(m_frame->Command(32778)->isEnabled());

    m_frame->Command(32778)->trigger();
    ASSERT_TRUE(m_frame->ExchangeRunning());
    ASSERT_TRUE(WaitFor([&] { return OpenedLine() == 2; }, 5s));
    clock.restart();
    EXPECT_TRUE(m_frame->close());
    EXPECT_LT(clock.elapsed(), 7000);
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_FALSE(m_frame->isVisible());
}

TEST_F(StationTest, TheWindowKeepsPaintingWhileTheExchangeStops)
{
    StartSimulator(FastOptions());
    StartStation(1);
    ASSERT_TRUE(WaitFor([&] { return !m_sim->Commands().empty(); }, 5s));
    int ticks = 0;
    QStringList statuses;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        statuses << m_frame->statusBar()->currentMessage();
    });
    timer.start(50);
    m_frame->Command(32779)->trigger();
    timer.stop();
    // The stop takes its second of grace; the UI thread went on meanwhile.
    EXPECT_GE(ticks, 10);
    EXPECT_TRUE(statuses.contains(QStringLiteral("Остановка обмена данными...")));
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), QStringLiteral("Готов"));
}

TEST_F(StationTest, APortHeldByAnotherProcessIsReported)
{
    StartSimulator(FastOptions());
    // Another program holds the device with an exclusive lock, as a second station would.
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("-x"), QString::fromStdString(m_path), QStringLiteral("-c"),
                                          QStringLiteral("echo locked; exec sleep 60")});
    ASSERT_TRUE(holder.waitForReadyRead(5000)) << "flock(1) is part of util-linux";
    StartStation(1);
    ASSERT_TRUE(WaitFor([&] { return !m_messages.Entries().empty(); }, 3s));
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Порт не открыт\n" + m_path + ": порт занят другой программой"}));
    // Programming mode cannot open it either.
    m_messages.Clear();
    m_frame->Command(32771)->trigger();
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Порт не открыт\n" + m_path + ": порт занят другой программой"}));
    EXPECT_FALSE(m_frame->ProgrammingMode());
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_FALSE(m_frame->Command(32771)->isChecked());
    holder.kill();
    holder.waitForFinished(2000);
}

} // namespace
} // namespace vlk::test
