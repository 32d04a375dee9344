#pragma once

#include "config/Configuration.h"
#include "plan/Signal.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vlk {

// One stretch of constant signal: seconds [start, start + length).
struct SignalSpan {
    Signal signal = Signal::Dark;
    int start = 0;
    int length = 0;
    [[nodiscard]] int End() const { return start + length; }
    bool operator==(const SignalSpan&) const = default;
};

// What one direction shows through a change of phases: at most four spans, covering the change.
struct ChangeSpans {
    std::array<SignalSpan, 4> spans{};
    int count = 0;
    [[nodiscard]] const SignalSpan* begin() const { return spans.data(); }
    [[nodiscard]] const SignalSpan* end() const { return spans.data() + count; }
};

// A part of the week in which one program (or the yellow mode) is in force, within one day.
struct WeekSpan {
    int day = 0;        // 0 Monday .. 6 Sunday
    int startSlot = 0;  // half-hour of the day, 0..47
    int endSlot = 0;    // exclusive, 1..48
    int program = 0;    // 1..9, or kYellowMode
    bool operator==(const WeekSpan&) const = default;
};

inline constexpr int kWeekSlots = kDayCount * kSlotCount;

// The rules by which a configuration runs: which phases follow which, what the directions show
// between two phases, and which program the week puts in force. Directions and phases are
// numbered from 1, programs 1..9; phase 0 is "no phase" (coming out of yellow flashing or lamps
// off). Times are whole seconds. docs/signal-plan.md tells the rules in the
// engineer's terms; ProgramCycle and RunningJunction are built on these functions and nothing
// else computes signal times.
class SignalModel {
public:
    // The direction takes part in some phase; one that does not stays dark.
    [[nodiscard]] static bool InUse(const Configuration& c, int direction);
    // Green in `phase` (false for phase 0).
    [[nodiscard]] static bool InPhase(const Configuration& c, int direction, int phase);
    // A program with at least one phase of a duration above 0; any other flashes yellow.
    [[nodiscard]] static bool ProgramRuns(const Configuration& c, int program);
    // The phase of `program` that follows `after` (0: its first phase): the next phase number,
    // cyclically, with a duration above 0. A program that does not run gives `after`.
    [[nodiscard]] static int NextPhase(const Configuration& c, int program, int after);

    // The length of the change from phase `from` to `to`: the slowest closing direction's
    // green, green flashing, yellow and red steps, then the slowest opening direction's
    // red-yellow. 0 when no direction changes or every step is 0.
    [[nodiscard]] static int ChangeLength(const Configuration& c, int from, int to);
    // The closing part of that change: when the last closing direction has done its steps and
    // the openers' red-yellow begins to count down.
    [[nodiscard]] static int ClosingLength(const Configuration& c, int from, int to);
    // What `direction` shows through the change from `from` to `to` of the given length.
    [[nodiscard]] static ChangeSpans Change(const Configuration& c, int direction, int from, int to, int length);
    // What it shows in the own time of `phase`: green, red, or dark when not in use.
    [[nodiscard]] static Signal InPhaseSignal(const Configuration& c, int direction, int phase);

    // The program in force in each half-hour of the week (slot 0 Monday 00:00): the last switch
    // point at or before it, looking back across the week; 1..9 or kYellowMode. A week with no
    // switch point runs program 1.
    [[nodiscard]] static std::array<std::uint8_t, kWeekSlots> WeekTable(const Configuration& c);
    [[nodiscard]] static int ScheduledProgram(const Configuration& c, int day, int hours, int minutes);
    // The week as spans of one program, day by day (a day's first span continues the evening before).
    [[nodiscard]] static std::vector<WeekSpan> Week(const Configuration& c);
};

} // namespace vlk
