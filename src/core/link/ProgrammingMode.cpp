#include "link/ProgrammingMode.h"

#include "link/ControllerMode.h"
#include "link/LinkFrames.h"
#include "util/Cp1251.h"

#include <algorithm>
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
        messages.Show(port.OpenFailureText());
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
    const auto write = [&](std::size_t count) {
        if (!port.Write(buffer.data(), count) && !port.DeviceGone())
            messages.Show(kNotSent);
    };
    // What the line says of the mode decides the next step: true to go on towards the toggle (a
    // frame is in the buffer), false when the entry has ended one way or the other.
    const auto settle = [&](const ModeFinding& finding) {
        switch (finding.mode) {
        case LineMode::Normal:
            std::copy(finding.frame.begin(), finding.frame.end(), buffer.begin());
            return true;
        case LineMode::Programming:
            messages.Show(kAlreadyProgrammingText);
            entry.alreadyOn = true;
            entry.result = EntryResult::Accepted;
            return false;
        case LineMode::Gone:
            if (!lost()) {
                port.Close();
                messages.Show(kLineLostText);
                entry.result = EntryResult::LineLost;
            }
            return false;
        case LineMode::Silent:
            break;
        }
        messages.Show(std::string("Отказ перехода в режим программирования\n") + kNoAnswerText);
        entry.result = EntryResult::Refused;
        return false;
    };
    // No frame: a controller in normal mode would have sent one by now, so it is silent or in
    // programming mode already; a toggle now could take it out of programming mode.
    const auto readFrame = [&] {
        if (port.Read(buffer.data(), kStateFrameSize) != 0)
            return true;
        if (lost())
            return false;
        messages.Show(kFrameNotRead);
        return settle(DetectMode(port, true));
    };

    if (!readFrame())
        return entry;

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
        if (!readFrame())
            return entry;
        ++passes;
    }

    // The toggle goes right after a frame, while the controller listens for its answer.
    bool accepted = false;
    for (int attempt = 0; attempt < 3 && !accepted; ++attempt) {
        buffer[0] = kProgrammingToggle[0];
        buffer[1] = kProgrammingToggle[1];
        write(2);
        if (lost())
            return entry;
        std::uint8_t reply = 0;
        const bool got = port.Read(&reply, 1) == 1;
        if (lost())
            return entry;
        if (got && reply == kToggleAccepted) {
            accepted = true;
            break;
        }
        // Anything else leaves the mode in doubt: a garbled 0xFF from a controller that has
        // switched, a refusal, or a frame under way. Never a second toggle before the line says
        // which; a controller still sending frames is still in normal mode.
        const ModeFinding finding = DetectMode(port, !got);
        if (!settle(finding))
            return entry;
    }
    if (!accepted) {
        messages.Show("Отказ перехода в режим программирования");
        entry.result = EntryResult::Refused;
        return entry;
    }

    // The account record: the bytes after the 0xFF, up to the zero byte.
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
        if (one != 0 && entry.accountRecord.size() == kAccountRecordMax) {
            // A longer record: its rest is let in, so that no byte of it is later taken for one
            // the controller sent unasked.
            std::array<std::uint8_t, 4 * kSectorSize> rest{};
            while (port.Read(rest.data(), rest.size()) == rest.size()) {
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
    bool doubt = false;
    bool silent = false;
    for (int attempt = 0; attempt < 3 && !restarted; ++attempt) {
        // A port whose device went away (since the entry, or in the attempt before) is opened
        // again by its name: the adapter may be back, the controller in either mode.
        if (!port.IsOpen() || port.DeviceGone()) {
            if (!port.Open(name, "AX25")) {
                messages.Show(port.OpenFailureText());
                break;
            }
            doubt = true;
        }
        if (doubt) {
            const ModeFinding finding = DetectMode(port);
            if (finding.mode == LineMode::Normal) {
                // Running already: a second toggle would take it back into programming mode.
                restarted = true;
                break;
            }
            if (finding.mode == LineMode::Silent) {
                silent = true;
                break;
            }
            if (finding.mode == LineMode::Gone)
                continue;
        }
        if (!port.Write(kProgrammingToggle.data(), kProgrammingToggle.size()) && !port.DeviceGone())
            messages.Show(kNotSent);
        restarted = port.Read(frame.data(), frame.size()) == kStateFrameSize;
        doubt = true;
    }
    if (!restarted) {
        // A dead port is not kept: the next attempt opens it again.
        if (port.DeviceGone())
            port.Close();
        messages.Show(silent ? std::string("Отказ при запуске контроллера\n") + kNoAnswerText
                             : std::string("Отказ при запуске контроллера"));
        return false;
    }
    port.Close();
    std::this_thread::sleep_for(restartPause);
    return true;
}

} // namespace vlk
