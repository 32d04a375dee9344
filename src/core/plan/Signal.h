#pragma once

#include <cstdint>
#include <string_view>

namespace vlk {

// What one direction shows. Green flashing and yellow flashing are one signal each; which half
// of a second the lamp is lit in is a matter of the lamps (see LitLamps).
enum class Signal : std::uint8_t {
    Dark,           // lamps off, or a direction that takes part in no phase
    Red,
    RedYellow,
    Green,
    GreenFlashing,
    Yellow,
    YellowFlashing, // the yellow mode "Ж" and the command "ЖМ"
};

// "-", "К", "КЖ", "З", "ЗМ", "Ж", "ЖМ": the codes of the timeline.
[[nodiscard]] std::string_view SignalCode(Signal signal);

// The direction may go: green and green flashing.
[[nodiscard]] constexpr bool IsGreen(Signal s) { return s == Signal::Green || s == Signal::GreenFlashing; }
// The direction must stop before the stop line: red and red-yellow.
[[nodiscard]] constexpr bool IsRed(Signal s) { return s == Signal::Red || s == Signal::RedYellow; }

// The lamps of a direction that are lit at one moment.
enum LampBit : std::uint8_t { LampRed = 1, LampYellow = 2, LampGreen = 4 };

// Flashing lamps are lit in the first half of every second: green flashing counted from the start
// of its step, yellow flashing from the week clock so that every direction flashes together.
[[nodiscard]] std::uint8_t LitLamps(Signal signal, std::int64_t msSinceStart, std::int64_t weekMs);

} // namespace vlk
