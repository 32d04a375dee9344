#pragma once

#include "link/CPort.h"
#include "util/Messages.h"

#include <chrono>
#include <string>

namespace vlk {

enum class EntryResult {
    PortNotOpen, // "Порт не открыт"; the port is closed
    NotReady,    // the controller kept "ПС" clear; the port stays open
    Refused,     // the toggle was not taken (or the controller answered nothing at all); the port stays open
    LineLost,    // the device went away on the way; the port is closed
    Accepted,    // programming mode is on; the port stays open for the memory transfer
};

struct ProgrammingEntry {
    EntryResult result = EntryResult::PortNotOpen;
    std::string accountRecord; // Windows-1251 bytes as the controller sent them, at most 67
    // The controller was found in programming mode already (an earlier write left it there, or
    // its reply to the toggle was garbled after it had switched): no record, no toggle sent.
    bool alreadyOn = false;
    [[nodiscard]] bool Accepted() const { return result == EntryResult::Accepted; }
};

// How many "*" passes the readiness wait makes before giving up.
inline constexpr int kReadinessPasses = 10;
inline constexpr std::chrono::milliseconds kRestartPause{1000};
inline constexpr const char* kLineLostText = "Связь с контроллером потеряна";
// Passes without a frame on a port that stays open after which the controller counts as lost.
inline constexpr int kSilentPassesToLost = 2;
// Asked before a controller is let out of programming mode after a write that was not confirmed.
inline constexpr const char* kIncompleteLeaveQuestion =
    "Память контроллера записана не полностью: контроллер запустится с конфигурацией, которую никто не "
    "записывал. Выйти из режима программирования?";
inline constexpr const char* kAlreadyProgrammingText =
    "Контроллер уже в режиме программирования: он не шлет кадров состояния и отвечает на чтение памяти";
inline constexpr const char* kNoAnswerText =
    "Контроллер не отвечает: нет ни кадров состояния, ни ответа на чтение памяти. Проверьте кабель и питание контроллера";

// "COM1:" for 1, "COM2:" for 2.
[[nodiscard]] std::string ChosenPortName(int chosenPort);

// Switches the controller into programming mode over `port`, opened on `portName`. The caller
// has stopped the exchange and resets the console's lock and command byte. A device that goes
// away on the way ends it with one message.
//
// A toggle is sent only to a controller known to be in normal mode: when no frame comes, or the
// reply to the toggle is not 0xFF, the line is listened to (see DetectMode) before anything else
// is sent, so a controller already in programming mode is never switched back by a second toggle,
// and the account record only ever takes the bytes that followed the 0xFF.
[[nodiscard]] ProgrammingEntry EnterProgrammingMode(CPort& port, const std::string& portName, Messages& messages);

// Switches the controller back, which restarts it. On success the port is closed and the
// controller given `restartPause` before the caller starts the exchange again; on failure
// programming mode stays on and the port stays open, unless its device went away: a dead port
// is closed, and every attempt first opens a closed or dead port again by its name. After a reply
// that was not a whole frame, or a port opened again, the mode is told from the line before the
// next toggle: a controller already running (its restart frame garbled, or restarted by itself)
// is left alone and counts as restarted.
[[nodiscard]] bool ExitProgrammingMode(CPort& port, Messages& messages,
                                       std::chrono::milliseconds restartPause = kRestartPause);

// The account record (Windows-1251) as message text.
[[nodiscard]] std::string AccountRecordText(const std::string& record);

} // namespace vlk
