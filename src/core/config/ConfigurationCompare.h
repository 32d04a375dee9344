#pragma once

// The differences between the configuration in the pages and the one in a controller, one a
// line in the engineer's words, each with the values behind it: so that a line can be shown at
// its cell, and the controller's values of chosen lines taken into the pages.

#include "config/Configuration.h"

#include <functional>
#include <string>
#include <vector>

namespace vlk {

// One value of a configuration: a number, a slot of the week, one bit of a set, the account text.
struct ValueRef {
    enum class Member {
        CircularRedTime,
        MasterController,
        SyncDelay,
        PhaseMinTime,   // index: phase - 1
        ProgramDuration, // index: program - 1, sub: phase - 1
        Tvp1,           // index: program - 1
        Tvp2,
        PhaseMask,      // index: direction - 1, bit: phase - 1
        StepTime,       // index: direction - 1, sub: step
        WeekSlot,       // index: day, sub: slot
        Priority,       // index: request
        LampOutput,     // index: lamp row, bit: output - 1
        WaitBoard,      // index: board, bit: output - 1
        RedSensor,      // index: direction - 1, bit: channel
        GreenSensor,    // index: direction - 1, bit: sensor
        MinSignalTime,  // index: 0 red / 1 green, sub: direction - 1
        InterGreen,     // index: row direction - 1, sub: column direction - 1
        AccountRecord,
    };
    Member member = Member::CircularRedTime;
    int index = 0;
    int sub = 0;
    int bit = 0;
    bool operator==(const ValueRef&) const = default;
};

struct Difference {
    std::string text;              // as `vlkctl diff` words it
    std::vector<ValueRef> values;  // the values that make it; taking them all removes the line
};

// The lines of a difference, pages first (as ConfigurationDiff::Lines gives them).
using DifferenceLines = std::function<std::vector<std::string>(const Configuration&, const Configuration&)>;

// Every line of `lines(pages, controller)`, each with the values that differ behind it.
[[nodiscard]] std::vector<Difference> CompareConfigurations(const Configuration& pages,
                                                            const Configuration& controller,
                                                            const DifferenceLines& lines);

// The values differing between the two, one by one.
[[nodiscard]] std::vector<ValueRef> DifferingValues(const Configuration& a, const Configuration& b);

// `into` with the values `refs` taken from `from`.
void TakeValues(Configuration& into, const Configuration& from, const std::vector<ValueRef>& refs);

} // namespace vlk
