#pragma once

#include "config/ConfigurationImage.h"
#include "link/CPort.h"
#include "util/Messages.h"

#include <optional>

namespace vlk {

enum class WriteResult {
    PortNotOpen, // "Порт не открыт!"; nothing sent
    Written,     // "Запись ОДД закончена"
    Failed,      // a sector refused or unanswered; "Память ОДД не записана, повторите!"
};

// Sends the image as 15 sectors over a port already in programming mode, each up to four
// times, and reports the result.
[[nodiscard]] WriteResult WriteControllerMemory(CPort& port, Messages& messages, const ImageBytes& image);

// Fetches the 15 sectors; the image only when every one of them arrived whole. Reports only
// failures.
[[nodiscard]] std::optional<ImageBytes> ReadControllerMemory(CPort& port, Messages& messages);

} // namespace vlk
