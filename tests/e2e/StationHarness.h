#pragma once

#include "frame/MainFrm.h"
#include "e2e/ScriptedDialogs.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"
#include "ControllerSimulator.h"

#include <QDir>
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
        m_frame = std::make_unique<CMainFrame>(m_lock, m_messages, m_dialogs);
        m_dialogs.ports = {port};
        m_frame->AskPortAndStart();
        ASSERT_TRUE(ShowAndActivate(m_frame.get()));
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

    void TearDown() override
    {
        m_frame.reset();
        if (m_sim)
            m_sim->Stop();
        unsetenv("VLK_COM1");
        unsetenv("VLK_COM2");
    }

    std::mutex m_lock;
    RecordingMessages m_messages;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<ControllerSimulator> m_sim;
    std::string m_path;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace vlk::test
