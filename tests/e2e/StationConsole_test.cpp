#include "e2e/StationHarness.h"

#include "ui/pages/DeskTestSupport.h"

#include <QAction>

namespace vlk::test {
namespace {

// The console page of the running station, fed by the exchange the frame started.
TEST_F(StationTest, TheConsoleShowsTheJunctionAndCarriesTheOperatorsCommands)
{
    SimulatorOptions options = FastOptions();
    options.clock = SimulatorOptions::Clock{3, 7, 45, 0}; // Thursday 07:45
    StartSimulator(options);
    StartStation(1);
    CDeskWnd& desk = m_frame->Tabs().DeskPage();
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::ConsoleTab);

    ASSERT_TRUE(WaitFor([&] { return FieldText(desk, 1025) == QStringLiteral("Четверг"); }, 5s));
    EXPECT_EQ(FieldText(desk, 1023), QStringLiteral("07"));
    EXPECT_FALSE(FieldText(desk, 1041).isEmpty());
    EXPECT_TRUE(WaitFor([&] {
        return RowText(desk.LightsGrid(), 0, 24).contains(QStringLiteral("К"))
               || RowText(desk.LightsGrid(), 2, 24).contains(QStringLiteral("З"));
    }, 5s));

    // Control and phase 3: 0x43 after every frame.
    Click(desk.GetDlgItem(1040));
    Click(desk.GetDlgItem(1032));
    m_sim->ClearRecords();
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 3; }, 5s));
    for (const auto& command : m_sim->Commands())
        EXPECT_EQ(command.byte, 0x43);

    // The clock request goes out once as the six-byte message.
    Click(desk.GetDlgItem(1002));
    Click(desk.GetDlgItem(1003));
    ASSERT_TRUE(WaitFor([&] { return !m_sim->ClockMessages().empty(); }, 5s));
    const std::size_t commands = m_sim->Commands().size();
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= commands + 2; }, 5s));
    ASSERT_EQ(m_sim->ClockMessages().size(), 1u);
    EXPECT_TRUE(m_sim->ClockMessages()[0].valid);

    // Handing control back sends 0x00 and locks the buttons.
    Click(desk.GetDlgItem(1040));
    EXPECT_TRUE(desk.ControlLocked());
    m_sim->ClearRecords();
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));
    for (const auto& command : m_sim->Commands())
        EXPECT_EQ(command.byte, 0x00);
    EXPECT_TRUE(m_messages.Entries().empty());
}

// The operator's controls clicked through the station's window, and the byte the station puts on
// the line after every state frame, as the controller receives it.
TEST_F(StationTest, OperatorClicksPutTheirCommandBytesOnTheLineAfterEveryFrame)
{
    SimulatorOptions options = FastOptions();
    options.period = 200ms;
    StartSimulator(options);
    StartStation(1);
    CDeskWnd& desk = m_frame->Tabs().DeskPage();
    ASSERT_EQ(m_frame->Tabs().Selected(), CTabs::ConsoleTab);
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));

    // Clicks `id` and checks that from then on the answer to every frame is `byte`, alone.
    const auto clickAndExpect = [&](int id, std::uint8_t byte) {
        SCOPED_TRACE(testing::Message() << "control " << id << ", byte 0x" << std::hex << int(byte));
        QWidget* control = desk.GetDlgItem(id);
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(Reaches(control)) << "covered by " << AFormWnd::ItemId(WidgetAt(control, CentreOf(control)));
        Click(control);
        const auto sent = [&] {
            for (const auto& command : m_sim->Commands())
                if (command.byte == byte)
                    return true;
            return false;
        };
        ASSERT_TRUE(WaitFor(sent, 5s));
        m_sim->ClearRecords();
        ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 4; }, 5s));
        auto commands = m_sim->Commands();
        // An answer to a frame sent before the records were cleared may come first.
        if (!commands.empty() && commands.front().afterFrame == 0)
            commands.erase(commands.begin());
        ASSERT_GE(commands.size(), 3u);
        for (std::size_t i = 0; i < commands.size(); ++i) {
            EXPECT_EQ(commands[i].byte, byte) << i;
            EXPECT_EQ(commands[i].afterFrame, i + 1) << "one answer after every frame, " << i;
        }
        for (const auto& received : m_sim->Received())
            EXPECT_EQ(received.byte, byte);
    };

    clickAndExpect(1040, 0x40); // the control toggle: the operator takes control
    clickAndExpect(1032, 0x43); // phase 3
    clickAndExpect(1038, 0x50); // "ЖМ"
    clickAndExpect(1039, 0x60); // "ОС"
    clickAndExpect(1040, 0x00); // the toggle again: control handed back
    EXPECT_TRUE(desk.ControlLocked());
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(StationTest, ProgrammingModeHandsTheJunctionBackToTheController)
{
    StartSimulator(FastOptions());
    StartStation(1);
    CDeskWnd& desk = m_frame->Tabs().DeskPage();
    Click(desk.GetDlgItem(1040));
    Click(desk.GetDlgItem(1035));
    ASSERT_EQ(desk.Sink().CommandByte().load(), 0x46);

    m_frame->Command(32771)->trigger();
    ASSERT_TRUE(m_frame->ProgrammingMode());
    EXPECT_TRUE(desk.ControlLocked());
    EXPECT_EQ(desk.Sink().CommandByte().load(), 0x00);
    // The console went blank when the exchange stopped.
    EXPECT_EQ(FieldText(desk, 1023), QStringLiteral("0"));

    m_frame->Tabs().SelectPage(CTabs::ProgramsTab);
    m_frame->Command(32771)->trigger();
    ASSERT_FALSE(m_frame->ProgrammingMode());
    EXPECT_EQ(m_frame->Tabs().Selected(), CTabs::ConsoleTab);
    m_sim->ClearRecords();
    ASSERT_TRUE(WaitFor([&] { return m_sim->Commands().size() >= 2; }, 5s));
    for (const auto& command : m_sim->Commands())
        EXPECT_EQ(command.byte, 0x00);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"учетная запись\nУЗЕЛ 17"}));
}

} // namespace
} // namespace vlk::test
