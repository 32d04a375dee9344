#pragma once

#include "config/Configuration.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace vlk {

// The counted traffic of one direction.
struct DirectionFlow {
    double flow = 0;          // vehicles (or pcu) an hour
    int lanes = 1;
    double saturation = 1800; // pcu an hour of green, per lane
    bool operator==(const DirectionFlow&) const = default;
};

inline constexpr double kDefaultSaturation = 1800;
inline constexpr int kDefaultMaxCycle = 120;

struct TrafficInputs {
    std::array<DirectionFlow, kDirectionCount> directions{};
    int program = 1;
    int maxCycle = kDefaultMaxCycle; // seconds
    bool operator==(const TrafficInputs&) const = default;
};

struct PhaseTiming {
    int phase = 0;          // 1..8
    double y = 0;           // the phase's flow ratio
    int criticalDirection = 0; // the direction that gives y; 0 none
    int minimum = 0;        // the least duration the phase's "Мин. время" and its directions' minimum greens allow
    int duration = 0;       // the computed green, seconds
    int oldDuration = 0;    // the program's duration before
};

struct DirectionTiming {
    int direction = 0;      // 1..24
    double flow = 0;
    double y = 0;
    bool served = false;    // green in some phase of the program
    int green = 0;          // seconds of green a cycle
    double capacity = 0;    // vehicles an hour
    double degreeOfSaturation = 0;
    double uniformDelay = 0;     // d1, seconds a vehicle
    double incrementalDelay = 0; // d2
    double delay = 0;            // d1 + d2
    char los = 'A';              // level of service 'A'..'F'
};

// Webster's cycle and greens for one program from the counted flows, with the delay of each
// direction by the signalised-intersection method (uniform plus incremental delay, T = 0.25 h,
// k = 0.5, I = 1). The lost time is what the timing model says the program's changes of phases
// take; the minimum times are the phases' "Мин. время" and the directions' minimum greens.
// docs/timing-calculation.md tells the method.
struct TrafficTiming {
    std::string error;      // non-empty: nothing computed (a program that does not run, bad inputs)
    int program = 0;
    double Y = 0;
    int lostTime = 0;       // seconds
    double websterCycle = 0; // (1.5 L + 5) / (1 - Y) before rounding; 0 when Y >= 1
    int cycle = 0;           // the computed cycle: greens plus lost time
    std::vector<PhaseTiming> phases;         // the program's phases (duration above 0), in order
    std::vector<DirectionTiming> directions; // directions with flow or green in the program
    std::vector<std::string> warnings;

    [[nodiscard]] bool Ok() const { return error.empty(); }
    [[nodiscard]] const DirectionTiming* Direction(int direction) const;
    [[nodiscard]] const PhaseTiming* Phase(int phase) const;
};

[[nodiscard]] TrafficTiming ComputeTrafficTiming(const Configuration& configuration, const TrafficInputs& inputs);

// The configuration with the computed greens as the program's durations.
[[nodiscard]] Configuration WithTiming(const Configuration& configuration, const TrafficTiming& timing);

// 'A'..'F' for a delay in seconds: at most 10, 20, 35, 55, 80, above.
[[nodiscard]] char LevelOfService(double delay);

// Why the inputs cannot be used (a negative flow, lanes out of 1..9, a saturation flow of 0), or
// nothing. Directions are named from 1.
[[nodiscard]] std::optional<std::string> TrafficInputsProblem(const TrafficInputs& inputs);

} // namespace vlk
