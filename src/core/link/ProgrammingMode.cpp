#include "link/ProgrammingMode.h"

#include "link/LinkFrames.h"
#include "util/Cp1251.h"

#include <array>
#include <cstdint>
#include <thread>

namespace vlk {

namespace {
const char* const kNotSent = "Команда не отправлена";
const char* const kFrameNotRead = "кадр не прочитан";
} // namespace

std::string ChosenPortName(int chosenPort)
{
    return chosenPort == 2 ? "COM2:" : "COM1:";
}

std::string AccountRecordText(const std::string& record)
{
    // Every Windows-1251 byte has a UTF-8 form; keep the raw bytes should that ever fail.
    const TextConversion text = Cp1251::ToUtf8(record);
    return text.text ? *text.text : record;
}

ProgrammingEntry EnterProgrammingMode(CPort& port, const std::string& portName, Messages& messages)
{
    ProgrammingEntry entry;
    // One buffer for the frames whose first byte also carries the one- and two-byte commands.
    std::array<std::uint8_t, 68> buffer{};

    if (!port.Open(portName, "AX25")) {
        messages.Show("Порт не открыт");
        return entry;
    }
    // A device gone makes every later read and write fail at once: one message, not a box per
    // step, and the port is let go.
    const auto lost = [&] {
        if (!port.DeviceGone())
            return false;
        port.Close();
        messages.Show(kLineLostText);
        entry.result = EntryResult::LineLost;
        return true;
    };
    const auto readFrame = [&] {
        const bool got = port.Read(buffer.data(), kStateFrameSize) != 0;
        if (!got && !port.DeviceGone())
            messages.Show(kFrameNotRead);
    };
    const auto write = [&](std::size_t count) {
        if (!port.Write(buffer.data(), count) && !port.DeviceGone())
            messages.Show(kNotSent);
    };

    readFrame();
    if (lost())
        return entry;

    // A read that receives nothing leaves the "*" in the first byte, whose bit 5 ends the wait.
    int passes = 0;
    while (!(buffer[0] & status::kConsoleReady)) {
        if (passes == kReadinessPasses) {
            messages.Show("Контроллер не готов к программированию");
            entry.result = EntryResult::NotReady;
            return entry;
        }
        buffer[0] = command::kNotReady;
        write(1);
        if (lost())
            return entry;
        readFrame();
        if (lost())
            return entry;
        ++passes;
    }

    buffer[0] = 0;
    int attempts = 0;
    while (buffer[0] != kToggleAccepted && attempts < 3) {
        buffer[0] = kProgrammingToggle[0];
        buffer[1] = kProgrammingToggle[1];
        write(2);
        if (lost())
            return entry;
        buffer[0] = 0;
        (void)port.Read(buffer.data(), 1);
        if (lost())
            return entry;
        ++attempts;
    }
    // Accepted by 0xFF, or by any non-zero byte at the third attempt.
    if (attempts == 3 && buffer[0] == 0) {
        messages.Show("Отказ перехода в режим программирования");
        entry.result = EntryResult::Refused;
        return entry;
    }

    std::uint8_t one = 0;
    if (port.Read(&one, 1) == 1) {
        while (one != 0 && entry.accountRecord.size() < kAccountRecordMax) {
            entry.accountRecord.push_back(static_cast<char>(one));
            if (port.Read(&one, 1) == 0) {
                if (lost())
                    return entry;
                messages.Show("Учетная Запись не считана!");
                break;
            }
        }
    }
    if (lost())
        return entry;
    if (!entry.accountRecord.empty())
        messages.Show("учетная запись\n" + AccountRecordText(entry.accountRecord));
    entry.result = EntryResult::Accepted;
    return entry;
}

bool ExitProgrammingMode(CPort& port, Messages& messages, std::chrono::milliseconds restartPause)
{
    const std::string name = port.Name();
    FrameBytes frame{};
    bool restarted = false;
    for (int attempt = 0; attempt < 3 && !restarted; ++attempt) {
        // A port whose device went away (since the entry, or in the attempt before) is opened
        // again by its name: the adapter may be back, the controller still in programming mode.
        if (!port.IsOpen() || port.DeviceGone()) {
            if (!port.Open(name, "AX25")) {
                messages.Show("Порт не открыт");
                break;
            }
        }
        if (!port.Write(kProgrammingToggle.data(), kProgrammingToggle.size()) && !port.DeviceGone())
            messages.Show(kNotSent);
        restarted = port.Read(frame.data(), frame.size()) == kStateFrameSize;
    }
    if (!restarted) {
        // A dead port is not kept: the next attempt opens it again.
        if (port.DeviceGone())
            port.Close();
        messages.Show("Отказ при запуске контроллера");
        return false;
    }
    port.Close();
    std::this_thread::sleep_for(restartPause);
    return true;
}

} // namespace vlk
