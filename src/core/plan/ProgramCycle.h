#pragma once

#include "config/Configuration.h"
#include "plan/Signal.h"
#include "plan/SignalModel.h"

#include <array>
#include <vector>

namespace vlk {

// A part of a cycle: the own time of a phase, or a change between two phases.
struct CyclePart {
    int phase = 0;   // the phase running; in a change the phase being left
    int target = 0;  // in a change the phase being entered; 0 in a phase's own time
    int start = 0;   // second of the cycle
    int length = 0;  // seconds, above 0
    [[nodiscard]] bool IsChange() const { return target != 0; }
    [[nodiscard]] int End() const { return start + length; }
    bool operator==(const CyclePart&) const = default;
};

// A stretch of a cycle in which neither a direction's signal nor the part changes.
struct CycleStretch {
    int start = 0;
    int length = 0;
    bool operator==(const CycleStretch&) const = default;
};

// One cycle of a program as it runs under the schedule, second 0 being the start of its first
// phase's own time and the last part the change back into it. Every direction has spans of
// constant signal covering the cycle (neighbouring spans always differ); a program that does
// not run has an empty cycle.
class ProgramCycle {
public:
    [[nodiscard]] static ProgramCycle Of(const Configuration& configuration, int program);

    [[nodiscard]] int Program() const { return m_program; }
    [[nodiscard]] int Length() const { return m_length; }
    [[nodiscard]] bool Empty() const { return m_length == 0; }
    [[nodiscard]] const std::vector<CyclePart>& Parts() const { return m_parts; }
    // direction 1..24
    [[nodiscard]] const std::vector<SignalSpan>& Spans(int direction) const { return m_spans[direction - 1]; }

    // second 0..Length()-1 (others are taken modulo the cycle); an empty cycle gives Dark / a blank part.
    [[nodiscard]] Signal At(int direction, int second) const;
    [[nodiscard]] CyclePart PartAt(int second) const;
    // The cycle cut wherever any direction's signal or the part changes (a plan of constant
    // states, as a traffic simulator's program or a printed table wants it).
    [[nodiscard]] std::vector<CycleStretch> Stretches() const;

private:
    void Append(int direction, Signal signal, int start, int length);

    int m_program = 0;
    int m_length = 0;
    std::vector<CyclePart> m_parts;
    std::array<std::vector<SignalSpan>, kDirectionCount> m_spans;
};

} // namespace vlk
