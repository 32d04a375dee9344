#pragma once

#include "config/ConfigurationImage.h"
#include "link/CPort.h"
#include "util/Messages.h"

#include <functional>
#include <optional>

namespace vlk {

enum class WriteResult {
    PortNotOpen, // "Порт не открыт!"; nothing sent
    Written,     // "Запись ОДД закончена"
    Failed,      // a sector refused or unanswered; "Память ОДД не записана, повторите!"
};

// Called with the sector (0..14) about to be sent or fetched, so a caller can show how far a
// transfer of many seconds has gone.
using SectorProgress = std::function<void(int sector)>;

// Sends the image as 15 sectors over a port already in programming mode, each up to four
// times, and reports the result.
[[nodiscard]] WriteResult WriteControllerMemory(CPort& port, Messages& messages, const ImageBytes& image,
                                                const SectorProgress& progress = {});

// Fetches the 15 sectors; the image only when every one of them arrived whole. Reports only
// failures.
[[nodiscard]] std::optional<ImageBytes> ReadControllerMemory(CPort& port, Messages& messages,
                                                             const SectorProgress& progress = {});

} // namespace vlk
