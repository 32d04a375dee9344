// The main frame while a command waits on the line: the busy pointer and the status text for as
// long as it runs, and a close of the window meanwhile that waits for the command to end.
#include "e2e/StationHarness.h"
#include "support/WindowInput.h"

#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "pages/ConfigPages.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

namespace vlk::test {
namespace {

// What the window shows at one moment: the pointer's shape and the status bar text.
struct Look {
    bool busy = false;
    bool waitPointer = false;
    QString status;
};

class StationFrameBusyTest : public StationTest {
protected:
    QWidget* Button(int command) { return m_frame->ToolBar()->widgetForAction(m_frame->Command(command)); }
    void ClickButton(int command)
    {
        QWidget* button = Button(command);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(Reaches(button));
        Move(button, CentreOf(button));
        Click(button);
    }
    // Samples the window every 2 ms while the event loop runs (it does while a command waits).
    void Sample()
    {
        m_sampler.disconnect();
        QObject::connect(&m_sampler, &QTimer::timeout, [this] {
            const QCursor* cursor = QApplication::overrideCursor();
            m_looks.push_back({m_frame->Busy(), cursor && cursor->shape() == Qt::WaitCursor,
                               m_frame->statusBar()->currentMessage()});
        });
        m_sampler.start(2);
    }
    // A paced line: the commands take long enough to be seen waiting.
    static SimulatorOptions PacedOptions()
    {
        SimulatorOptions options = FastOptions();
        options.pace = true;
        options.period = 250ms;
        return options;
    }

    QTimer m_sampler;
    std::vector<Look> m_looks;
    QTemporaryDir m_dir;
};

TEST_F(StationFrameBusyTest, PointerAndStatusSayBusyForAsLongAsTheCommandRuns)
{
    StartSimulator(PacedOptions());
    StartStation(0);
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    Sample();
    ClickButton(32771);
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ProgrammingMode() && !m_frame->Busy(); }, 10000));
    ASSERT_TRUE(PumpUntil([&] { return m_looks.size() > 2 && !m_looks.back().busy; }, 2000));
    m_sampler.stop();

    int busySamples = 0;
    for (const Look& look : m_looks) {
        if (!look.busy)
            continue;
        ++busySamples;
        EXPECT_TRUE(look.waitPointer);
        EXPECT_EQ(look.status.toStdString(), "Переход в режим программирования...");
    }
    EXPECT_GT(busySamples, 0);
    // Afterwards the pointer is the user's again and the bar says ready.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(m_frame->statusBar()->currentMessage().toStdString(), "Готов");
    EXPECT_FALSE(m_looks.back().waitPointer);

    // The memory write: each sector named while it travels, the same busy pointer.
    m_looks.clear();
    Sample();
    ClickButton(32772);
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->Busy() && m_sim->SectorsWritten().size() == 15; }, 20000));
    m_sampler.stop();
    bool sawSeventh = false;
    for (const Look& look : m_looks) {
        if (!look.busy)
            continue;
        EXPECT_TRUE(look.waitPointer);
        sawSeventh = sawSeventh || look.status == QStringLiteral("Запись ОДД: сектор 7 из 15");
    }
    EXPECT_TRUE(sawSeventh);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(StationFrameBusyTest, CloseDuringTheMemoryWriteWaitsAndNothingIsLost)
{
    // The controller holds an empty configuration; the pages get the demo junction from a file.
    SimulatorOptions options = PacedOptions();
    options.memory = ConfigurationImage::Encode(Configuration{});
    StartSimulator(options);
    StartStation(0);
    const ImageBytes demo = ConfigurationImage::Encode(DemoJunction());
    const QString path = m_dir.filePath(QStringLiteral("demo.vlk"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(demo.data()), static_cast<qint64>(demo.size()));
    }
    m_dialogs.openNames = {path};
    m_frame->Command(57601)->trigger();
    ASSERT_EQ(ConfigPages(m_frame->Tabs().Pages()).BuildImage(), demo);
    m_frame->Command(32771)->trigger();
    ASSERT_TRUE(m_frame->ProgrammingMode());
    ASSERT_NE(m_sim->Memory(), demo);
    m_messages.Clear();

    // The close box is pressed while the sectors travel.
    bool closedWhileBusy = true;
    int closeTries = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!m_frame->Busy() || m_sim->SectorsWritten().size() < 3 || closeTries > 0)
            return;
        ++closeTries;
        closedWhileBusy = m_frame->close();
    });
    closer.start(2);
    ClickButton(32772);
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->Busy() && m_sim->SectorsWritten().size() == 15; }, 20000));
    closer.stop();

    EXPECT_EQ(closeTries, 1);
    EXPECT_FALSE(closedWhileBusy);
    EXPECT_TRUE(m_frame->isVisible());
    // The write went through whole and was confirmed.
    EXPECT_EQ(m_sim->Memory(), demo);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Запись ОДД закончена"}));
    EXPECT_TRUE(m_frame->ProgrammingMode());
    // Now the window closes.
    EXPECT_TRUE(m_frame->close());
    EXPECT_FALSE(m_frame->isVisible());
}

TEST_F(StationFrameBusyTest, CloseWhileTheExchangeRunsStopsTheWorkerCleanly)
{
    StartSimulator(PacedOptions());
    StartStation(1);
    ASSERT_TRUE(m_frame->ExchangeRunning());
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));
    EXPECT_TRUE(m_frame->close());
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_FALSE(m_frame->isVisible());
    // The worker has let go of the line: only the simulator's own descriptor is left.
    EXPECT_TRUE(WaitFor([&] { return OpenedLine() == 1; }, 2s));
    // Nobody answers the controller's frames any more.
    const std::size_t answered = m_sim->Commands().size();
    const std::uint64_t frames = m_sim->FramesSent();
    ASSERT_TRUE(WaitFor([&] { return m_sim->FramesSent() >= frames + 3; }, 5s));
    EXPECT_EQ(m_sim->Commands().size(), answered);
    m_frame.reset();
}

} // namespace
} // namespace vlk::test
