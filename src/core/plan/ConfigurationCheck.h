#pragma once

#include "config/Configuration.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlk {

enum class Severity { Error, Warning };

// "Ошибка", "Предупреждение"
[[nodiscard]] std::string_view SeverityText(Severity severity);

// One thing the check found: which rule, where, and a Russian sentence naming all of it.
// Directions, phases and programs are numbered from 1, outputs 1..48, day 0 Monday.
struct Finding {
    Severity severity = Severity::Error;
    std::string rule;                  // e.g. "conflicting-greens"; scripts rely on these ids
    std::optional<int> program;
    std::optional<int> phase;          // at a change of phases, the phase being entered
    std::optional<int> fromPhase;      // at a change of phases, the phase being left
    std::vector<int> directions;       // a pair in the rule's order (intergreen: closing, then opening)
    std::optional<int> output;
    std::optional<int> day;
    std::optional<int> minute;         // of the day, with `day`: the switch point's time
    std::optional<int> second;         // of the program's cycle (ProgramCycle); intergreen: where c's green starts
    std::optional<int> measured;       // seconds the plan gives: the stretch, or the inter-green ending at `second`
    std::optional<int> required;       // seconds the tables ask for
    std::string message;
    bool operator==(const Finding&) const = default;
};

// Every rule of the check's table in docs/signal-plan.md, on the signal model of ProgramCycle.
// Errors first, then warnings; within each, in the order of the table.
[[nodiscard]] std::vector<Finding> ConfigurationCheck(const Configuration& configuration);

[[nodiscard]] bool HasErrors(const std::vector<Finding>& findings);

// "ПН".."ВС" and "06:00": the place of a switch point as the findings name it.
[[nodiscard]] std::string_view CheckDayName(int day);
[[nodiscard]] std::string CheckTime(int minute);

} // namespace vlk
