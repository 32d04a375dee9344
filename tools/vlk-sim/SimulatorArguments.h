#pragma once

// The values of vlk-sim's options, read strictly: a value is taken only when all of it is a whole
// number in range, so that a typing error ("3x", "1e3", "0x") is refused instead of being read
// as some other number.

#include "ControllerSimulator.h"

#include <optional>
#include <string>
#include <string_view>

namespace vlk::sim {

// Decimal digits only (or, with `hex`, also 0x followed by hex digits), within [min, max].
[[nodiscard]] std::optional<long> WholeNumber(std::string_view text, long min, long max, bool hex = false);

// "K" or "K:TIMES": sector 0..14, TIMES 1 or more (default: every time).
[[nodiscard]] std::optional<SectorFault> SectorFaultValue(std::string_view text);

// "BYTE" or "BYTE:TIMES": BYTE 0..255, decimal or 0x-hex; TIMES 1 or more (default: always).
[[nodiscard]] std::optional<SimulatorOptions::ToggleReply> ToggleReplyValue(std::string_view text);

// "DAY,HH:MM": DAY 0 (Monday) .. 6, hours 0..23, minutes 0..59.
[[nodiscard]] std::optional<SimulatorOptions::Clock> ClockValue(std::string_view text);

// A fault of the junction as its option gives it, FROM and FOR in whole seconds:
//   LampOut, LampStuck   "DIR:LAMP:FROM:FOR"      DIR 1..24, LAMP red1 | red2 | green
//   SensorOn             "LAMP:CHANNEL:FROM:FOR"  CHANNEL 1..16 (red1, red2) or 1..24 (green)
//   DirectionFailure     "DIR:FROM:FOR"
//   Alarm                "FROM:FOR"
//   ClockOff             "MINUTES:FROM:FOR"       MINUTES -10080..10080, not 0
[[nodiscard]] std::optional<JunctionFault> JunctionFaultValue(JunctionFault::Kind kind, std::string_view text);
// What JunctionFaultValue wants, for the refusal's message.
[[nodiscard]] std::string JunctionFaultForm(JunctionFault::Kind kind);

} // namespace vlk::sim
