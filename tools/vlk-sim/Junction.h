#pragma once

#include "config/Configuration.h"

#include <array>
#include <chrono>
#include <cstdint>

namespace vlk {

inline constexpr std::size_t kStateFrameSize = 26;
using StateFrame = std::array<std::uint8_t, kStateFrameSize>;

// The running junction inside the simulated controller: a week clock, the program the schedule
// chooses, the phases of that program with the intermediate steps between them, and the operator's
// commands. It knows nothing of the line; the simulator advances it and asks it for frames.
//
// Between two phases every direction that loses its green runs green ("Т зел."), green flashing,
// yellow and red ("Т.кр") for its own step times; when the slowest of them is done, every direction
// that gains green shows red-yellow for its own red-yellow time, and all of them turn green together.
// Times are seconds.
class Junction {
public:
    // Starts at the given time (day 0 Monday) with the program the schedule has for it.
    // memoryValid false: the controller could not use its memory; it flashes yellow and reports "ОШ".
    explicit Junction(const Configuration& configuration, bool memoryValid = true, int day = 0, int hours = 0,
                      int minutes = 0, int seconds = 0);

    // day 0 Monday .. 6 Sunday. The running phase goes on; a new program starts at its end.
    void SetClock(int day, int hours, int minutes, int seconds = 0);
    void Advance(std::chrono::milliseconds elapsed);
    // A console command byte; repeated bytes change nothing, unknown bytes are ignored.
    void Command(std::uint8_t byte);

    [[nodiscard]] StateFrame Frame() const;

    [[nodiscard]] int CurrentPhase() const { return m_phase; }
    [[nodiscard]] int CalledPhase() const;
    [[nodiscard]] int Program() const { return m_program; }
    [[nodiscard]] bool InTransition() const { return m_regime == Regime::Transition; }
    [[nodiscard]] bool YellowFlashing() const { return m_regime == Regime::YellowFlash; }
    [[nodiscard]] bool LampsOff() const { return m_regime == Regime::LampsOff; }
    [[nodiscard]] bool OperatorControl() const { return m_operator; }
    [[nodiscard]] int Day() const;
    [[nodiscard]] int Hours() const;
    [[nodiscard]] int Minutes() const;
    [[nodiscard]] int Seconds() const;

private:
    enum class Regime { Phase, Transition, YellowFlash, LampsOff };
    enum Lamp : std::uint8_t { Red = 1, Yellow = 2, Green = 4 };

    [[nodiscard]] int ScheduledProgram() const;   // 1..9, or 10 for the yellow mode
    [[nodiscard]] bool ProgramRuns(int program) const;
    [[nodiscard]] int NextPhase(int program, int after) const;
    [[nodiscard]] std::int64_t UntilNextEvent() const;
    void Update();
    void StartTransition(int from, int to);
    void EnterPhase(int phase);
    void FollowSchedule();
    [[nodiscard]] std::uint8_t Lamps(int direction) const;   // Lamp bits of direction 0..23

    Configuration m_config;
    bool m_memoryValid;
    std::int64_t m_weekMs = 0;          // time since Monday 00:00
    Regime m_regime = Regime::YellowFlash;
    std::int64_t m_regimeMs = 0;        // time spent in the current phase, transition or mode
    int m_program = 0;                  // program running, 0 none
    int m_phase = 0;                    // current phase, 0 none
    int m_target = 0;                   // phase a transition leads to
    std::int64_t m_transitionMs = 0;    // length of the running transition
    int m_called = 0;                   // phase the operator called, 0 none
    bool m_operator = false;            // "РУ"
    std::uint8_t m_command = 0x00;
};

} // namespace vlk
