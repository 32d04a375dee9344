#include "link/ProgrammingMode.h"
#include "DeviceLink.h"
#include "ScriptedPeer.h"
#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

using namespace vlk::test;
using Entry = RecordingMessages::Entry;

const Bytes kToggle{0xD5, 0x33};
// The read of sector 1 that tells a controller in programming mode from one that is not there.
const Bytes kProbe{0x51};

// A controller in programming mode answers the probe with a sector.
bool AnswerProbe(ScriptedPeer& p)
{
    if (p.Expect(1) != kProbe)
        return false;
    p.Send(Bytes(128, 0x11));
    return true;
}

// Waits for the station's Open to finish its pause and purge before the first frame.
void AfterOpen() { std::this_thread::sleep_for(300ms); }

std::vector<std::string> Texts(const RecordingMessages& messages) { return messages.Texts(); }

TEST(ProgrammingEntry, SilentLineIsRefusedWithoutAToggleAndThePortStaysOpen)
{
    // Neither a frame nor an answer to the probe: the controller may be deaf in either mode, so no
    // toggle goes out that could take it out of programming mode.
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer&) {});
    CPort port;
    RecordingMessages messages;
    const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
    peer.Stop();
    EXPECT_EQ(entry.result, EntryResult::Refused);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(messages.Entries(),
              (std::vector<Entry>{
                  {"кадр не прочитан", MessageIcon::None, false},
                  {"Отказ перехода в режим программирования\nКонтроллер не отвечает: нет ни кадров состояния, ни "
                   "ответа на чтение памяти. Проверьте кабель и питание контроллера",
                   MessageIcon::None, false},
              }));
    EXPECT_EQ(peer.Received(), kProbe);
}

TEST(ProgrammingEntry, AControllerAlreadyInProgrammingModeIsNotToggled)
{
    // An earlier write left it there: it sends no frames and answers the probe.
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) { (void)AnswerProbe(p); });
    CPort port;
    RecordingMessages messages;
    const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
    std::this_thread::sleep_for(100ms);
    peer.Stop();
    EXPECT_TRUE(entry.Accepted());
    EXPECT_TRUE(entry.alreadyOn);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"кадр не прочитан",
                                                         "Контроллер уже в режиме программирования: он не шлет кадров "
                                                         "состояния и отвечает на чтение памяти"}));
    EXPECT_EQ(peer.Received(), kProbe);
}

TEST(ProgrammingEntry, AcceptedWithAccountRecord)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        AfterOpen();
        p.Send(StateFrameBytes(0x20));
        if (p.Expect(2) != kToggle)
            return;
        // 0xFF, then "УЗЕЛ 17" in Windows-1251 and the closing zero
        p.Send({0xFF, 0xD3, 0xC7, 0xC5, 0xCB, 0x20, 0x31, 0x37, 0x00});
    });
    CPort port;
    RecordingMessages messages;
    const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
    peer.Stop();
    EXPECT_TRUE(entry.Accepted());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(entry.accountRecord, "\xD3\xC7\xC5\xCB 17");
    EXPECT_EQ(messages.Entries(), (std::vector<Entry>{{"учетная запись\nУЗЕЛ 17", MessageIcon::None, false}}));
    EXPECT_EQ(peer.Received(), kToggle);
}

TEST(ProgrammingEntry, WaitsWhileConsoleNotReady)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        AfterOpen();
        p.Send(StateFrameBytes(0x00));
        if (p.Expect(1) != Bytes{0x2A})
            return;
        p.Send(StateFrameBytes(0x08)); // "РУ" only: still not ready
        if (p.Expect(1) != Bytes{0x2A})
            return;
        const Bytes ready = StateFrameBytes(0x20);
        p.Send(Bytes(ready.begin(), ready.begin() + 10)); // a part of a frame
        if (p.Expect(2) != kToggle)
            return;
        p.Send({0xFF, 'A', 0x00});
    });
    CPort port;
    RecordingMessages messages;
    const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
    peer.Stop();
    EXPECT_TRUE(entry.Accepted()); // a part of a frame counts as a frame
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"учетная запись\nA"}));
    EXPECT_EQ(peer.Received(), Concat({{0x2A}, {0x2A}, kToggle}));
}

TEST(ProgrammingEntry, GivesUpAfterTenNotReadyPasses)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        AfterOpen();
        p.Send(StateFrameBytes(0x00));
        for (int i = 0; i < 10; ++i) {
            if (p.Expect(1) != Bytes{0x2A})
                return;
            p.Send(StateFrameBytes(0xDF)); // every flag but "ПС"
        }
    });
    CPort port;
    RecordingMessages messages;
    const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
    std::this_thread::sleep_for(100ms);
    peer.Stop();
    EXPECT_EQ(entry.result, EntryResult::NotReady);
    EXPECT_FALSE(entry.Accepted());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"Контроллер не готов к программированию"}));
    EXPECT_EQ(peer.Received(), Bytes(10, 0x2A)); // no toggle was sent
}

TEST(ProgrammingEntry, AGarbledAcceptanceSendsNoSecondToggle)
{
    // 0xFF arrived as 0xFE: the controller has switched and sends its record, then nothing. A
    // second toggle would take it out again; the line says it is in programming mode.
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        AfterOpen();
        p.Send(StateFrameBytes(0x20));
        if (p.Expect(2) != kToggle)
            return;
        p.Send({0xFE, 'N', '1', 0x00});
        (void)AnswerProbe(p);
    });
    CPort port;
    RecordingMessages messages;
    const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
    std::this_thread::sleep_for(100ms);
    peer.Stop();
    EXPECT_TRUE(entry.Accepted());
    EXPECT_TRUE(entry.alreadyOn);
    EXPECT_TRUE(entry.accountRecord.empty()); // nothing came after a 0xFF
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"Контроллер уже в режиме программирования: он не шлет "
                                                         "кадров состояния и отвечает на чтение памяти"}));
    EXPECT_EQ(peer.Received(), Concat({kToggle, kProbe}));
}

TEST(ProgrammingEntry, ARefusalFromAControllerStillSendingFramesIsTriedAgainAfterAFrame)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        AfterOpen();
        p.Send(StateFrameBytes(0x20));
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (p.Expect(2) != kToggle)
                return;
            p.Send({0x55});
            // Still in normal mode: its frames go on.
            std::this_thread::sleep_for(400ms);
            p.Send(StateFrameBytes(0x20));
        }
    });
    CPort port;
    RecordingMessages messages;
    const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
    peer.Stop();
    EXPECT_EQ(entry.result, EntryResult::Refused);
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"Отказ перехода в режим программирования"}));
    EXPECT_EQ(peer.Received(), Concat({kToggle, kToggle, kToggle}));
}

TEST(ProgrammingEntry, AccountRecordLimitsAndBreaks)
{
    {
        // 100 non-zero bytes: only the first 67 are taken.
        ScriptedPeer peer;
        Bytes record(100);
        for (int i = 0; i < 100; ++i)
            record[i] = static_cast<std::uint8_t>('0' + i % 10);
        peer.Run([&](ScriptedPeer& p) {
            AfterOpen();
            p.Send(StateFrameBytes(0x20));
            if (p.Expect(2) == kToggle)
                p.Send(Concat({{0xFF}, record, {0x00}}));
        });
        CPort port;
        RecordingMessages messages;
        const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
        peer.Stop();
        ASSERT_TRUE(entry.Accepted());
        const std::string first67(record.begin(), record.begin() + 67);
        EXPECT_EQ(entry.accountRecord, first67);
        EXPECT_EQ(Texts(messages), (std::vector<std::string>{"учетная запись\n" + first67}));
    }
    {
        // The record breaks off: the message about it, then what arrived.
        ScriptedPeer peer;
        peer.Run([](ScriptedPeer& p) {
            AfterOpen();
            p.Send(StateFrameBytes(0x20));
            if (p.Expect(2) == kToggle)
                p.Send({0xFF, 'N', '1'});
        });
        CPort port;
        RecordingMessages messages;
        const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
        peer.Stop();
        EXPECT_TRUE(entry.Accepted());
        EXPECT_EQ(Texts(messages), (std::vector<std::string>{"Учетная Запись не считана!", "учетная запись\nN1"}));
    }
}

TEST(ProgrammingEntry, PortThatCannotOpen)
{
    CPort port;
    RecordingMessages messages;
    const ProgrammingEntry entry = EnterProgrammingMode(port, "/nonexistent/tty", messages);
    EXPECT_EQ(entry.result, EntryResult::PortNotOpen);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"Порт не открыт\n/nonexistent/tty: нет такого устройства"}));
}

TEST(ProgrammingExit, RestartsOnAFullFrame)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    peer.Run([](ScriptedPeer& p) {
        if (p.Expect(2) != kToggle)
            return;
        p.Send(Bytes(20, 0x20)); // short: not a restart
        // Still in programming mode: it answers the probe before the toggle goes again.
        if (!AnswerProbe(p) || p.Expect(2) != kToggle)
            return;
        p.Send(StateFrameBytes(0x20));
    });
    RecordingMessages messages;
    const auto start = SteadyClock::now();
    EXPECT_TRUE(ExitProgrammingMode(port, messages, 300ms));
    EXPECT_GE(SteadyClock::now() - start, 300ms);
    peer.Stop();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(messages.Entries().empty());
    EXPECT_EQ(peer.Received(), Concat({kToggle, kProbe, kToggle}));
}

TEST(ProgrammingExit, AGarbledRestartFrameIsNotFollowedByASecondToggle)
{
    // The controller restarted but its frame came short; its next frames say it runs. A second
    // toggle would have taken it back into programming mode.
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    peer.Run([](ScriptedPeer& p) {
        if (p.Expect(2) != kToggle)
            return;
        p.Send(Bytes(20, 0x20));
        for (int i = 0; i < 5 && !p.Stopping(); ++i) {
            std::this_thread::sleep_for(400ms);
            p.Send(StateFrameBytes(0x20));
        }
    });
    RecordingMessages messages;
    EXPECT_TRUE(ExitProgrammingMode(port, messages, 0ms));
    peer.Stop();
    EXPECT_TRUE(messages.Entries().empty());
    EXPECT_EQ(peer.Received(), kToggle);
}

TEST(ProgrammingExit, ShortFramesKeepProgrammingMode)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    peer.Run([](ScriptedPeer& p) {
        for (int i = 0; i < 3; ++i) {
            if (i > 0 && !AnswerProbe(p))
                return;
            if (p.Expect(2) != kToggle)
                return;
            p.Send(Bytes(20, 0x20));
        }
    });
    RecordingMessages messages;
    EXPECT_FALSE(ExitProgrammingMode(port, messages, 0ms));
    peer.Stop();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"Отказ при запуске контроллера"}));
    EXPECT_EQ(peer.Received(), Concat({kToggle, kProbe, kToggle, kProbe, kToggle}));
}

TEST(ProgrammingEntry, ALineGoneOnTheWayIsOneMessageAndThePortIsLetGo)
{
    ScriptedPeer peer;
    peer.Run([](ScriptedPeer& p) {
        AfterOpen();
        p.Send(StateFrameBytes(0x20));
        if (p.Expect(2) != kToggle)
            return;
        p.HangUp(); // the cable is pulled before the controller answers
    });
    CPort port;
    RecordingMessages messages;
    const ProgrammingEntry entry = EnterProgrammingMode(port, peer.Path(), messages);
    peer.Stop();
    EXPECT_EQ(entry.result, EntryResult::LineLost);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(Texts(messages), std::vector<std::string>{"Связь с контроллером потеряна"});
}

TEST(ProgrammingExit, ADeadPortIsOpenedAgainByItsName)
{
    DeviceLink name;
    auto before = std::make_unique<ScriptedPeer>();
    ASSERT_TRUE(name.Point(before->Path()));
    CPort port;
    ASSERT_TRUE(port.Open(name.Path(), "AX25"));
    // Unplugged and plugged back in while the controller stays in programming mode.
    name.Remove();
    before.reset();
    ScriptedPeer after;
    ASSERT_TRUE(name.Point(after.Path()));
    after.Run([](ScriptedPeer& p) {
        // A line that came back: the mode is asked before the toggle.
        if (!AnswerProbe(p) || p.Expect(2) != kToggle)
            return;
        p.Send(StateFrameBytes(0x20));
    });
    RecordingMessages messages;
    EXPECT_TRUE(ExitProgrammingMode(port, messages, 0ms));
    after.Stop();
    EXPECT_TRUE(messages.Entries().empty()) << Texts(messages).front();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(after.Received(), Concat({kProbe, kToggle}));
}

TEST(ProgrammingExit, ALineThatCameBackToARunningControllerSendsNoToggle)
{
    // The controller was restarted while the adapter was out: it sends frames, so it is left alone.
    DeviceLink name;
    auto before = std::make_unique<ScriptedPeer>();
    ASSERT_TRUE(name.Point(before->Path()));
    CPort port;
    ASSERT_TRUE(port.Open(name.Path(), "AX25"));
    name.Remove();
    before.reset();
    ScriptedPeer after;
    ASSERT_TRUE(name.Point(after.Path()));
    after.Run([](ScriptedPeer& p) {
        for (int i = 0; i < 8 && !p.Stopping(); ++i) {
            std::this_thread::sleep_for(400ms);
            p.Send(StateFrameBytes(0x20));
        }
    });
    RecordingMessages messages;
    EXPECT_TRUE(ExitProgrammingMode(port, messages, 0ms));
    after.Stop();
    EXPECT_TRUE(messages.Entries().empty());
    EXPECT_TRUE(after.Received().empty());
}

TEST(ProgrammingExit, ADeviceStillGoneIsSaidOnceAndThePortIsNotKept)
{
    DeviceLink name;
    auto peer = std::make_unique<ScriptedPeer>();
    ASSERT_TRUE(name.Point(peer->Path()));
    CPort port;
    ASSERT_TRUE(port.Open(name.Path(), "AX25"));
    name.Remove();
    peer.reset();
    RecordingMessages messages;
    EXPECT_FALSE(ExitProgrammingMode(port, messages, 0ms));
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"Порт не открыт\n" + name.Path() + ": нет такого устройства",
                                                     "Отказ при запуске контроллера"}));
    EXPECT_FALSE(port.IsOpen());

    // The next attempt opens the port again from its name.
    ScriptedPeer back;
    ASSERT_TRUE(name.Point(back.Path()));
    back.Run([](ScriptedPeer& p) {
        if (!AnswerProbe(p) || p.Expect(2) != kToggle)
            return;
        p.Send(StateFrameBytes(0x20));
    });
    RecordingMessages again;
    EXPECT_TRUE(ExitProgrammingMode(port, again, 0ms));
    back.Stop();
    EXPECT_TRUE(again.Entries().empty());
    EXPECT_EQ(back.Received(), Concat({kProbe, kToggle}));
}

TEST(ProgrammingEntry, WorkerCannotOpenWhileProgrammingHoldsThePort)
{
    ScriptedPeer peer;
    CPort mainPort;
    ASSERT_TRUE(mainPort.Open(peer.Path(), "AX25"));
    CPort workerPort;
    EXPECT_FALSE(workerPort.Open(peer.Path(), "AX25"));
}

TEST(ChosenPort, Names)
{
    EXPECT_EQ(ChosenPortName(1), "COM1:");
    EXPECT_EQ(ChosenPortName(2), "COM2:");
}

} // namespace
} // namespace vlk
