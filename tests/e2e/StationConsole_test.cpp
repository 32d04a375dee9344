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

TEST_F(StationTest, ProgrammingModeHandsTheJunctionBackToTheController)
{
    StartSimulator(FastOptions());
    StartStation(1);
    CDeskWnd& desk = m_frame->Tabs().DeskPage();
    Click(desk.GetDlgItem(1040));
    Click(desk.GetDlgItem(1035));
    ASSERT_EQ(desk.CommandByte().load(), 0x46);

    m_frame->Command(32771)->trigger();
    ASSERT_TRUE(m_frame->ProgrammingMode());
    EXPECT_TRUE(desk.ControlLocked());
    EXPECT_EQ(desk.CommandByte().load(), 0x00);
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
