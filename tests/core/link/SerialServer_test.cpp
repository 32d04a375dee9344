// The line through a real network serial server (ser2net) in front of the simulator's pty: the
// exchange, programming mode and the verified write and read over a raw TCP and an RFC 2217
// accepter, and the server killed in the middle of them. Skipped where ser2net cannot start.
#include "ControllerSimulator.h"
#include "RecordingConsole.h"
#include "link/MemoryTransfer.h"
#include "link/ProgrammingMode.h"
#include "link/SafeWrite.h"
#include "link/ThreadPort.h"
#include "support/RecordingMessages.h"
#include "support/SerialServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <future>
#include <iterator>

namespace vlk {
namespace {

using namespace std::chrono_literals;
using test::RecordingConsole;
using test::SerialServer;

ImageBytes JunctionImage()
{
    std::ifstream in(std::string(VLK_TEST_DATA_DIR) + "/junction/junction.vlk", std::ios::binary);
    ImageBytes image{};
    in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return image;
}

// The demo junction's memory with a run of 0xFF bytes more: still a junction the simulator can
// run, and rich in the one byte Telnet must double.
ImageBytes ImageToWrite()
{
    ImageBytes image = JunctionImage();
    for (std::size_t i = 1800; i < 1830; ++i)
        image[i] = 0xFF;
    return image;
}

class SerialServerLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimulatorOptions options;
        options.period = 200ms;
        options.pace = false;
        m_sim = std::make_unique<ControllerSimulator>(options);
        const std::string pty = m_sim->OpenPty();
        ASSERT_FALSE(pty.empty()) << m_sim->LastError();
        ASSERT_TRUE(m_sim->Start());
        if (!m_server.Start(pty))
            GTEST_SKIP() << "SKIP: " << m_server.Why();
    }

    std::unique_ptr<ControllerSimulator> m_sim;
    SerialServer m_server;
};

std::vector<std::string> Addresses(const SerialServer& server)
{
    return {server.RawAddress(), server.TelnetAddress()};
}

TEST_F(SerialServerLine, TheExchangeShowsTheControllersFramesAndAnswersThem)
{
    for (const std::string& address : Addresses(m_server)) {
        SCOPED_TRACE(address);
        m_sim->ClearRecords();
        RecordingConsole console;
        console.CommandByte() = 0x43; // phase 3 called by the operator
        RecordingMessages messages;
        CLine line;
        CThreadPort worker(console, address, messages, line, 1);
        ASSERT_TRUE(worker.Start());
        ASSERT_TRUE(m_sim->WaitUntil(
            [&] {
                const auto commands = m_sim->Commands();
                return std::count_if(commands.begin(), commands.end(),
                                     [](const auto& c) { return c.byte == 0x43; }) >= 4;
            },
            10s));
        worker.StopAndWait(0ms);
        EXPECT_TRUE(messages.Entries().empty());
        // Every frame shown whole is one the controller sent, byte for byte.
        const auto sent = m_sim->Frames();
        int whole = 0;
        for (const auto& shown : console.ShownGroups()) {
            if (shown.group != FrameGroup::Status)
                continue;
            const bool match = std::any_of(sent.begin(), sent.end(), [&](const auto& frame) {
                return std::equal(frame.bytes.begin(), frame.bytes.end(), shown.raw.begin(), shown.raw.end());
            });
            whole += match;
        }
        EXPECT_GE(whole, 3);
    }
}

TEST_F(SerialServerLine, AVerifiedWriteAndReadCarryTheMemoryAndItsFFBytes)
{
    const ImageBytes written = ImageToWrite();
    ASSERT_GT(std::count(written.begin(), written.end(), 0xFF), 100);
    for (const std::string& address : Addresses(m_server)) {
        SCOPED_TRACE(address);
        RecordingMessages messages;
        CPort port;
        ImageBytes image = written;
        image[1900] = address.front() == 't' ? 0x01 : 0x02; // a memory the controller has not got yet
        const WriteSession session = WriteAndRestart(port, address, messages, image);
        EXPECT_EQ(session.outcome.result, WriteResult::Written);
        EXPECT_TRUE(session.restarted);
        EXPECT_EQ(m_sim->Memory(), image);
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);

        // Read back through the same server: programming mode on, the memory, programming mode off.
        RecordingMessages readMessages;
        CPort reader;
        const ProgrammingEntry entry = EnterProgrammingMode(reader, address, readMessages);
        ASSERT_TRUE(entry.Accepted());
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);
        const std::optional<ImageBytes> read = ReadControllerMemory(reader, readMessages);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, image);
        EXPECT_TRUE(ExitProgrammingMode(reader, readMessages, 0ms));
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);
    }
}

TEST_F(SerialServerLine, TheServerKilledInTheExchangeIsALostLineThatComesBack)
{
    for (const std::string& address : Addresses(m_server)) {
        SCOPED_TRACE(address);
        RecordingConsole console;
        RecordingMessages messages;
        CLine line;
        CThreadPort worker(console, address, messages, line, 1);
        worker.SetSilentPass(300ms);
        ASSERT_TRUE(worker.Start());
        m_sim->ClearRecords();
        ASSERT_TRUE(m_sim->WaitUntil([&] { return m_sim->Commands().size() >= 2; }, 10s));

        m_server.Kill();
        ASSERT_TRUE(m_sim->WaitUntil([&] { return !console.LineLost().empty() && console.LineLost().back(); }, 5s));
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);

        // A few passes with the server gone: each one knocks on a closed port, quietly.
        std::this_thread::sleep_for(1s);
        ASSERT_TRUE(m_server.Restart()) << m_server.Why();
        m_sim->ClearRecords();
        ASSERT_TRUE(m_sim->WaitUntil([&] { return m_sim->Commands().size() >= 2; }, 10s));
        worker.StopAndWait(0ms);
        const std::vector<bool> told = console.LineLost();
        ASSERT_FALSE(told.empty());
        EXPECT_FALSE(told.back());
        // The loss is told once on the console and no box is raised for it.
        EXPECT_EQ(std::count(told.begin(), told.end(), true), 1);
        EXPECT_TRUE(messages.Entries().empty());
    }
}

TEST_F(SerialServerLine, TheServerKilledInAWriteLeavesTheControllerProgrammingAndNeverSaysWritten)
{
    const ImageBytes original = m_sim->Memory();
    for (const std::string& address : Addresses(m_server)) {
        SCOPED_TRACE(address);
        ImageBytes image = ImageToWrite();
        image[1901] = address.front() == 't' ? 0x11 : 0x12;
        RecordingMessages messages;
        CPort port;
        const auto progress = [&](TransferStep step, int sector) {
            if (step == TransferStep::Write && sector == 6)
                m_server.Kill();
        };
        const WriteSession session = WriteAndRestart(port, address, messages, image, progress);
        EXPECT_NE(session.outcome.result, WriteResult::Written);
        EXPECT_FALSE(session.restarted);
        // The controller got part of the memory and runs nothing: it stays in programming mode.
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);
        EXPECT_NE(m_sim->Memory(), image);
        bool lost = false;
        bool claimed = false;
        for (const auto& entry : messages.Entries()) {
            lost |= entry.text.find("Связь с контроллером потеряна") != std::string::npos;
            claimed |= entry.text == "Запись ОДД закончена";
        }
        EXPECT_TRUE(lost);
        EXPECT_FALSE(claimed);

        // The server back: the same write again is whole and confirmed.
        ASSERT_TRUE(m_server.Restart()) << m_server.Why();
        RecordingMessages again;
        CPort second;
        const ProgrammingEntry entry = EnterProgrammingMode(second, address, again);
        ASSERT_TRUE(entry.Accepted());
        const SafeWriteOutcome outcome = WriteWithBackup(second, address, again, image);
        EXPECT_EQ(outcome.result, WriteResult::Written);
        EXPECT_EQ(m_sim->Memory(), image);
        EXPECT_TRUE(ExitProgrammingMode(second, again, 0ms));
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);
    }
    EXPECT_NE(m_sim->Memory(), original);
}

TEST_F(SerialServerLine, TheServerKilledInAReadGivesNoImage)
{
    for (const std::string& address : Addresses(m_server)) {
        SCOPED_TRACE(address);
        RecordingMessages messages;
        CPort port;
        ASSERT_TRUE(EnterProgrammingMode(port, address, messages).Accepted());
        const auto progress = [&](TransferStep, int sector) {
            if (sector == 9)
                m_server.Kill();
        };
        const std::optional<ImageBytes> read = ReadControllerMemory(port, messages, progress);
        EXPECT_FALSE(read.has_value());
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Programming);
        ASSERT_TRUE(m_server.Restart()) << m_server.Why();
        RecordingMessages leave;
        CPort again;
        ASSERT_TRUE(again.Open(address, "AX25")) << again.NotOpenText();
        EXPECT_TRUE(ExitProgrammingMode(again, leave, 0ms));
        EXPECT_EQ(m_sim->CurrentMode(), ControllerSimulator::Mode::Normal);
    }
}

} // namespace
} // namespace vlk
