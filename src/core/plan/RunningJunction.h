#pragma once

#include "config/Configuration.h"
#include "plan/Signal.h"
#include "plan/SignalModel.h"

#include <array>
#include <cstdint>

namespace vlk {

// A junction running its configuration through the week: the program the schedule chooses, its
// phases with the changes between them, yellow flashing and lamps off, and the operator's
// commands. Time is a week clock in milliseconds that only the caller moves (Advance, SetWeekTime);
// there is no line and no real clock in here. What the directions show comes from SignalModel.
class RunningJunction {
public:
    enum class Regime { Phase, Change, YellowFlashing, LampsOff };

    static constexpr std::int64_t kWeekMs = std::int64_t{7} * 24 * 60 * 60 * 1000;

    // weekMs: time since Monday 00:00. usable false: the controller cannot use its memory and
    // flashes yellow whatever the configuration says.
    RunningJunction(const Configuration& configuration, bool usable, std::int64_t weekMs);

    // The running phase goes on; a new program starts at its end.
    void SetWeekTime(std::int64_t weekMs);
    void Advance(std::int64_t ms);

    // Operator commands. Back to the schedule; hold the running phase ("РУ"); call a phase
    // (after the running phase's minimum time, through the change, then held); yellow flashing;
    // lamps off. Each takes effect at once.
    void FollowSchedule();
    void Hold();
    void CallPhase(int phase);
    void FlashYellow();
    void SwitchLampsOff();

    [[nodiscard]] Regime CurrentRegime() const { return m_regime; }
    // The running phase; in a change the phase being left; 0 none.
    [[nodiscard]] int Phase() const { return m_phase; }
    // In a change: the phase being entered.
    [[nodiscard]] int Target() const { return m_target; }
    // Under the operator: the phase called (0 none); else the phase a change leads to.
    [[nodiscard]] int CalledPhase() const;
    // The program running, 0 while flashing or dark.
    [[nodiscard]] int Program() const { return m_program; }
    [[nodiscard]] bool OperatorControl() const { return m_operator; }
    // The running phase has not yet had its "Мин. время".
    [[nodiscard]] bool InMinimumTime() const;
    [[nodiscard]] std::int64_t WeekMs() const { return m_weekMs; }
    // Time spent in the current phase, change or mode.
    [[nodiscard]] std::int64_t RegimeMs() const { return m_regimeMs; }

    // direction 1..24
    [[nodiscard]] Signal SignalOf(int direction) const;
    [[nodiscard]] std::uint8_t LitLampsOf(int direction) const; // LampBit

    [[nodiscard]] const Configuration& Config() const { return m_config; }

private:
    [[nodiscard]] int ScheduledProgram() const;
    [[nodiscard]] bool ProgramRuns(int program) const;
    [[nodiscard]] std::int64_t UntilNextEvent() const;
    void Update();
    void StartChange(int from, int to);
    void EnterPhase(int phase);
    void ApplySchedule();
    void Stop(Regime regime);

    Configuration m_config;
    bool m_usable;
    std::array<std::uint8_t, kWeekSlots> m_schedule{};
    std::int64_t m_weekMs = 0;
    Regime m_regime = Regime::YellowFlashing;
    std::int64_t m_regimeMs = 0;
    int m_program = 0;
    int m_phase = 0;
    int m_target = 0;
    int m_changeLength = 0;     // seconds
    int m_called = 0;
    bool m_operator = false;
};

} // namespace vlk
