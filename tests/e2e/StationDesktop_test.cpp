// What the window tells about the controller work, against the simulator: the title after a
// memory read and what "Сохранить" does then.
#include "e2e/StationHarness.h"

#include "config/ConfigurationImage.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>

namespace vlk::test {
namespace {

const QString kTitle = QStringLiteral("Система программирования дорожных контроллеров ВЛК2.2_v4");

class StationDesktopTest : public StationTest {
protected:
    void EnterProgramming()
    {
        ClickToolbar(CMainFrame::ID_PROGRAMMING_MODE);
        ASSERT_TRUE(PumpUntil([&] { return m_frame->ProgrammingMode() && !m_frame->Busy(); }, 10000));
        m_messages.Clear();
    }
    QTemporaryDir m_dir;
};

TEST_F(StationDesktopTest, AfterAReadTheTitleNamesTheControllerAndSaveAsksForAName)
{
    StartSimulator(FastOptions());
    StartStation(0);
    // A file open first: the read must not leave "Сохранить" writing over it.
    const QString path = m_dir.filePath(QStringLiteral("junction.vlk"));
    {
        const ImageBytes fresh = ConfigurationImage::Encode(Configuration::FreshStart());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(fresh.data()), static_cast<qint64>(fresh.size()));
    }
    m_dialogs.openNames = {path};
    Key(m_frame.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(m_frame->windowTitle(), QStringLiteral("junction.vlk — ") + kTitle);
    const QByteArray before = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    EnterProgramming();
    ClickToolbar(CMainFrame::ID_READ_MEMORY);
    ASSERT_TRUE(PumpUntil([&] { return m_sim->SectorsRead().size() >= 15 && !m_frame->Busy(); }, 20000));
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("ОДД контроллера (COM1) — ") + kTitle);

    Key(m_frame.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs.saveAsked, 1) << "the pages no longer hold the file: its name is asked";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(StationDesktopTest, ProgrammingModeIsToldInTheStatusBarAndOnTheConsoleWhileItLasts)
{
    StartSimulator(FastOptions());
    StartStation(1);
    auto* mode = m_frame->statusBar()->findChild<QLabel*>(QStringLiteral("programmingMode"));
    ASSERT_NE(mode, nullptr);
    EXPECT_FALSE(mode->isVisible());

    // F6 from the window: the key of the "Контроллер" menu's item.
    Key(m_frame.get(), Qt::Key_F6);
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ProgrammingMode() && !m_frame->Busy(); }, 10000));
    EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);
    EXPECT_TRUE(mode->isVisible());
    EXPECT_EQ(mode->text(), QStringLiteral("Режим программирования"));
    // It stays whatever the prompt pane says meanwhile.
    m_frame->statusBar()->showMessage(QStringLiteral("Открыть файл"));
    EXPECT_TRUE(mode->isVisible());

    m_frame->Tabs().SelectPage(CTabs::ConsoleTab);
    QLabel* note = m_frame->Console().ExchangeNote();
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return note->isVisible(); }));
    EXPECT_TRUE(note->text().startsWith(QStringLiteral("Обмен данными остановлен: контроллер в режиме программирования")))
        << note->text().toStdString();
    EXPECT_TRUE(Reaches(note)) << "the note is on top of the page";

    // F6 again: the controller restarts, the exchange runs and both go.
    Key(m_frame.get(), Qt::Key_F6);
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->ProgrammingMode() && !m_frame->Busy(); }, 10000));
    EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);
    EXPECT_TRUE(m_frame->ExchangeRunning());
    EXPECT_FALSE(mode->isVisible());
    EXPECT_FALSE(note->isVisible());
}

// Every text the transfer's progress bar takes, in order, with whether it was on the screen.
class ProgressLog {
public:
    explicit ProgressLog(QProgressBar* bar) : m_bar(bar)
    {
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [this] { Take(); });
    }
    void Take()
    {
        const QString text = m_bar->text();
        if (m_texts.isEmpty() || m_texts.back() != text)
            m_texts << text;
        m_allShown = m_allShown && m_bar->isVisible();
    }
    [[nodiscard]] QStringList Texts() const { return m_texts; }
    [[nodiscard]] bool AllShown() const { return m_allShown; }

private:
    QProgressBar* m_bar;
    QStringList m_texts;
    bool m_allShown = true;
};

QStringList Part(const QString& name)
{
    QStringList texts;
    for (int k = 1; k <= 15; ++k)
        texts << QStringLiteral("%1: сектор %2 из 15").arg(name).arg(k);
    return texts;
}

TEST_F(StationDesktopTest, ReadAndWriteShowTheirPartsInAProgressBarBesideTheStatusText)
{
    StartSimulator(FastOptions());
    StartStation(0);
    auto* bar = m_frame->statusBar()->findChild<QProgressBar*>(QStringLiteral("transferProgress"));
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVisible());
    EnterProgramming();

    {
        ProgressLog log(bar);
        Key(m_frame.get(), Qt::Key_F8);
        ASSERT_TRUE(PumpUntil([&] { return m_sim->SectorsRead().size() >= 30 && !m_frame->Busy(); }, 20000));
        // The first pass, then the second that checks it, sector by sector.
        EXPECT_EQ(log.Texts(), Part(QStringLiteral("Чтение ОДД")) + Part(QStringLiteral("Чтение ОДД (сверка)")));
        EXPECT_TRUE(log.AllShown());
        EXPECT_FALSE(bar->isVisible()) << "the bar goes with the transfer";
        EXPECT_EQ(m_frame->statusBar()->currentMessage(), QStringLiteral("Готов"));
    }
    {
        ProgressLog log(bar);
        Key(m_frame.get(), Qt::Key_F7);
        ASSERT_TRUE(PumpUntil([&] { return !m_frame->Busy(); }, 30000));
        ASSERT_EQ(m_messages.Texts().back(), "Запись ОДД закончена");
        EXPECT_EQ(log.Texts(), Part(QStringLiteral("Чтение прежней ОДД")) +
                                   Part(QStringLiteral("Чтение прежней ОДД (сверка)")) + Part(QStringLiteral("Запись ОДД")) +
                                   Part(QStringLiteral("Проверка ОДД")));
        EXPECT_FALSE(bar->isVisible());
    }
}

} // namespace
} // namespace vlk::test
