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

// "COM1:" for 1, "COM2:" for 2.
[[nodiscard]] std::string ChosenPortName(int chosenPort);

// Switches the controller into programming mode over `port`, opened on `portName`. The caller
// has stopped the exchange and resets the console's lock and command byte.
[[nodiscard]] ProgrammingEntry EnterProgrammingMode(CPort& port, const std::string& portName, Messages& messages);

// Switches the controller back, which restarts it. On success the port is closed and the
// controller given `restartPause` before the caller starts the exchange again; on failure
// programming mode stays on and the port stays open.
[[nodiscard]] bool ExitProgrammingMode(CPort& port, Messages& messages,
                                       std::chrono::milliseconds restartPause = kRestartPause);

// The account record (Windows-1251) as message text.
[[nodiscard]] std::string AccountRecordText(const std::string& record);

} // namespace vlk
