#pragma once

#include "link/CPort.h"
#include "util/Messages.h"

#include <chrono>
#include <string>

namespace vlk {

enum class EntryResult {
    PortNotOpen, // "Порт не открыт"; the port is closed
    NotReady,    // the controller kept "ПС" clear; the port stays open
    Refused,     // no reply to the toggle; the port stays open
    LineLost,    // the device went away on the way; the port is closed
    Accepted,    // programming mode is on; the port stays open for the memory transfer
};

struct ProgrammingEntry {
    EntryResult result = EntryResult::PortNotOpen;
    std::string accountRecord; // Windows-1251 bytes as the controller sent them, at most 67
    [[nodiscard]] bool Accepted() const { return result == EntryResult::Accepted; }
};

// How many "*" passes the readiness wait makes before giving up.
inline constexpr int kReadinessPasses = 10;
inline constexpr std::chrono::milliseconds kRestartPause{1000};
inline constexpr const char* kLineLostText = "Связь с контроллером потеряна";

// "COM1:" for 1, "COM2:" for 2.
[[nodiscard]] std::string ChosenPortName(int chosenPort);

// Switches the controller into programming mode over `port`, opened on `portName`. The caller
// has stopped the exchange and resets the console's lock and command byte. A device that goes
// away on the way ends it with one message.
[[nodiscard]] ProgrammingEntry EnterProgrammingMode(CPort& port, const std::string& portName, Messages& messages);

// Switches the controller back, which restarts it. On success the port is closed and the
// controller given `restartPause` before the caller starts the exchange again; on failure
// programming mode stays on and the port stays open, unless its device went away: a dead port
// is closed, and every attempt first opens a closed or dead port again by its name.
[[nodiscard]] bool ExitProgrammingMode(CPort& port, Messages& messages,
                                       std::chrono::milliseconds restartPause = kRestartPause);

// The account record (Windows-1251) as message text.
[[nodiscard]] std::string AccountRecordText(const std::string& record);

} // namespace vlk
