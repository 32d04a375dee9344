#include "plan/SignalModel.h"

#include <algorithm>

namespace vlk {

namespace {

bool Valid(int direction) { return direction >= 1 && direction <= kDirectionCount; }

const Direction& Dir(const Configuration& c, int direction) { return c.directions[direction - 1]; }

int Steps(const Direction& d, StepIndex step) { return d.stepTimes[step]; }

} // namespace

bool SignalModel::InUse(const Configuration& c, int direction)
{
    return Valid(direction) && Dir(c, direction).phaseMask != 0;
}

bool SignalModel::InPhase(const Configuration& c, int direction, int phase)
{
    return Valid(direction) && phase >= 1 && phase <= kPhaseCount && (Dir(c, direction).phaseMask >> (phase - 1) & 1) != 0;
}

bool SignalModel::ProgramRuns(const Configuration& c, int program)
{
    if (program < 1 || program > kProgramCount)
        return false;
    const auto& durations = c.programDuration[program - 1];
    return std::any_of(durations.begin(), durations.end(), [](std::uint8_t d) { return d != 0; });
}

int SignalModel::NextPhase(const Configuration& c, int program, int after)
{
    if (program < 1 || program > kProgramCount)
        return after;
    const auto& durations = c.programDuration[program - 1];
    const int from = std::clamp(after, 0, kPhaseCount);
    for (int i = 1; i <= kPhaseCount; ++i) {
        const int phase = (from + i - 1) % kPhaseCount + 1;
        if (durations[phase - 1] != 0)
            return phase;
    }
    return after;
}

int SignalModel::ClosingLength(const Configuration& c, int from, int to)
{
    int closing = 0;
    for (int d = 1; d <= kDirectionCount; ++d) {
        if (InPhase(c, d, from) && !InPhase(c, d, to)) {
            const Direction& dir = Dir(c, d);
            closing = std::max(closing, Steps(dir, StepGreen) + Steps(dir, StepGreenFlashing) + Steps(dir, StepYellow)
                                            + Steps(dir, StepRed));
        }
    }
    return closing;
}

int SignalModel::ChangeLength(const Configuration& c, int from, int to)
{
    int opening = 0;
    for (int d = 1; d <= kDirectionCount; ++d)
        if (!InPhase(c, d, from) && InPhase(c, d, to))
            opening = std::max(opening, Steps(Dir(c, d), StepRedYellow));
    return ClosingLength(c, from, to) + opening;
}

ChangeSpans SignalModel::Change(const Configuration& c, int direction, int from, int to, int length)
{
    ChangeSpans result;
    int at = 0;
    auto add = [&](Signal signal, int seconds) {
        seconds = std::min(seconds, length - at);
        if (seconds <= 0)
            return;
        result.spans[result.count++] = SignalSpan{signal, at, seconds};
        at += seconds;
    };
    if (!InUse(c, direction)) {
        add(Signal::Dark, length);
        return result;
    }
    const bool before = InPhase(c, direction, from);
    const bool after = InPhase(c, direction, to);
    const Direction& dir = Dir(c, direction);
    if (before == after) {
        add(before ? Signal::Green : Signal::Red, length);
    } else if (before) {
        // Closing: its own steps, then red until the slowest closing direction and the openers' red-yellow are done.
        add(Signal::Green, Steps(dir, StepGreen));
        add(Signal::GreenFlashing, Steps(dir, StepGreenFlashing));
        add(Signal::Yellow, Steps(dir, StepYellow));
        add(Signal::Red, length);
    } else {
        // Opening: red, then its own red-yellow ending with the change, so that all openers turn green together.
        add(Signal::Red, length - Steps(dir, StepRedYellow));
        add(Signal::RedYellow, length);
    }
    return result;
}

Signal SignalModel::InPhaseSignal(const Configuration& c, int direction, int phase)
{
    if (!InUse(c, direction))
        return Signal::Dark;
    return InPhase(c, direction, phase) ? Signal::Green : Signal::Red;
}

std::array<std::uint8_t, kWeekSlots> SignalModel::WeekTable(const Configuration& c)
{
    std::array<std::uint8_t, kWeekSlots> table{};
    auto value = [&c](int slot) { return c.week[slot / kSlotCount][slot % kSlotCount]; };
    // The switch point in force at Monday 00:00 is the week's last one.
    int current = 1;
    for (int slot = kWeekSlots - 1; slot >= 0; --slot) {
        if (value(slot) >= 1 && value(slot) <= kYellowMode) {
            current = value(slot);
            break;
        }
    }
    for (int slot = 0; slot < kWeekSlots; ++slot) {
        if (value(slot) >= 1 && value(slot) <= kYellowMode)
            current = value(slot);
        table[slot] = static_cast<std::uint8_t>(current);
    }
    return table;
}

int SignalModel::ScheduledProgram(const Configuration& c, int day, int hours, int minutes)
{
    const int minute = ((day * 24 + hours) * 60 + minutes) % (kWeekSlots * 30);
    return WeekTable(c)[(minute + kWeekSlots * 30) % (kWeekSlots * 30) / 30];
}

std::vector<WeekSpan> SignalModel::Week(const Configuration& c)
{
    const auto table = WeekTable(c);
    std::vector<WeekSpan> spans;
    for (int day = 0; day < kDayCount; ++day) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int program = table[day * kSlotCount + slot];
            if (slot == 0 || spans.back().program != program)
                spans.push_back(WeekSpan{day, slot, slot + 1, program});
            else
                spans.back().endSlot = slot + 1;
        }
    }
    return spans;
}

} // namespace vlk
