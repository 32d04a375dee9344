#pragma once

// The programs of a configuration as traffic-light programs of a microscopic traffic simulator
// (its "additional" XML file with one <tlLogic> per program), so that a plan can be tried on a
// simulated street before it goes to the controller.

#include "config/Configuration.h"
#include "plan/Signal.h"

#include <string>

namespace vlk {

struct SumoOptions {
    // The traffic light's id in the simulator's network.
    std::string tlsId = "vlk";
    // The program the simulator runs from the start: the simulator takes the program it loaded
    // last, so this one is written after the others.
    int startProgram = 1;
    // An XML comment telling which link index is which direction.
    bool netHint = false;
};

// One character per link: r red, u red-yellow, G green and flashing green (the simulator has no
// flashing green), y yellow, O dark, o yellow flashing.
[[nodiscard]] char SumoSignal(Signal signal);

// The whole file: <additional> with programs "1".."9", link index k being direction k + 1. A
// program that runs is one <phase> per stretch of its cycle in which no direction's signal
// changes and the station's phase stays the same (named "2" or "1→2"); one that cannot run is a
// single phase of yellow flashing, as the controller shows it instead.
[[nodiscard]] std::string SumoPrograms(const Configuration& configuration, const SumoOptions& options);

} // namespace vlk
