#include "Junction.h"

#include <algorithm>

namespace vlk {
namespace {

constexpr std::int64_t kSecondMs = 1000;
constexpr std::int64_t kSlotMs = 30 * 60 * kSecondMs;
constexpr std::int64_t kDayMs = 24 * 60 * 60 * kSecondMs;
constexpr std::int64_t kWeekMs = 7 * kDayMs;

// Flashing lamps are lit in the first half of every second.
bool FlashOn(std::int64_t ms) { return ms % kSecondMs < kSecondMs / 2; }

std::uint8_t PackedDecimal(int value) { return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10)); }

} // namespace

namespace {
std::int64_t WeekTime(int day, int hours, int minutes, int seconds)
{
    const std::int64_t ms = (((static_cast<std::int64_t>(day) * 24 + hours) * 60 + minutes) * 60 + seconds) * kSecondMs;
    return ((ms % kWeekMs) + kWeekMs) % kWeekMs;
}
} // namespace

Junction::Junction(const Configuration& configuration, bool memoryValid, int day, int hours, int minutes, int seconds)
    : m_config(configuration), m_memoryValid(memoryValid), m_weekMs(WeekTime(day, hours, minutes, seconds))
{
    Update();
}

void Junction::SetClock(int day, int hours, int minutes, int seconds)
{
    m_weekMs = WeekTime(day, hours, minutes, seconds);
    Update();
}

void Junction::Advance(std::chrono::milliseconds elapsed)
{
    // Beyond a week nothing new can happen that a shorter run would not show.
    std::int64_t left = std::clamp<std::int64_t>(elapsed.count(), 0, kWeekMs);
    while (left > 0) {
        const std::int64_t step = std::min(left, UntilNextEvent());
        m_weekMs = (m_weekMs + step) % kWeekMs;
        m_regimeMs += step;
        left -= step;
        Update();
    }
}

void Junction::Command(std::uint8_t byte)
{
    if (byte == m_command)
        return;
    if (byte == 0x00) {
        m_operator = false;
        m_called = 0;
    } else if (byte == 0x40) {
        m_operator = true;
        m_called = 0;
    } else if (byte >= 0x41 && byte <= 0x48) {
        m_operator = true;
        m_called = byte - 0x40;
        if (m_regime == Regime::YellowFlash || m_regime == Regime::LampsOff)
            StartTransition(0, m_called);
    } else if (byte == 0x50 || byte == 0x60) {
        m_operator = true;
        m_called = 0;
        m_regime = byte == 0x50 ? Regime::YellowFlash : Regime::LampsOff;
        m_regimeMs = 0;
        m_phase = 0;
        m_target = 0;
    } else {
        return;
    }
    m_command = byte;
    Update();
}

int Junction::CalledPhase() const
{
    if (m_operator)
        return m_called;
    return m_regime == Regime::Transition ? m_target : 0;
}

int Junction::Day() const { return static_cast<int>(m_weekMs / kDayMs); }
int Junction::Hours() const { return static_cast<int>(m_weekMs % kDayMs / (60 * 60 * kSecondMs)); }
int Junction::Minutes() const { return static_cast<int>(m_weekMs % (60 * 60 * kSecondMs) / (60 * kSecondMs)); }
int Junction::Seconds() const { return static_cast<int>(m_weekMs % (60 * kSecondMs) / kSecondMs); }

int Junction::ScheduledProgram() const
{
    // The last switch point at or before now, looking back across the week.
    const int now = static_cast<int>(m_weekMs / kSlotMs);
    const int total = kDayCount * kSlotCount;
    for (int back = 0; back < total; ++back) {
        const int slot = (now - back + total) % total;
        const int value = m_config.week[slot / kSlotCount][slot % kSlotCount];
        if (value >= 1 && value <= kYellowMode)
            return value;
    }
    return 1; // an empty week runs the first program
}

bool Junction::ProgramRuns(int program) const
{
    if (!m_memoryValid || program < 1 || program > kProgramCount)
        return false;
    const auto& durations = m_config.programDuration[program - 1];
    return std::any_of(durations.begin(), durations.end(), [](std::uint8_t d) { return d != 0; });
}

int Junction::NextPhase(int program, int after) const
{
    const auto& durations = m_config.programDuration[program - 1];
    for (int i = 1; i <= kPhaseCount; ++i) {
        const int phase = (after + i - 1) % kPhaseCount + 1;
        if (durations[phase - 1] != 0)
            return phase;
    }
    return after;
}

std::int64_t Junction::UntilNextEvent() const
{
    std::int64_t until = kSlotMs - m_weekMs % kSlotMs;
    if (m_regime == Regime::Transition) {
        until = std::min(until, m_transitionMs - m_regimeMs);
    } else if (m_regime == Regime::Phase) {
        if (!m_operator) {
            const int program = m_program != 0 ? m_program : ScheduledProgram();
            if (program >= 1 && program <= kProgramCount)
                until = std::min(until, m_config.programDuration[program - 1][m_phase - 1] * kSecondMs - m_regimeMs);
        } else if (m_called != 0 && m_called != m_phase) {
            until = std::min(until, m_config.phaseMinTime[m_phase - 1] * kSecondMs - m_regimeMs);
        }
    }
    return std::max<std::int64_t>(until, 1);
}

void Junction::Update()
{
    // A few rounds at most: a transition of length 0 leads straight into its phase, and so on.
    for (int round = 0; round < 4; ++round) {
        const Regime regime = m_regime;
        const int phase = m_phase;
        if (m_regime == Regime::Transition && m_regimeMs >= m_transitionMs)
            EnterPhase(m_target);
        if (!m_operator) {
            FollowSchedule();
        } else if (m_regime == Regime::Phase && m_called != 0 && m_called != m_phase
                   && m_regimeMs >= m_config.phaseMinTime[m_phase - 1] * kSecondMs) {
            StartTransition(m_phase, m_called);
        }
        if (regime == m_regime && phase == m_phase)
            break;
    }
}

void Junction::FollowSchedule()
{
    const int scheduled = ScheduledProgram();
    if (!ProgramRuns(scheduled)) {
        if (m_regime != Regime::YellowFlash) {
            m_regime = Regime::YellowFlash;
            m_regimeMs = 0;
            m_phase = 0;
            m_target = 0;
        }
        m_program = 0;
        return;
    }
    switch (m_regime) {
    case Regime::YellowFlash:
    case Regime::LampsOff:
        m_program = scheduled;
        StartTransition(0, NextPhase(scheduled, 0));
        break;
    case Regime::Transition:
        break; // a new program starts with the next phase
    case Regime::Phase: {
        const int program = m_program != 0 ? m_program : scheduled;
        if (m_regimeMs < m_config.programDuration[program - 1][m_phase - 1] * kSecondMs)
            break;
        m_program = scheduled;
        const int next = NextPhase(scheduled, m_phase);
        if (next == m_phase)
            m_regimeMs = 0; // a one-phase program keeps its phase
        else
            StartTransition(m_phase, next);
        break;
    }
    }
}

void Junction::StartTransition(int from, int to)
{
    auto green = [this](int direction, int phase) {
        return phase != 0 && (m_config.directions[direction].phaseMask >> (phase - 1) & 1) != 0;
    };
    std::int64_t closing = 0;
    std::int64_t opening = 0;
    for (int d = 0; d < kDirectionCount; ++d) {
        const auto& steps = m_config.directions[d].stepTimes;
        if (green(d, from) && !green(d, to))
            closing = std::max<std::int64_t>(closing, steps[StepGreen] + steps[StepGreenFlashing] + steps[StepYellow] + steps[StepRed]);
        else if (!green(d, from) && green(d, to))
            opening = std::max<std::int64_t>(opening, steps[StepRedYellow]);
    }
    m_regime = Regime::Transition;
    m_regimeMs = 0;
    m_phase = from;
    m_target = to;
    m_transitionMs = (closing + opening) * kSecondMs;
}

void Junction::EnterPhase(int phase)
{
    m_regime = Regime::Phase;
    m_regimeMs = 0;
    m_phase = phase;
    m_target = 0;
}

std::uint8_t Junction::Lamps(int direction) const
{
    const Direction& dir = m_config.directions[direction];
    if (dir.phaseMask == 0)
        return 0; // not in use
    auto green = [&dir](int phase) { return phase != 0 && (dir.phaseMask >> (phase - 1) & 1) != 0; };
    switch (m_regime) {
    case Regime::LampsOff:
        return 0;
    case Regime::YellowFlash:
        return FlashOn(m_weekMs) ? Yellow : 0;
    case Regime::Phase:
        return green(m_phase) ? Green : Red;
    case Regime::Transition:
        break;
    }
    const bool before = green(m_phase);
    const bool after = green(m_target);
    if (before == after)
        return before ? Green : Red;
    const std::int64_t t = m_regimeMs;
    if (before) {
        const std::int64_t greenEnd = dir.stepTimes[StepGreen] * kSecondMs;
        const std::int64_t flashEnd = greenEnd + dir.stepTimes[StepGreenFlashing] * kSecondMs;
        const std::int64_t yellowEnd = flashEnd + dir.stepTimes[StepYellow] * kSecondMs;
        if (t < greenEnd)
            return Green;
        if (t < flashEnd)
            return FlashOn(t - greenEnd) ? Green : 0;
        if (t < yellowEnd)
            return Yellow;
        return Red;
    }
    if (t < m_transitionMs - dir.stepTimes[StepRedYellow] * kSecondMs)
        return Red;
    return Red | Yellow;
}

StateFrame Junction::Frame() const
{
    StateFrame frame{};
    std::uint8_t flags = 0x20; // "ПС": the console may talk to the controller
    if (m_regime == Regime::Transition)
        flags |= 0x01; // "Тпром"
    if (m_regime == Regime::Phase && m_regimeMs < m_config.phaseMinTime[m_phase - 1] * kSecondMs)
        flags |= 0x02; // "Тмин"
    if (m_regime == Regime::YellowFlash)
        flags |= 0x04; // "ЖМ"
    if (m_operator)
        flags |= 0x08; // "РУ"
    if (m_regime == Regime::LampsOff)
        flags |= 0x10; // "ОС"
    if (!m_memoryValid)
        flags |= 0x80; // "ОШ"
    frame[0] = flags;
    frame[1] = static_cast<std::uint8_t>((m_phase & 0x0F) | (CalledPhase() & 0x0F) << 4);
    // The priority of the request in charge: the console ("РУП") or the program ("РП").
    frame[2] = m_operator ? m_config.priority[0] : m_config.priority[kRequestCount - 1];
    frame[3] = static_cast<std::uint8_t>((Day() & 0x0F) | (m_program & 0x0F) << 4);
    frame[4] = PackedDecimal(Hours());
    frame[5] = PackedDecimal(Minutes());
    for (int d = 0; d < kDirectionCount; ++d) {
        const std::uint8_t lamps = Lamps(d);
        const auto bit = static_cast<std::uint8_t>(1u << (d % 8));
        if (lamps & Red)
            frame[9 + d / 8] |= bit;
        if (lamps & Yellow)
            frame[12 + d / 8] |= bit;
        if (lamps & Green)
            frame[15 + d / 8] |= bit;
        // The lamp sensors see what the lamps show.
        for (int k = 0; k < kRedSensorChannels; ++k)
            if ((lamps & Red) && (m_config.redSensors[d] >> k & 1))
                frame[18 + k / 4] |= static_cast<std::uint8_t>(3u << (2 * (k % 4)));
        for (int k = 0; k < kGreenSensors; ++k)
            if ((lamps & Green) && (m_config.greenSensors[d] >> k & 1))
                frame[22 + k / 6] |= static_cast<std::uint8_t>(1u << (k % 6));
    }
    return frame;
}

} // namespace vlk
