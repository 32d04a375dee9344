// The memory transfer as the user meets it: toolbar clicks, real message boxes, a line that
// garbles or goes away while the sectors travel.
#include "e2e/StationHarness.h"
#include "support/LinkTexts.h"
#include "support/WindowInput.h"

#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "pages/ConfigPages.h"
#include "support/RecordingMessages.h"
#include "frame/QuitOnSignal.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <unistd.h>

namespace vlk::test {
namespace {

using Texts = std::vector<std::string>;

// Records every message and shows it as the station does, in a real modal box, so that the
// window system's enter and leave around a modal box take place.
class BoxRecorder final : public Messages {
public:
    void Show(const std::string& text, MessageIcon icon = MessageIcon::None) override
    {
        m_record.Show(text, icon);
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("ВЛК2.2_v4"), QString::fromStdString(text), QMessageBox::Ok,
                        owner);
        box.exec();
    }
    bool Ask(const std::string& text, MessageIcon icon = MessageIcon::Question) override
    {
        return m_record.Ask(text, icon);
    }
    [[nodiscard]] std::vector<std::string> Recorded() const { return m_record.Texts(); }

    QWidget* owner = nullptr;

private:
    RecordingMessages m_record;
};

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

long ResidentKilobytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class StationTransferTest : public StationTest {
protected:
    QWidget* Button(int command) { return m_frame->ToolBar()->widgetForAction(m_frame->Command(command)); }
    ImageBytes PagesImage() { return ConfigPages(m_frame->Tabs().Pages()).BuildImage(); }

    // The user's click on a toolbar button, the pointer coming from outside the button.
    void ClickButton(int command)
    {
        QWidget* button = Button(command);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(Reaches(button));
        Move(button, CentreOf(button));
        Click(button);
        // The command has run to its end (it may wait on the line in a loop of its own).
        ASSERT_TRUE(PumpUntil([&] { return !m_frame->Busy(); }, 60000));
    }

    void EnterProgrammingMode()
    {
        m_frame->Command(32771)->trigger();
        ASSERT_TRUE(m_frame->ProgrammingMode());
        m_messages.Clear();
    }

    // Adds to `cut` the status texts of a transfer that the panes beside them cut or overlap,
    // as the status bar stands now: the prompt pane's text must end before the first pane on its
    // right, and the progress bar's text fit in the bar.
    void NoteCutStatus(QStringList& cut)
    {
        QStatusBar* bar = m_frame->statusBar();
        auto* progress = bar->findChild<QProgressBar*>(QStringLiteral("transferProgress"));
        ASSERT_NE(progress, nullptr);
        if (!progress->isVisible())
            return;
        int panes = bar->width();
        for (QWidget* pane : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (pane->isVisible() && pane->x() > 0)
                panes = std::min(panes, pane->x());
        if (bar->fontMetrics().horizontalAdvance(bar->currentMessage()) + 8 > panes)
            cut << bar->currentMessage();
        if (progress->fontMetrics().horizontalAdvance(progress->text()) + 8 > progress->width())
            cut << progress->text();
    }

    // After a line fault: the station idles. CPU over two seconds of its event loop and the
    // growth of its resident memory stay small.
    void ExpectIdleAfterwards()
    {
        const double cpu = ProcessCpuSeconds();
        const long memory = ResidentKilobytes();
        QTest::qWait(2000);
        EXPECT_LT(ProcessCpuSeconds() - cpu, 0.2) << "seconds of CPU in 2 s";
        EXPECT_LT(ResidentKilobytes() - memory, 4096) << "kB of memory grown in 2 s";
        EXPECT_FALSE(m_frame->Busy());
    }
};

TEST_F(StationTransferTest, ProgressStaysInTheStatusBarThroughTheReadRetries)
{
    SimulatorOptions options = FastOptions();
    options.shortSectorRead = {SectorFault{3, 2}}; // sector 4: two bursts of 64 bytes, then whole
    StartSimulator(options);
    BoxRecorder boxes;
    m_frame = std::make_unique<CMainFrame>(boxes, m_dialogs);
    boxes.owner = m_frame.get();
    m_dialogs.ports = {0};
    m_frame->AskPortAndStart();
    ASSERT_TRUE(ShowAndActivate(m_frame.get()));

    // Every box is read and closed with Enter; the status bar is sampled all along, also while a
    // box is open.
    QStringList statuses;
    QStringList whileBoxOpen;
    QStringList cut;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        statuses << m_frame->statusBar()->currentMessage();
        NoteCutStatus(cut);
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        whileBoxOpen << m_frame->statusBar()->currentMessage();
        Key(box, Qt::Key_Return);
        statuses << m_frame->statusBar()->currentMessage();
    });
    user.start(2);

    ClickButton(32771);
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ProgrammingMode() && !m_frame->Busy(); }, 10000));
    statuses.clear();
    whileBoxOpen.clear();
    ClickButton(32773);
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->Busy() && m_sim->SectorsRead().size() >= 30; }, 20000));
    user.stop();

    EXPECT_EQ(boxes.Recorded(), (Texts{"учетная запись\nУЗЕЛ 17", "Кадр не прочитан!"}));
    EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
    ASSERT_EQ(whileBoxOpen.join(" | ").toStdString(), "Чтение ОДД: сектор 4 из 15");
    // From the first sector to the end of the read only progress texts, never "Готов" or the
    // prompt of the button under the pointer. The sampling timer may miss a quick sector on a
    // loaded machine, so the span starts at the first progress text seen.
    const auto isProgress = [](const QString& status) {
        return status.startsWith(QStringLiteral("Чтение ОДД: сектор "));
    };
    const qsizetype first = std::find_if(statuses.begin(), statuses.end(), isProgress) - statuses.begin();
    ASSERT_LT(first, statuses.size()) << statuses.join(" | ").toStdString();
    const qsizetype last = statuses.lastIndexOf(QStringLiteral("Чтение ОДД: сектор 15 из 15"));
    ASSERT_GT(last, first);
    for (qsizetype i = first; i <= last; ++i)
        EXPECT_TRUE(isProgress(statuses[i])) << statuses[i].toStdString();
    EXPECT_TRUE(statuses.contains(QStringLiteral("Чтение ОДД: сектор 4 из 15")));
    m_frame.reset(); // it shows its messages through `boxes`
}

TEST_F(StationTransferTest, AGarbledToggleReplyNeverBringsAWrongImageIntoThePages)
{
    // The garbled 0xFF makes the station toggle again: the controller leaves and re-enters
    // programming mode, and the rest of a frame and a second account record are still on the
    // line when the read begins.
    SimulatorOptions options = FastOptions();
    options.pace = true;
    options.period = 1000ms;
    options.toggleReply = SimulatorOptions::ToggleReply{0x12, 1};
    StartSimulator(options);
    StartStation(0);
    const ImageBytes before = PagesImage();
    m_frame->Command(32771)->trigger();
    ASSERT_TRUE(m_frame->ProgrammingMode());
    // Where the garbled reply falls decides whether the third toggle found the controller in or
    // out of programming mode (the station takes any non-zero third reply); either way no wrong
    // image may come in.
    m_messages.Clear();
    m_frame->Command(32773)->trigger();
    const ImageBytes memory = m_sim->Memory();
    const Texts texts = m_messages.Texts();
    if (std::find(texts.begin(), texts.end(), "Отказ при чтении ОДД") != texts.end()) {
        EXPECT_EQ(PagesImage(), before);
    } else {
        EXPECT_EQ(PagesImage(), memory);
    }
    // Either way the image in the pages is never one the controller does not hold.
    const ImageBytes shown = PagesImage();
    EXPECT_TRUE(shown == memory || shown == before);
}

TEST_F(StationTransferTest, ANoisyLineWritesNothingWhenTheMemoryAsItIsCannotBeRead)
{
    SimulatorOptions options = FastOptions();
    options.noisePerMille = 20; // about one sector read in thirteen arrives clean
    StartSimulator(options);
    StartStation(0);
    EnterProgrammingMode();
    ASSERT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);
    const ImageBytes before = m_sim->Memory();
    ClickButton(32772);
    // Without the memory as it was kept, not a sector goes out.
    EXPECT_TRUE(m_sim->SectorsWritten().empty());
    EXPECT_EQ(m_sim->Memory(), before);
    const Texts texts = m_messages.Texts();
    ASSERT_EQ(texts.size(), 1u) << texts.front();
    EXPECT_EQ(texts[0].rfind("Прежняя память контроллера не прочитана: сектор ", 0), 0u) << texts[0];
    EXPECT_NE(texts[0].find("; запись ОДД не начата, память контроллера не тронута"), std::string::npos) << texts[0];
    EXPECT_EQ(m_messages.Entries()[0].icon, MessageIcon::Stop);
    // Programming mode stays on, for another try; leaving asks nothing, the memory is untouched.
    EXPECT_TRUE(m_frame->ProgrammingMode());
    EXPECT_FALSE(m_frame->WriteUnconfirmed());
}

TEST_F(StationTransferTest, AWriteKeepsTheMemoryAsItWasAndConfirmsTheNewOne)
{
    StartSimulator(FastOptions());
    StartStation(0);
    EnterProgrammingMode();
    const ImageBytes before = m_sim->Memory();
    const ImageBytes pages = PagesImage();
    ASSERT_NE(before, pages);
    ClickButton(32772);
    EXPECT_EQ(m_messages.Texts(), (Texts{"Запись ОДД закончена"}));
    EXPECT_EQ(m_sim->Memory(), pages);
    // Every sector was read twice before the first one was written.
    const auto reads = m_sim->SectorsRead();
    const auto writes = m_sim->SectorsWritten();
    ASSERT_GE(reads.size(), 30u);
    ASSERT_EQ(writes.size(), 15u);
    EXPECT_LT(reads[29].time, writes[0].time);
    const QStringList backups = Backups();
    ASSERT_EQ(backups.size(), 1);
    QFile kept(QString::fromStdString(m_state + "/vlk-station/backups/") + backups[0]);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QByteArray bytes = kept.readAll();
    ASSERT_EQ(bytes.size(), 1920);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), reinterpret_cast<const std::uint8_t*>(bytes.constData())));
    EXPECT_FALSE(m_frame->WriteUnconfirmed());
}

TEST_F(StationTransferTest, EveryPartOfAWriteStandsWholeInTheStatusBar)
{
    SimulatorOptions options = FastOptions();
    options.pace = true; // sectors at the line's pace, so that every part is seen
    options.period = 250ms;
    StartSimulator(options);
    StartStation(0);
    ClickButton(32771);
    ASSERT_TRUE(m_frame->ProgrammingMode());
    // A read first: the fingerprints pane then names the controller's memory too, its widest.
    ClickButton(32773);
    m_messages.Clear();

    QStringList cut;
    QStringList parts;
    QTimer sampler;
    auto* progress = m_frame->statusBar()->findChild<QProgressBar*>(QStringLiteral("transferProgress"));
    ASSERT_NE(progress, nullptr);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (progress->isVisible() && !parts.contains(progress->text().section(QStringLiteral(":"), 0, 0)))
            parts << progress->text().section(QStringLiteral(":"), 0, 0);
        NoteCutStatus(cut);
    });
    sampler.start(5);
    // A loaded machine may stall the paced simulator past the 20 ms gap in the backup read:
    // the station then begins nothing, rightly, and the write is clicked again.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        m_messages.Clear();
        parts.clear();
        ClickButton(32772);
        if (m_messages.Texts().empty() ||
            m_messages.Texts()[0].rfind("Прежняя память контроллера не прочитана", 0) != 0)
            break;
    }
    sampler.stop();
    EXPECT_EQ(m_messages.Texts(), (Texts{"Запись ОДД закончена"}));
    EXPECT_EQ(parts, (QStringList{QStringLiteral("Чтение прежней ОДД"), QStringLiteral("Чтение прежней ОДД (сверка)"),
                                  QStringLiteral("Запись ОДД"), QStringLiteral("Проверка ОДД")}));
    EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
}

TEST_F(StationTransferTest, ATermDuringAWriteClosesTheStationOnceTheWriteHasEnded)
{
    SimulatorOptions options = FastOptions();
    options.pace = true;
    options.period = 250ms;
    StartSimulator(options);
    const ImageBytes before = m_sim->Memory();
    // A loaded machine may stall the paced simulator past the 20 ms gap in the check, which the
    // station then rightly leaves unconfirmed; a fresh station tries again. A TERM that broke
    // the write would break every try.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        m_frame.reset();
        m_messages.Clear();
        StartStation(0);
        ClickButton(32771);
        ASSERT_TRUE(m_frame->ProgrammingMode());
        m_messages.Clear();
        const ImageBytes image = PagesImage(); // empty pages: not the simulator's junction
        ASSERT_NE(before, image);

        QuitOnSignal onSignal;
        QObject::connect(&onSignal, &QuitOnSignal::Requested, m_frame.get(), &CMainFrame::CloseUnasked);
        m_sim->ClearRecords();
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (m_sim->SectorsWritten().size() >= 3) {
                watch.stop();
                ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
            }
        });
        watch.start(2);
        ClickButton(32772);
        // The write went on to its end, and only then did the station close.
        EXPECT_TRUE(WaitFor([&] { return !m_frame->isVisible(); }, 7s));
        EXPECT_FALSE(watch.isActive()) << "no TERM was sent";
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);
        const Texts texts = m_messages.Texts();
        ASSERT_EQ(texts.size(), 1u);
        if (attempt < 3 && texts[0].find("не прочитан, проверка прервана") != std::string::npos) {
            std::printf("attempt %d: %s\n", attempt, texts[0].c_str());
            continue;
        }
        EXPECT_EQ(texts, (Texts{"Запись ОДД закончена"}));
        EXPECT_EQ(m_sim->Memory(), image);
        break;
    }
}

// The line goes away while the sectors travel: each transfer ends with its failure messages, a
// bounded number of them, and the station idles afterwards.
class StationTransferHangUpTest : public StationTransferTest {
protected:
    void StartPaced()
    {
        SimulatorOptions options = FastOptions();
        options.pace = true;
        options.period = 250ms; // the entry toggle follows a frame, well before the next
        StartSimulator(options);
        StartStation(0);
        EnterProgrammingMode();
    }
    // The line drops at a given point of the transfer, however fast the machine runs it: the
    // simulator is watched while the command waits on the line.
    void HangUpWhen(std::function<bool()> point)
    {
        m_watch = std::make_unique<QTimer>();
        QObject::connect(m_watch.get(), &QTimer::timeout, [this, point] {
            if (point()) {
                m_sim->HangUpNow();
                m_watch->stop();
            }
        });
        m_watch->start(2);
    }
    // The user's command, clicked again when it ended with the line still there: on a loaded
    // machine the paced simulator can stall past the station's 20 ms gap, a sector then fails to
    // read the same twice and the station stops safely (a write not even begun) before the point
    // where the line is to go. That is right, and not the fault under test.
    void ClickUntilTheLineGoes(int command)
    {
        for (int attempt = 1; attempt <= 3; ++attempt) {
            ClickButton(command);
            if (m_sim->HungUp() || attempt == 3)
                return;
            std::printf("attempt %d ended before the line went: %s\n", attempt,
                        m_messages.Texts().empty() ? "no message" : m_messages.Texts()[0].c_str());
            m_messages.Clear();
            m_sim->ClearRecords();
        }
    }
    std::unique_ptr<QTimer> m_watch;
};

TEST_F(StationTransferHangUpTest, DuringTheWriteOneBoxThenAControllerRestartedOnThePortIsFollowed)
{
    StartPaced();
    const ImageBytes before = m_sim->Memory();
    HangUpWhen([&] { return m_sim->SectorsWritten().size() >= 5; });
    ClickUntilTheLineGoes(32772);
    ASSERT_TRUE(m_sim->HungUp());
    const std::size_t written = m_sim->SectorsWritten().size();
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, 15u) << "the line went away after the write";
    // One box that sums it up, not one per retry.
    const Texts texts = m_messages.Texts();
    ASSERT_EQ(texts.size(), 1u) << texts.back();
    EXPECT_EQ(texts[0].rfind("Связь с контроллером потеряна во время записи ОДД (подтверждено секторов: ", 0), 0u)
        << texts[0];
    EXPECT_NE(texts[0].find("Контроллер остался в режиме программирования и не запустится с не полностью "
                            "записанной памятью"),
              std::string::npos)
        << texts[0];
    // The controller holds a mixture and stays in programming mode, where it runs nothing.
    EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);
    EXPECT_NE(m_sim->Memory(), before);
    EXPECT_TRUE(m_frame->ProgrammingMode());
    EXPECT_TRUE(m_frame->WriteUnconfirmed());
    ExpectIdleAfterwards();

    // Someone restarts the controller and plugs the line back in: it runs again, in normal mode.
    m_messages.Clear();
    m_sim->RestartNow();
    m_path = m_sim->OpenPty();
    ASSERT_FALSE(m_path.empty());
    setenv("VLK_COM1", m_path.c_str(), 1);
    ASSERT_TRUE(m_sim->Start());
    const auto start = std::chrono::steady_clock::now();
    ClickButton(32772);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
    // The station follows it: one message, normal mode, the exchange running again; nothing of a
    // sector write went to the running junction.
    ASSERT_EQ(m_messages.Texts().size(), 1u) << m_messages.Texts().back();
    EXPECT_EQ(m_messages.Texts()[0].rfind("Контроллер работает в обычном режиме (он был перезапущен): режим "
                                          "программирования выключен. Его память записана не полностью",
                                          0),
              0u)
        << m_messages.Texts()[0];
    EXPECT_FALSE(m_frame->ProgrammingMode());
    EXPECT_EQ(m_sim->SectorsWritten().size(), written);
    EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);
    ASSERT_TRUE(WaitFor([&] { return m_frame->ExchangeRunning() && m_sim->Commands().size() >= 2; }, 5s));

    // Into programming mode again: the account record is the controller's, not bytes of a frame.
    m_messages.Clear();
    ClickButton(32771);
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ProgrammingMode() && !m_frame->Busy(); }, 10000));
    EXPECT_EQ(m_messages.Texts(), (Texts{"учетная запись\nУЗЕЛ 17"}));
}

TEST_F(StationTransferHangUpTest, DuringTheCheckAfterTheWrite)
{
    StartPaced();
    // The backup read (each sector twice), the write, three sectors of the check.
    HangUpWhen([&] { return m_sim->SectorsRead().size() >= 30 + 3; });
    ClickUntilTheLineGoes(32772);
    ASSERT_TRUE(m_sim->HungUp());
    ASSERT_EQ(m_sim->SectorsWritten().size(), 15u) << "the line went away before the check";
    const Texts texts = m_messages.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("Связь с контроллером потеряна во время записи ОДД (все 15 секторов подтверждены, "
                             "проверка не закончена).\n",
                             0),
              0u)
        << texts[0];
    EXPECT_TRUE(m_frame->WriteUnconfirmed());
    ExpectIdleAfterwards();
}

TEST_F(StationTransferHangUpTest, DuringTheRead)
{
    StartPaced();
    const ImageBytes before = PagesImage();
    HangUpWhen([&] { return m_sim->SectorsRead().size() >= 6; });
    ClickUntilTheLineGoes(32773);
    ASSERT_TRUE(m_sim->HungUp());
    EXPECT_GT(m_sim->SectorsRead().size(), 0u);
    ASSERT_EQ(m_messages.Texts().size(), 1u);
    EXPECT_EQ(m_messages.Texts()[0].rfind("Связь с контроллером потеряна во время чтения ОДД (прочитано секторов: ", 0),
              0u)
        << m_messages.Texts()[0];
    EXPECT_EQ(PagesImage(), before);
    ExpectIdleAfterwards();
}

TEST_F(StationTransferTest, AControllerRestartedWhileIdleInProgrammingModeIsFollowedWithOneMessage)
{
    StartSimulator(FastOptions());
    StartStation(0);
    EnterProgrammingMode();
    m_sim->RestartNow(); // a power cut at the cabinet: frames come unasked
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->ProgrammingMode(); }, 8000));
    EXPECT_EQ(m_messages.Texts(),
              (Texts{"Контроллер работает в обычном режиме (он был перезапущен): режим программирования выключен"}));
    ASSERT_TRUE(WaitFor([&] { return m_frame->ExchangeRunning() && m_sim->Commands().size() >= 2; }, 5s));
    EXPECT_TRUE(m_sim->SectorsRead().empty()) << "no read command (0x50 is \"ЖМ\") went to the running junction";
}

} // namespace
} // namespace vlk::test
