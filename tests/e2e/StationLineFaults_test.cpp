// The whole station when the line goes away: the simulator hangs up (--hangup-after) during the
// exchange and in programming mode, the adapter is plugged back in under the same name, and the
// station is closed or signalled with the line gone. CPU, memory and what reaches the console
// page are measured over the seconds after the loss.
#include "e2e/StationHarness.h"

#include "frame/QuitOnSignal.h"
#include "core/link/DeviceLink.h"
#include "pages/DeskWnd.h"
#include "support/ProcessUsage.h"
#include "support/WindowInput.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QToolBar>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace vlk::test {
namespace {

const QString kLost = QStringLiteral("Связь с контроллером потеряна");
const QString kReady = QStringLiteral("Готов");

// Counts the calls posted to one object as they are delivered (the console's display updates).
class DeliveredCalls final : public QObject {
public:
    explicit DeliveredCalls(QObject* target) : m_target(target) { qApp->installEventFilter(this); }
    ~DeliveredCalls() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (object == m_target && event->type() == QEvent::MetaCall)
            ++m_count;
        return false;
    }
    [[nodiscard]] int Count() const { return m_count; }

private:
    QObject* m_target;
    int m_count = 0;
};

class StationLineFaultsTest : public StationTest {
protected:
    // The simulator behind a device name of the test's own, as an adapter's /dev/ttyUSB0 is.
    void StartLinkedSimulator(const SimulatorOptions& options)
    {
        m_sim = std::make_unique<ControllerSimulator>(options);
        ASSERT_FALSE(m_sim->OpenPty().empty()) << m_sim->LastError();
        ASSERT_TRUE(m_sim->LinkAt(m_name.Path())) << m_sim->LastError();
        setenv("VLK_COM1", m_name.Path().c_str(), 1);
        ASSERT_TRUE(m_sim->Start());
    }
    // The adapter plugged back in: the same controller, in whatever mode it was, on a new pty
    // under the same name.
    void PlugBackIn()
    {
        ASSERT_FALSE(m_sim->OpenPty().empty()) << m_sim->LastError();
        ASSERT_TRUE(m_sim->LinkAt(m_name.Path())) << m_sim->LastError();
        m_sim->ClearRecords();
        ASSERT_TRUE(m_sim->Start());
    }
    void StartAndShow(int port)
    {
        StartStation(port);
        ASSERT_TRUE(ShowAndActivate(m_frame.get()));
    }

    QWidget* ToolButton(int id) const { return m_frame->ToolBar()->widgetForAction(m_frame->Command(id)); }
    QString Status() const { return m_frame->statusBar()->currentMessage(); }

    // Lets the UI thread serve the window for `span` in an event loop of its own, which sleeps
    // until something happens (the test adds no polling of its own), sampling the resident set.
    static void Serve(UsageWindow& usage, std::chrono::milliseconds span)
    {
        QEventLoop loop;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { usage.Sample(); });
        sampler.start(250);
        QTimer::singleShot(span, &loop, &QEventLoop::quit);
        loop.exec();
    }

    DeviceLink m_name;
};

TEST_F(StationLineFaultsTest, TheExchangeLosesTheLineQuietlyAndResumesWhenItIsBack)
{
    SimulatorOptions options = FastOptions();
    options.hangupAfter = 1500ms;
    StartLinkedSimulator(options);
    StartAndShow(1);
    QSignalSpy lineLost(&m_frame->Console(), &CDeskWnd::LineLostChanged);
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 3; }, 5s));
    ASSERT_TRUE(WaitFor([&] { return m_sim->HungUp(); }, 5s));
    ASSERT_TRUE(WaitFor([&] { return m_frame->LineLost(); }, 5s));
    EXPECT_EQ(Status(), kLost);

    // Ten seconds of the lost line: one zeroed frame (12 groups) every 2000 ms, nothing else.
    DeliveredCalls delivered(&m_frame->Console());
    UsageWindow usage;
    usage.Start();
    Serve(usage, 10s);
    const double cpu = usage.CpuPercent();
    const long growth = usage.GrowthKb();
    std::printf("station, line gone %.1f s: CPU %.3f %%, resident %ld kB -> +%ld kB, %d console calls\n",
                usage.WallSeconds(), cpu, usage.StartKb(), growth, delivered.Count());
    EXPECT_LE(delivered.Count(), (10 / 2 + 2) * 12);
    EXPECT_LT(cpu, 1.0);
    EXPECT_LT(growth, 4096);
    EXPECT_EQ(lineLost.count(), 1);
    EXPECT_TRUE(m_messages.Entries().empty()) << m_messages.Texts().front();
    // The worker goes on trying: the exchange runs, only "Остановить" is offered.
    EXPECT_TRUE(m_frame->ExchangeRunning());
    EXPECT_TRUE(m_frame->Command(32779)->isEnabled());
    EXPECT_FALSE(m_frame->Command(32778)->isEnabled());
    // A prompt passing over the status bar gives way to the lost line again.
    Move(ToolButton(57601), CentreOf(ToolButton(57601)));
    EXPECT_TRUE(PumpUntil([&] { return Status() == QStringLiteral("Открыть файл"); }));
    Move(&m_frame->Console(), CentreOf(&m_frame->Console()));
    EXPECT_TRUE(PumpUntil([&] { return Status() == kLost; }));

    PlugBackIn();
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 6s));
    EXPECT_TRUE(WaitFor([&] { return !m_frame->LineLost(); }, 2s));
    EXPECT_EQ(Status(), kReady);
    ASSERT_EQ(lineLost.count(), 2);
    EXPECT_EQ(lineLost.at(0).at(0).toBool(), true);
    EXPECT_EQ(lineLost.at(1).at(0).toBool(), false);
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(StationLineFaultsTest, SigtermClosesTheStationWithTheLineGone)
{
    SimulatorOptions options = FastOptions();
    options.hangupAfter = 800ms;
    StartLinkedSimulator(options);
    StartAndShow(1);
    ASSERT_TRUE(WaitFor([&] { return m_frame->LineLost(); }, 5s));
    QuitOnSignal onSignal;
    QObject::connect(&onSignal, &QuitOnSignal::Requested, m_frame.get(), &QWidget::close);
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    // The close stops the exchange: its second of grace and the rest of the pass at most.
    EXPECT_TRUE(WaitFor([&] { return !m_frame->isVisible(); }, 7s));
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(StationLineFaultsTest, ExitFromTheMenuWorksWithTheLineGone)
{
    SimulatorOptions options = FastOptions();
    options.hangupAfter = 800ms;
    StartLinkedSimulator(options);
    StartAndShow(1);
    ASSERT_TRUE(WaitFor([&] { return m_frame->LineLost(); }, 5s));
    ClickMenuItem(57665); // "В&ыход"
    EXPECT_TRUE(WaitFor([&] { return !m_frame->isVisible(); }, 7s));
    EXPECT_FALSE(m_frame->ExchangeRunning());
}

TEST_F(StationLineFaultsTest, ProgrammingModeOnALostLineOpensThePortAgainWhenItIsBack)
{
    SimulatorOptions options = FastOptions();
    options.hangupAfter = 3000ms;
    StartLinkedSimulator(options);
    StartAndShow(0);
    Click(ToolButton(32771));
    ASSERT_TRUE(m_frame->ProgrammingMode());
    ASSERT_FALSE(m_sim->HungUp()) << "the entry took longer than the simulator's line";
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"учетная запись\nУЗЕЛ 17"});
    m_messages.Clear();

    // The line goes while the controller waits in programming mode.
    ASSERT_TRUE(WaitFor([&] { return m_sim->HungUp(); }, 6s));
    UsageWindow usage;
    usage.Start();
    Serve(usage, 3s);
    std::printf("station, line gone in programming mode %.1f s: CPU %.3f %%, resident %ld kB -> +%ld kB\n",
                usage.WallSeconds(), usage.CpuPercent(), usage.StartKb(), usage.GrowthKb());
    EXPECT_LT(usage.CpuPercent(), 1.0);
    EXPECT_LT(usage.GrowthKb(), 4096);

    // Leaving finds the device gone: said once, the controller is left in programming mode and
    // the dead port is not kept.
    Click(ToolButton(32771));
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Порт не открыт\n" + m_name.Path() + ": нет такого устройства",
                                                        "Отказ при запуске контроллера"}));
    EXPECT_TRUE(m_frame->ProgrammingMode());
    EXPECT_FALSE(m_frame->LineOpen());
    EXPECT_TRUE(m_frame->Command(32771)->isChecked());
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_FALSE(m_frame->Command(32778)->isEnabled());
    EXPECT_FALSE(m_frame->Command(32779)->isEnabled());
    EXPECT_FALSE(m_frame->Command(32780)->isEnabled());
    // "Запустить" cannot start an exchange against the controller waiting in programming mode.
    ClickMenuItem(32778);
    EXPECT_FALSE(m_frame->ExchangeRunning());
    m_messages.Clear();

    // Plugged back in: the next press opens the port again and the controller restarts.
    PlugBackIn();
    m_frame->Tabs().SelectPage(CTabs::DirectionsTab);
    Click(ToolButton(32771));
    EXPECT_TRUE(m_messages.Entries().empty()) << m_messages.Texts().front();
    EXPECT_FALSE(m_frame->ProgrammingMode());
    EXPECT_FALSE(m_frame->Command(32771)->isChecked());
    EXPECT_TRUE(m_frame->ExchangeRunning());
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::ConsoleTab);
    EXPECT_TRUE(m_frame->Command(32779)->isEnabled());
    EXPECT_FALSE(m_frame->Command(32778)->isEnabled());
    EXPECT_EQ(m_sim->Restarts(), 1);
    EXPECT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));
}

TEST_F(StationLineFaultsTest, EnteringProgrammingModeWithTheLineGoneSaysSoOnce)
{
    SimulatorOptions options = FastOptions();
    options.hangupAfter = 800ms;
    StartLinkedSimulator(options);
    StartAndShow(1);
    ASSERT_TRUE(WaitFor([&] { return m_frame->LineLost(); }, 5s));
    Click(ToolButton(32771));
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Порт не открыт\n" + m_name.Path() + ": нет такого устройства"});
    EXPECT_FALSE(m_frame->ProgrammingMode());
    EXPECT_FALSE(m_frame->ExchangeRunning());
    // The stopped exchange took the lost line with it.
    EXPECT_FALSE(m_frame->LineLost());
    EXPECT_EQ(Status(), kReady);
    EXPECT_TRUE(m_frame->Command(32778)->isEnabled());

    m_messages.Clear();
    PlugBackIn();
    Click(ToolButton(32771));
    EXPECT_TRUE(m_frame->ProgrammingMode());
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"учетная запись\nУЗЕЛ 17"});
}

TEST_F(StationLineFaultsTest, AWorkerThatEndedByItselfDoesNotHoldBackTheNextStart)
{
    StartSimulator(FastOptions());
    // Another port holds the device, so the exchange started with the station ends at once.
    CPort holder;
    ASSERT_TRUE(holder.Open(m_path, "AX25"));
    StartAndShow(1);
    ASSERT_TRUE(WaitFor([&] { return !m_messages.Entries().empty(); }, 3s));
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Порт не открыт\n" + m_path + ": порт занят другой программой"});
    // Nothing runs, and the commands say so.
    EXPECT_TRUE(WaitFor([&] { return m_frame->Command(32778)->isEnabled(); }, 3s));
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_FALSE(m_frame->Command(32779)->isEnabled());
    EXPECT_TRUE(m_frame->Command(32780)->isEnabled());
    holder.Close();

    m_messages.Clear();
    ClickMenuItem(32778);
    EXPECT_TRUE(m_frame->ExchangeRunning());
    EXPECT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(StationLineFaultsTest, LeavingProgrammingModeRestartsTheExchangeThatStartCouldNot)
{
    StartSimulator(FastOptions());
    StartAndShow(0);
    Click(ToolButton(32771));
    ASSERT_TRUE(m_frame->ProgrammingMode());
    m_messages.Clear();
    // The frame's port holds the device: "Запустить" is not offered and takes no click.
    EXPECT_FALSE(m_frame->Command(32778)->isEnabled());
    ClickMenuItem(32778);
    QTest::qWait(300);
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_TRUE(m_messages.Entries().empty()) << m_messages.Texts().front();

    Click(ToolButton(32771));
    EXPECT_FALSE(m_frame->ProgrammingMode());
    EXPECT_TRUE(m_frame->ExchangeRunning());
    m_sim->ClearRecords();
    EXPECT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));
    EXPECT_TRUE(m_messages.Entries().empty());
}

} // namespace
} // namespace vlk::test
