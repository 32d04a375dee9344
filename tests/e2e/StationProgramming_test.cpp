#include "e2e/StationHarness.h"
#include "support/LinkTexts.h"

#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "pages/ConfigPages.h"

#include <QAction>
#include <QFile>
#include <QDir>
#include <QTemporaryDir>

namespace vlk::test {
namespace {

using Texts = std::vector<std::string>;

class StationProgrammingTest : public StationTest {
protected:
    // Loads the demo junction into the pages through the open command.
    void OpenDemoJunction()
    {
        const QString path = m_dir.filePath(QStringLiteral("demo.vlk"));
        const ImageBytes image = ConfigurationImage::Encode(DemoJunction());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
        file.close();
        m_dialogs.openNames = {path};
        m_frame->Command(57601)->trigger();
        ASSERT_EQ(PagesImage(), image);
    }
    ImageBytes PagesImage() { return ConfigPages(m_frame->Tabs().Pages()).BuildImage(); }

    QTemporaryDir m_dir;
};

TEST_F(StationProgrammingTest, OnWriteReadBackOff)
{
    StartSimulator(FastOptions());
    StartStation(1);
    ASSERT_TRUE(WaitFor([&] { return !m_sim->Commands().empty(); }, 5s));
    OpenDemoJunction();
    const ImageBytes shown = PagesImage();
    m_frame->Tabs().SelectPage(CTabs::DirectionsTab);

    m_frame->Command(32771)->trigger();
    EXPECT_EQ(m_messages.Texts(), (Texts{"учетная запись\nУЗЕЛ 17"}));
    EXPECT_TRUE(m_frame->ProgrammingMode());
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_TRUE(m_frame->Command(32771)->isChecked());
    EXPECT_TRUE(m_frame->Command(32772)->isEnabled());
    EXPECT_TRUE(m_frame->Command(32773)->isEnabled());
    EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);

    m_messages.Clear();
    QStringList statuses;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { statuses << m_frame->statusBar()->currentMessage(); });
    sampler.start(1);
    m_frame->Command(32772)->trigger();
    sampler.stop();
    EXPECT_EQ(m_messages.Texts(), (Texts{"Запись ОДД закончена"}));
    EXPECT_EQ(m_sim->Memory(), shown);
    EXPECT_EQ(m_sim->SectorsWritten().size(), 15u);
    EXPECT_EQ(m_sim->SectorsRead().size(), 30u + 15u); // the backup read (each sector twice), the check
    EXPECT_FALSE(statuses.filter(QStringLiteral(" из 15")).isEmpty());
    EXPECT_FALSE(statuses.filter(QStringLiteral("Чтение прежней ОДД: сектор ")).isEmpty());
    EXPECT_FALSE(statuses.filter(QStringLiteral("Проверка ОДД: сектор ")).isEmpty());

    // Reading back gives the same configuration (only zeros may now show as "0").
    m_messages.Clear();
    m_sim->ClearRecords();
    m_frame->Command(32773)->trigger();
    EXPECT_TRUE(m_messages.Entries().empty());
    EXPECT_EQ(m_sim->SectorsRead().size(), 30u); // each sector twice
    EXPECT_EQ(PagesImage(), shown);

    m_frame->Command(32771)->trigger();
    EXPECT_TRUE(m_messages.Entries().empty());
    EXPECT_FALSE(m_frame->ProgrammingMode());
    EXPECT_TRUE(m_frame->ExchangeRunning());
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::ConsoleTab);
    EXPECT_FALSE(m_frame->Command(32772)->isEnabled());
    m_sim->ClearRecords();
    EXPECT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));
}

TEST_F(StationProgrammingTest, AReadChangesThePagesOnlyWhenEverySectorArrived)
{
    SimulatorOptions options = FastOptions();
    options.shortSectorRead = {SectorFault{5, -1}};
    StartSimulator(options);
    StartStation(0);
    const ImageBytes before = PagesImage();
    m_frame->Command(32771)->trigger();
    ASSERT_TRUE(m_frame->ProgrammingMode());
    m_messages.Clear();
    m_frame->Command(32773)->trigger();
    EXPECT_EQ(m_messages.Texts(), (Texts{"Кадр не прочитан!", "Отказ при чтении ОДД"}));
    EXPECT_EQ(m_messages.Entries().back().icon, MessageIcon::Stop);
    EXPECT_EQ(PagesImage(), before);
}

TEST_F(StationProgrammingTest, ARefusedSectorIsReportedInOrder)
{
    SimulatorOptions options = FastOptions();
    options.refuseSector = {SectorFault{3, -1}};
    StartSimulator(options);
    StartStation(0);
    m_frame->Command(32771)->trigger();
    ASSERT_TRUE(m_frame->ProgrammingMode());
    m_messages.Clear();
    m_frame->Command(32772)->trigger();
    EXPECT_EQ(m_messages.Texts(), (Texts{"Отказ при записи ОДД", vlk::test::kNotWrittenText}));
    EXPECT_EQ(m_messages.Entries()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(m_messages.Entries()[1].icon, MessageIcon::None);
    int third = 0;
    for (const auto& sector : m_sim->SectorsWritten()) {
        EXPECT_LE(sector.sector, 3);
        third += sector.sector == 3;
    }
    EXPECT_EQ(third, 4);
    EXPECT_TRUE(m_frame->ProgrammingMode());
}

TEST_F(StationProgrammingTest, ASilentLineRefusesProgrammingMode)
{
    SimulatorOptions options = FastOptions();
    options.silent = true;
    StartSimulator(options);
    StartStation(1);
    m_frame->Command(32771)->trigger();
    // No frame and no answer to a read: no toggle is sent into a controller of unknown mode.
    EXPECT_EQ(m_messages.Texts(), (Texts{"кадр не прочитан",
                                         "Отказ перехода в режим программирования\nКонтроллер не отвечает: нет ни "
                                         "кадров состояния, ни ответа на чтение памяти. Проверьте кабель и питание "
                                         "контроллера"}));
    for (const auto& received : m_sim->Received())
        EXPECT_NE(received.byte, 0xD5) << "a toggle went out";
    EXPECT_FALSE(m_frame->ProgrammingMode());
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_FALSE(m_frame->Command(32771)->isChecked());
    EXPECT_FALSE(m_frame->Command(32772)->isEnabled());
    // The port stays with the frame until the next entry.
    EXPECT_TRUE(m_frame->LineOpen());
}

TEST_F(StationProgrammingTest, AfterARefusedEntryTheExchangeStartsOnTheLineTheEntryLeftOpen)
{
    SimulatorOptions options = FastOptions();
    options.toggleReply = SimulatorOptions::ToggleReply{0x00, -1}; // it stays in normal mode
    StartSimulator(options);
    StartStation(1);
    ASSERT_TRUE(WaitFor([&] { return !m_sim->Commands().empty(); }, 5s));
    ClickToolbar(32771);
    ASSERT_FALSE(m_messages.Texts().empty());
    EXPECT_EQ(m_messages.Texts().back().rfind("Отказ перехода в режим программирования", 0), 0u);
    EXPECT_FALSE(m_frame->ProgrammingMode());
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);
    // The refused entry leaves the line open, and the station holds the device once.
    EXPECT_TRUE(m_frame->LineOpen());
    EXPECT_EQ(OpenedLine(), 2);

    // The exchange is the line's next job: the same station's open port is no other program's.
    m_messages.Clear();
    m_sim->ClearRecords();
    ClickMenuItem(32778);
    EXPECT_TRUE(m_frame->ExchangeRunning());
    EXPECT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));
    EXPECT_TRUE(m_messages.Texts().empty());
    EXPECT_EQ(OpenedLine(), 2);
}

TEST_F(StationProgrammingTest, SaveAsksBeforeOverwritingAndKeepsTheOldFileOnCancel)
{
    StartStation(0);
    OpenDemoJunction();
    const QString existing = m_dir.filePath(QStringLiteral("old.vlk"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old contents");
    }
    const QString fresh = m_dir.filePath(QStringLiteral("new.vlk"));
    m_dialogs.saveNames = {existing, fresh};
    m_messages.QueueAnswer(false);
    m_frame->Command(57604)->trigger();
    ASSERT_EQ(m_messages.Entries().size(), 1u);
    EXPECT_EQ(m_messages.Entries()[0].text, "Такой файл существует,перезаписать?");
    EXPECT_TRUE(m_messages.Entries()[0].question);
    EXPECT_EQ(m_messages.Entries()[0].icon, MessageIcon::Question);
    EXPECT_EQ(m_dialogs.saveAsked, 2);
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old contents"));
    QFile saved(fresh);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    ASSERT_EQ(bytes.size(), 1920);
    const ImageBytes expected = ConfigurationImage::Encode(DemoJunction());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reinterpret_cast<const std::uint8_t*>(bytes.data())));

    // OK overwrites, and nothing but the file is left in the folder.
    m_messages.Clear();
    m_dialogs.saveNames = {existing};
    m_frame->Command(57604)->trigger();
    EXPECT_EQ(m_messages.Texts(), (Texts{"Такой файл существует,перезаписать?"}));
    old.close();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.size(), 1920);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(StationProgrammingTest, AShortOrUnreadableFileChangesNothing)
{
    StartStation(0);
    OpenDemoJunction();
    const ImageBytes before = PagesImage();
    const QString shortFile = m_dir.filePath(QStringLiteral("short.vlk"));
    {
        QFile file(shortFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1000, '\x01'));
    }
    m_messages.Clear();
    m_dialogs.openNames = {shortFile, m_dir.filePath(QStringLiteral("missing.vlk"))};
    m_frame->Command(57601)->trigger();
    m_frame->Command(57601)->trigger();
    ASSERT_EQ(m_messages.Texts().size(), 2u);
    EXPECT_EQ(m_messages.Texts()[0], ("Файл " + shortFile + " не открыт: не образ конфигурации и не JSON: 1000 байт вместо 1920").toStdString());
    EXPECT_EQ(m_messages.Texts()[1].rfind("Файл " + m_dir.filePath(QStringLiteral("missing.vlk")).toStdString() + " не открыт", 0),
              0u);
    EXPECT_EQ(PagesImage(), before);

    // Cancel in the dialog does nothing at all.
    m_messages.Clear();
    m_frame->Command(57601)->trigger();
    EXPECT_TRUE(m_messages.Entries().empty());
    EXPECT_EQ(PagesImage(), before);
}

TEST_F(StationProgrammingTest, AfterAnUnconfirmedWriteLeavingAsksFirstAndTheOldMemoryCanBePutBack)
{
    SimulatorOptions options = FastOptions();
    options.refuseSector = {SectorFault{9, 4}}; // the four sendings of the write, not the ones after
    // The controller holds another plan than the pages will: other times up front, another
    // account record at the end.
    Configuration other = DemoJunction();
    other.circularRedTime = 9;
    other.accountRecord = "OTHER";
    options.memory = ConfigurationImage::Encode(other);
    StartSimulator(options);
    StartStation(1);
    const ImageBytes before = m_sim->Memory();
    OpenDemoJunction();
    ClickToolbar(32771);
    ASSERT_TRUE(m_frame->ProgrammingMode());
    m_messages.Clear();
    ClickToolbar(32772);
    EXPECT_EQ(m_messages.Texts(), (Texts{"Отказ при записи ОДД", vlk::test::kNotWrittenText}));
    // Sectors 0-8 new, 9-14 old: a memory nobody wrote.
    const ImageBytes mixture = m_sim->Memory();
    ASSERT_NE(mixture, before);
    ASSERT_NE(mixture, PagesImage());
    EXPECT_TRUE(m_frame->WriteUnconfirmed());

    // Leaving asks first; Нет (the default) keeps the controller where it runs nothing.
    m_messages.Clear();
    m_messages.QueueAnswer(false);
    ClickToolbar(32771);
    EXPECT_EQ(m_messages.Entries(),
              (std::vector<RecordingMessages::Entry>{
                  {"Память контроллера записана не полностью: контроллер запустится с конфигурацией, которую никто "
                   "не записывал. Выйти из режима программирования?",
                   MessageIcon::Question, true}}));
    EXPECT_TRUE(m_frame->ProgrammingMode());
    EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);
    EXPECT_EQ(m_sim->Restarts(), 0);

    // The memory as it was goes back, from the backup read before the write.
    m_messages.Clear();
    ASSERT_TRUE(m_frame->Command(CMainFrame::ID_RESTORE_MEMORY)->isEnabled());
    ClickMenuItem(CMainFrame::ID_RESTORE_MEMORY);
    ASSERT_EQ(m_messages.Texts().size(), 2u);
    EXPECT_EQ(m_messages.Texts()[0].rfind("Записать в контроллер его прежнюю память (", 0), 0u) << m_messages.Texts()[0];
    EXPECT_EQ(m_messages.Texts()[1], "Запись ОДД закончена");
    EXPECT_EQ(m_sim->Memory(), before);
    EXPECT_FALSE(m_frame->WriteUnconfirmed());

    // Now leaving asks nothing, and the controller restarts on the memory it had.
    m_messages.Clear();
    ClickToolbar(32771);
    EXPECT_TRUE(m_messages.Entries().empty()) << m_messages.Texts().front();
    EXPECT_FALSE(m_frame->ProgrammingMode());
    EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);
    EXPECT_EQ(m_sim->Memory(), before);
}

} // namespace
} // namespace vlk::test
