#pragma once

#include <optional>
#include <string_view>
#include <utility>

namespace vlk {

// The time given to `vlkctl clock --time`: one or two digits of the hour, a colon, two digits of
// the minute ("9:05", "09:05", "23:59"), nothing before or after, no sign or blank. Hours and
// minutes as a pair, or nothing where the text is anything else or out of 0..23 / 0..59.
[[nodiscard]] std::optional<std::pair<int, int>> ParseClockTime(std::string_view text);

} // namespace vlk
