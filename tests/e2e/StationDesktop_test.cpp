// What the window tells about the controller work, against the simulator: the title after a
// memory read and what "Сохранить" does then.
#include "e2e/StationHarness.h"

#include "config/ConfigurationImage.h"

#include <QFile>
#include <QLabel>
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

} // namespace
} // namespace vlk::test
