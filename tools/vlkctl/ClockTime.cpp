#include "ClockTime.h"

namespace vlk {

std::optional<std::pair<int, int>> ParseClockTime(std::string_view text)
{
    const auto colon = text.find(':');
    if (colon != 1 && colon != 2)
        return std::nullopt;
    if (text.size() != colon + 3)
        return std::nullopt;
    int hours = 0;
    int minutes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == colon)
            continue;
        // Digits only, and ASCII ones: no sign, blank or locale's digit may slip in.
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        int& part = i < colon ? hours : minutes;
        part = part * 10 + (text[i] - '0');
    }
    if (hours > 23 || minutes > 59)
        return std::nullopt;
    return std::pair{hours, minutes};
}

} // namespace vlk
