#pragma once

#include "config/ConfigurationImage.h"
#include "link/CPort.h"
#include "util/Messages.h"

#include <functional>
#include <optional>

namespace vlk {

enum class WriteResult {
    PortNotOpen, // "Порт не открыт!"; nothing sent
    Written,     // every sector accepted and read back equal; "Запись ОДД закончена"
    Failed,      // a sector refused or unanswered; "Память ОДД не записана, повторите!"
    Unconfirmed, // every sector accepted, but the read-back differs (the message names the sectors)
    Unchecked,   // every sector accepted, but the read-back broke off at a sector that did not arrive
    Stopped,     // the caller asked to stop; the sectors before the current one are written
    LineLost,    // the device went away; one message sums up what was done
    NoAnswer,    // the controller fell silent for a whole series of sendings or reads; one message
    Restarted,   // the controller was found running in normal mode (it restarted by itself)
    BackupFailed, // the memory as it was could not be read or kept: nothing was written
};

// What a transfer did, beyond its result: how far it got and whether it touched the memory.
struct TransferReport {
    int sectorsDone = 0;    // sectors acknowledged (write) or taken (read), from sector 0 on
    bool touched = false;   // a sector write went out: the memory may differ from what it was
    WriteResult trouble = WriteResult::Written; // LineLost, NoAnswer or Restarted when the line ended it
};

// What a transfer is doing with the sector it reports.
enum class TransferStep {
    Backup, // reading it before a write, to keep the memory as it was
    Write, // sending it
    Check, // reading it back after the write
    Read,  // fetching it
};

// Called with the sector (0..14) about to be sent, checked or fetched, so a caller can show how
// far a transfer of many seconds has gone.
using SectorProgress = std::function<void(TransferStep step, int sector)>;
// Asked before each sector; true ends the transfer there, with no message.
using StopRequested = std::function<bool()>;

// Sends the image as 15 sectors over a port already in programming mode, each up to four times,
// then reads every sector back: only a memory equal to the image counts as written. Reports the
// result. A write that is not confirmed leaves programming mode as it was, for another try.
//
// A controller that answers wrongly gets the usual messages; a line that is gone, or silent for
// a whole series of sendings, ends the write with one message that says what was done and what
// state the controller is left in. A reply that is none of the expected ones makes the write tell
// the mode from the line before it sends again (see DetectMode): into a controller that restarted
// by itself nothing more is sent, since in normal mode sector bytes would be console commands.
[[nodiscard]] WriteResult WriteControllerMemory(CPort& port, Messages& messages, const ImageBytes& image,
                                                const SectorProgress& progress = {},
                                                const StopRequested& stop = {}, TransferReport* report = nullptr);

// Fetches the 15 sectors; the image only when every one of them was read twice alike and the
// later of the two reads ended on a quiet line (nothing of an earlier reply still arriving).
// Reports only failures; a stop gives nothing and no message. A line gone or silent, or a
// controller found running, ends it with one message; `report` tells which.
[[nodiscard]] std::optional<ImageBytes> ReadControllerMemory(CPort& port, Messages& messages,
                                                             const SectorProgress& progress = {},
                                                             const StopRequested& stop = {},
                                                             TransferReport* report = nullptr,
                                                             TransferStep step = TransferStep::Read);

// The last line of every write that did not end in "Запись ОДД закончена".
inline constexpr const char* kLeftInProgrammingText =
    "Контроллер остался в режиме программирования и не запустится с не полностью записанной памятью: "
    "запишите ОДД еще раз или верните прежнюю конфигурацию";

} // namespace vlk
