#pragma once

#include "frame/MainFrm.h"
#include "e2e/ScriptedDialogs.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"
#include "ControllerSimulator.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>

namespace vlk::test {

using namespace std::chrono_literals;

// The whole station (its main frame with every page) against the simulator on a pty, the user's
// answers given through the dialog and message seams.
class StationTest : public ::testing::Test {
protected:
    static SimulatorOptions FastOptions()
    {
        SimulatorOptions options;
        options.period = 100ms;
        options.pace = false;
        options.account = std::string("\xD3\xC7\xC5\xCB 17"); // "УЗЕЛ 17" in Windows-1251
        return options;
    }

    // Starts the simulator on a fresh pty and points COM1 (or COM2) at it.
    void StartSimulator(const SimulatorOptions& options, const char* variable = "VLK_COM1")
    {
        m_sim = std::make_unique<ControllerSimulator>(options);
        m_path = m_sim->OpenPty();
        ASSERT_FALSE(m_path.empty()) << m_sim->LastError();
        setenv(variable, m_path.c_str(), 1);
        ASSERT_TRUE(m_sim->Start());
    }

    // Creates the frame and answers the port dialog with `port` (0: Cancel).
    void StartStation(int port)
    {
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        m_dialogs.ports = {port};
        m_frame->AskPortAndStart();
        ASSERT_TRUE(ShowAndActivate(m_frame.get()));
    }

    // The user's click on a toolbar button, through the window; waits until the command has run
    // to its end (it may wait on the line in a loop of its own).
    void ClickToolbar(int command)
    {
        QWidget* button = m_frame->ToolBar()->widgetForAction(m_frame->Command(command));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(Reaches(button));
        Move(button, CentreOf(button));
        Click(button);
        ASSERT_TRUE(PumpUntil([&] { return !m_frame->Busy(); }, 60000));
    }
    // Opens the menu holding the command from the menu bar and clicks its item; waits as above.
    void ClickMenuItem(int id)
    {
        QAction* action = m_frame->Command(id);
        ASSERT_NE(action, nullptr);
        QMenu* menu = nullptr;
        for (QObject* object : action->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(object))
                menu = m;
        ASSERT_NE(menu, nullptr);
        QMenuBar* bar = m_frame->menuBar();
        Click(bar, CentreOf(bar->actionGeometry(menu->menuAction())));
        ASSERT_TRUE(PumpUntil([&] { return menu->isVisible(); }));
        Click(menu, CentreOf(menu->actionGeometry(action)));
        ASSERT_TRUE(PumpUntil([&] { return !m_frame->Busy(); }, 60000));
        if (menu->isVisible()) {
            Key(menu, Qt::Key_Escape);
            PumpUntil([&] { return !menu->isVisible(); });
        }
    }

    // Waits for the simulator while the UI thread keeps serving the console's updates.
    bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
    {
        return QTest::qWaitFor(condition, static_cast<int>(limit.count()));
    }

    // How many descriptors of this process lead to the simulator's pty: the simulator holds one,
    // a station that has opened the line one more.
    [[nodiscard]] int OpenedLine() const
    {
        int count = 0;
        char target[4096];
        QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
            const QByteArray link = fds.filePath(fd).toLocal8Bit();
            const ssize_t n = readlink(link.constData(), target, sizeof target - 1);
            if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == m_path)
                ++count;
        }
        return count;
    }

    // The backups and marks of this test's writes go to a folder of its own: a pty number comes
    // back in the next test, and a mark left by one test must never speak to another.
    void SetUp() override
    {
        m_state = QDir::temp().filePath(QStringLiteral("vlk-station-state-XXXXXX")).toStdString();
        ASSERT_NE(::mkdtemp(m_state.data()), nullptr);
        setenv("XDG_STATE_HOME", m_state.c_str(), 1);
    }

    void TearDown() override
    {
        m_frame.reset();
        if (m_sim)
            m_sim->Stop();
        unsetenv("VLK_COM1");
        unsetenv("VLK_COM2");
        QDir(QString::fromStdString(m_state)).removeRecursively();
    }

    // The backups kept under this test's state folder.
    [[nodiscard]] QStringList Backups() const
    {
        return QDir(QString::fromStdString(m_state + "/vlk-station/backups")).entryList(QDir::Files, QDir::Name);
    }

    std::string m_state;

    RecordingMessages m_messages;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<ControllerSimulator> m_sim;
    std::string m_path;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace vlk::test
