// "Наблюдение": four simulated controllers watched at once from the menu Вид, a row red when its
// controller raises "АВАРИЯ" or goes away, a controller added through its dialog and kept, and a
// double click that opens a row's controller on the console.
#include "e2e/StationHarness.h"
#include "frame/WatchWnd.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace vlk::test {
namespace {

class StationWatchTest : public StationTest {
protected:
    void SetUp() override
    {
        StationTest::SetUp();
        m_config = QDir::temp().filePath(QStringLiteral("vlk-watch-config-XXXXXX")).toStdString();
        ASSERT_NE(::mkdtemp(m_config.data()), nullptr);
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    }
    void TearDown() override
    {
        StationTest::TearDown();
        for (auto& sim : m_sims)
            sim->Stop();
        unsetenv("XDG_CONFIG_HOME");
        QDir(QString::fromStdString(m_config)).removeRecursively();
    }

    // Starts `count` controllers and writes them into the watched list as the user's file.
    void StartControllers(int count)
    {
        std::vector<WatchedController> list;
        for (int i = 0; i < count; ++i) {
            SimulatorOptions options = FastOptions();
            options.period = 200ms;
            m_sims.push_back(std::make_unique<ControllerSimulator>(options));
            const std::string path = m_sims.back()->OpenPty();
            ASSERT_FALSE(path.empty());
            ASSERT_TRUE(m_sims.back()->Start());
            list.push_back({path, "Перекресток " + std::to_string(i + 1)});
        }
        ASSERT_EQ(SaveWatchList(m_config + "/vlk-station/watch.json", list), "");
    }

    QString Cell(int row, int column) const
    {
        const QTableWidgetItem* item = m_frame->Watch()->Table()->item(row, column);
        return item ? item->text() : QString();
    }

    std::string m_config;
    std::vector<std::unique_ptr<ControllerSimulator>> m_sims;
};

TEST_F(StationWatchTest, FourControllersAtOnceARowTurnsRedOnAlarmOrLossAndOpensOnTheConsole)
{
    StartControllers(4);
    StartStation(0); // the console holds no line
    ClickMenuItem(CMainFrame::ID_WATCH);
    WatchWnd* watch = m_frame->Watch();
    ASSERT_NE(watch, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return watch->isVisible(); }));
    QTableWidget* table = watch->Table();
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_EQ(Cell(2, WatchWnd::NameColumn), QStringLiteral("Перекресток 3"));

    ASSERT_TRUE(PumpUntil(
        [&] {
            for (int row = 0; row < 4; ++row)
                if (Cell(row, WatchWnd::LinkColumn) != QStringLiteral("есть"))
                    return false;
            return true;
        },
        10000));
    for (int row = 0; row < 4; ++row) {
        EXPECT_FALSE(watch->RowAlarm(row)) << row;
        EXPECT_FALSE(Cell(row, WatchWnd::ProgramColumn).isEmpty());
        EXPECT_EQ(Cell(row, WatchWnd::FailuresColumn), QStringLiteral("0"));
    }

    // One raises "АВАРИЯ", one is killed.
    m_sims[1]->SetAlarm(true);
    m_sims[3]->HangUpNow();
    ASSERT_TRUE(PumpUntil([&] { return watch->RowAlarm(1) && watch->RowAlarm(3); }, 10000));
    watch->Refresh(); // what the window's next half-second shows
    EXPECT_TRUE(Cell(1, WatchWnd::FlagsColumn).contains(QStringLiteral("АВАРИЯ")));
    EXPECT_EQ(Cell(1, WatchWnd::FailuresColumn), QStringLiteral("1"));
    EXPECT_EQ(Cell(3, WatchWnd::LinkColumn), QStringLiteral("потеряна"));
    EXPECT_EQ(table->item(1, WatchWnd::NameColumn)->background().color(), QColor(255, 196, 196));
    EXPECT_FALSE(watch->RowAlarm(0));
    EXPECT_FALSE(watch->RowAlarm(2));
    EXPECT_EQ(table->item(0, WatchWnd::NameColumn)->background().style(), Qt::NoBrush);
    // Every watched controller was only ever answered "no command".
    for (int i = 0; i < 3; ++i)
        for (const auto& command : m_sims[i]->Commands())
            EXPECT_EQ(command.byte, 0x00);

    // A double click on the third row: its controller on the console, its row at rest.
    const QRect cell = table->visualRect(table->model()->index(2, WatchWnd::NameColumn));
    DoubleClick(table->viewport(), cell.center());
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ExchangeRunning(); }, 5000));
    EXPECT_EQ(m_frame->PortNumber(), 3);
    EXPECT_EQ(m_frame->PortName(), m_sims[2]->Path());
    watch->Refresh();
    EXPECT_EQ(Cell(2, WatchWnd::LinkColumn), QStringLiteral("на пульте"));
    m_sims[2]->ClearRecords();
    ASSERT_TRUE(WaitFor([&] { return m_sims[2]->Commands().size() >= 2; }, 5s));

    // The console stops: the row takes its controller back.
    m_frame->Command(CMainFrame::ID_EXCHANGE_STOP)->trigger();
    ASSERT_TRUE(PumpUntil([&] { return Cell(2, WatchWnd::LinkColumn) == QStringLiteral("есть"); }, 10000));
}

TEST_F(StationWatchTest, AControllerTheConsoleHoldsIsLeftToTheConsole)
{
    // The console runs on COM1's controller, which is also in the watched list: the row must not
    // take the line from the console (a server gives it to its newest client).
    StartSimulator(FastOptions());
    StartControllers(1);
    std::vector<WatchedController> list = {{m_path, "На пульте"}, {m_sims[0]->Path(), "Соседний"}};
    ASSERT_EQ(SaveWatchList(m_config + "/vlk-station/watch.json", list), "");
    StartStation(1);
    ASSERT_TRUE(m_frame->ExchangeRunning());
    ClickMenuItem(CMainFrame::ID_WATCH);
    WatchWnd* watch = m_frame->Watch();
    ASSERT_NE(watch, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Cell(1, WatchWnd::LinkColumn) == QStringLiteral("есть"); }, 10000));
    EXPECT_EQ(Cell(0, WatchWnd::LinkColumn), QStringLiteral("на пульте"));
    EXPECT_FALSE(watch->RowAlarm(0));
    // The console keeps its line: the operator's commands still reach the controller.
    m_sim->ClearRecords();
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 3; }, 5s));
    EXPECT_FALSE(m_frame->Console().LineLostShown());
}

TEST_F(StationWatchTest, AControllerAddedThroughItsDialogIsKeptForTheNextRun)
{
    StartControllers(1);
    SimulatorOptions options = FastOptions();
    ControllerSimulator added(options);
    const std::string path = added.OpenPty();
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(added.Start());
    StartStation(0);
    ClickMenuItem(CMainFrame::ID_WATCH);
    WatchWnd* watch = m_frame->Watch();
    ASSERT_TRUE(PumpUntil([&] { return watch->isVisible(); }));

    bool answered = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<WatchAddDialog*>(QApplication::activeModalWidget());
        if (!dialog || answered || !ShowAndActivate(dialog))
            return;
        answered = true;
        Click(dialog->AddressField());
        Type(dialog->AddressField(), QString::fromStdString(path));
        Click(dialog->NameField());
        Type(dialog->NameField(), QStringLiteral("Стенд"));
        Key(dialog, Qt::Key_Return);
    });
    poll.start();
    Click(watch->AddButton());
    poll.stop();
    ASSERT_TRUE(answered);
    ASSERT_EQ(watch->Table()->rowCount(), 2);
    EXPECT_EQ(Cell(1, WatchWnd::NameColumn), QStringLiteral("Стенд"));
    ASSERT_TRUE(PumpUntil([&] { return Cell(1, WatchWnd::LinkColumn) == QStringLiteral("есть"); }, 10000));

    const std::vector<WatchedController> kept = LoadWatchList(m_config + "/vlk-station/watch.json");
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[1].address, path);
    EXPECT_EQ(kept[1].name, "Стенд");
    added.Stop();
}

} // namespace
} // namespace vlk::test
