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
};

// What a transfer is doing with the sector it reports.
enum class TransferStep {
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
[[nodiscard]] WriteResult WriteControllerMemory(CPort& port, Messages& messages, const ImageBytes& image,
                                                const SectorProgress& progress = {},
                                                const StopRequested& stop = {});

// Fetches the 15 sectors; the image only when every one of them was read twice alike and the
// later of the two reads ended on a quiet line (nothing of an earlier reply still arriving).
// Reports only failures; a stop gives nothing and no message.
[[nodiscard]] std::optional<ImageBytes> ReadControllerMemory(CPort& port, Messages& messages,
                                                             const SectorProgress& progress = {},
                                                             const StopRequested& stop = {});

} // namespace vlk
