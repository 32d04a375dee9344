#include "plan/RunningJunction.h"

#include <algorithm>

namespace vlk {

namespace {

constexpr std::int64_t kSecondMs = 1000;
constexpr std::int64_t kSlotMs = 30 * 60 * kSecondMs;

std::int64_t WrapWeek(std::int64_t ms)
{
    return (ms % RunningJunction::kWeekMs + RunningJunction::kWeekMs) % RunningJunction::kWeekMs;
}

} // namespace

RunningJunction::RunningJunction(const Configuration& configuration, bool usable, std::int64_t weekMs)
    : m_config(configuration), m_usable(usable), m_schedule(SignalModel::WeekTable(configuration)),
      m_weekMs(WrapWeek(weekMs))
{
    Update();
}

void RunningJunction::SetWeekTime(std::int64_t weekMs)
{
    m_weekMs = WrapWeek(weekMs);
    Update();
}

void RunningJunction::Advance(std::int64_t ms)
{
    // Beyond a week nothing new can happen that a shorter run would not show.
    std::int64_t left = std::clamp<std::int64_t>(ms, 0, kWeekMs);
    while (left > 0) {
        const std::int64_t step = std::min(left, UntilNextEvent());
        m_weekMs = (m_weekMs + step) % kWeekMs;
        m_regimeMs += step;
        left -= step;
        Update();
    }
}

void RunningJunction::FollowSchedule()
{
    m_operator = false;
    m_called = 0;
    Update();
}

void RunningJunction::Hold()
{
    m_operator = true;
    m_called = 0;
    Update();
}

void RunningJunction::CallPhase(int phase)
{
    if (phase < 1 || phase > kPhaseCount)
        return;
    m_operator = true;
    m_called = phase;
    if (m_regime == Regime::YellowFlashing || m_regime == Regime::LampsOff)
        StartChange(0, m_called);
    Update();
}

void RunningJunction::FlashYellow()
{
    m_operator = true;
    m_called = 0;
    Stop(Regime::YellowFlashing);
    Update();
}

void RunningJunction::SwitchLampsOff()
{
    m_operator = true;
    m_called = 0;
    Stop(Regime::LampsOff);
    Update();
}

int RunningJunction::CalledPhase() const
{
    if (m_operator)
        return m_called;
    return m_regime == Regime::Change ? m_target : 0;
}

bool RunningJunction::InMinimumTime() const
{
    return m_regime == Regime::Phase && m_regimeMs < m_config.phaseMinTime[m_phase - 1] * kSecondMs;
}

int RunningJunction::ScheduledProgram() const { return m_schedule[m_weekMs / kSlotMs]; }

bool RunningJunction::ProgramRuns(int program) const { return m_usable && SignalModel::ProgramRuns(m_config, program); }

std::int64_t RunningJunction::UntilNextEvent() const
{
    std::int64_t until = kSlotMs - m_weekMs % kSlotMs;
    if (m_regime == Regime::Change) {
        until = std::min(until, m_changeLength * kSecondMs - m_regimeMs);
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

void RunningJunction::Update()
{
    // A few rounds at most: a change of length 0 leads straight into its phase, and so on.
    for (int round = 0; round < 4; ++round) {
        const Regime regime = m_regime;
        const int phase = m_phase;
        if (m_regime == Regime::Change && m_regimeMs >= m_changeLength * kSecondMs)
            EnterPhase(m_target);
        if (!m_operator) {
            ApplySchedule();
        } else if (m_regime == Regime::Phase && m_called != 0 && m_called != m_phase
                   && m_regimeMs >= m_config.phaseMinTime[m_phase - 1] * kSecondMs) {
            StartChange(m_phase, m_called);
        }
        if (regime == m_regime && phase == m_phase)
            break;
    }
}

void RunningJunction::ApplySchedule()
{
    const int scheduled = ScheduledProgram();
    if (!ProgramRuns(scheduled)) {
        // The yellow mode, or a program with nothing to run: flashing at once, whatever runs.
        if (m_regime != Regime::YellowFlashing)
            Stop(Regime::YellowFlashing);
        m_program = 0;
        return;
    }
    switch (m_regime) {
    case Regime::YellowFlashing:
    case Regime::LampsOff:
        m_program = scheduled;
        StartChange(0, SignalModel::NextPhase(m_config, scheduled, 0));
        break;
    case Regime::Change:
        break; // a new program starts when the phase this change leads into has run
    case Regime::Phase: {
        const int program = m_program != 0 ? m_program : scheduled;
        if (m_regimeMs < m_config.programDuration[program - 1][m_phase - 1] * kSecondMs)
            break;
        m_program = scheduled;
        const int next = SignalModel::NextPhase(m_config, scheduled, m_phase);
        if (next == m_phase)
            m_regimeMs = 0; // a one-phase program keeps its phase
        else
            StartChange(m_phase, next);
        break;
    }
    }
}

void RunningJunction::StartChange(int from, int to)
{
    m_regime = Regime::Change;
    m_regimeMs = 0;
    m_phase = from;
    m_target = to;
    m_changeLength = SignalModel::ChangeLength(m_config, from, to);
}

void RunningJunction::EnterPhase(int phase)
{
    m_regime = Regime::Phase;
    m_regimeMs = 0;
    m_phase = phase;
    m_target = 0;
}

void RunningJunction::Stop(Regime regime)
{
    m_regime = regime;
    m_regimeMs = 0;
    m_phase = 0;
    m_target = 0;
}

Signal RunningJunction::SignalOf(int direction) const
{
    if (!SignalModel::InUse(m_config, direction))
        return Signal::Dark;
    switch (m_regime) {
    case Regime::LampsOff:
        return Signal::Dark;
    case Regime::YellowFlashing:
        return Signal::YellowFlashing;
    case Regime::Phase:
        return SignalModel::InPhaseSignal(m_config, direction, m_phase);
    case Regime::Change:
        break;
    }
    const ChangeSpans spans = SignalModel::Change(m_config, direction, m_phase, m_target, m_changeLength);
    for (const SignalSpan& span : spans)
        if (m_regimeMs < span.End() * kSecondMs)
            return span.signal;
    return SignalModel::InPhaseSignal(m_config, direction, m_target);
}

std::uint8_t RunningJunction::LitLampsOf(int direction) const
{
    const Signal signal = SignalOf(direction);
    std::int64_t since = m_regimeMs;
    if (m_regime == Regime::Change) {
        for (const SignalSpan& span : SignalModel::Change(m_config, direction, m_phase, m_target, m_changeLength)) {
            if (m_regimeMs < span.End() * kSecondMs) {
                since = m_regimeMs - span.start * kSecondMs;
                break;
            }
        }
    }
    return LitLamps(signal, since, m_weekMs);
}

} // namespace vlk
