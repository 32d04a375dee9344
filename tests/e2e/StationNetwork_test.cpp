// The station on a controller behind a network serial server, the address typed into the port
// dialog by the user: the exchange and programming mode through ser2net's raw and RFC 2217
// accepters. Skipped where ser2net cannot start.
#include "e2e/StationHarness.h"
#include "frame/QuestionWnd.h"
#include "frame/StandardDialogs.h"
#include "support/SerialServer.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>

namespace vlk::test {
namespace {

TEST_F(StationTest, AnAddressTypedInThePortDialogRunsTheStationThroughTheServer)
{
    StartSimulator(FastOptions());
    SerialServer server;
    if (!server.Start(m_path))
        GTEST_SKIP() << "SKIP: " << server.Why();

    for (const std::string& address : {server.TelnetAddress(), server.RawAddress()}) {
        SCOPED_TRACE(address);
        StandardDialogs dialogs;
        m_frame = std::make_unique<CMainFrame>(m_messages, dialogs);
        bool answered = false;
        // The user answers the dialog when it is up: "Другой порт…", the address, Enter.
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<CQuestionWnd*>(QApplication::activeModalWidget());
            if (!dialog || answered || !ShowAndActivate(dialog))
                return;
            answered = true;
            Click(dialog->Other());
            Click(dialog->AddressField());
            Type(dialog->AddressField(), QString::fromStdString(address));
            Key(dialog, Qt::Key_Return);
        });
        poll.start();
        m_frame->AskPortAndStart();
        poll.stop();
        ASSERT_TRUE(answered);
        ASSERT_TRUE(ShowAndActivate(m_frame.get()));
        EXPECT_EQ(m_frame->PortNumber(), 3);
        EXPECT_EQ(m_frame->PortName(), address);
        EXPECT_TRUE(m_frame->ExchangeRunning());

        m_sim->ClearRecords();
        ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 3; }, 10s));

        // Programming mode on and off through the toolbar, over the same address.
        ClickToolbar(CMainFrame::ID_PROGRAMMING_MODE);
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);
        EXPECT_TRUE(m_frame->Command(CMainFrame::ID_PROGRAMMING_MODE)->isChecked());
        ClickToolbar(CMainFrame::ID_PROGRAMMING_MODE);
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);
        ASSERT_TRUE(WaitFor([&] { return m_frame->ExchangeRunning(); }, 5s));
        m_sim->ClearRecords();
        EXPECT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 10s));

        // Only the account record was shown: no failure on the way.
        for (const auto& entry : m_messages.Entries())
            EXPECT_NE(entry.text.find("учетная запись"), std::string::npos) << entry.text;
        m_frame.reset(); // before the dialogs it was made with
    }
}

} // namespace
} // namespace vlk::test
