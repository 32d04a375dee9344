#pragma once

#include "config/Configuration.h"
#include "plan/RunningJunction.h"

#include <array>
#include <chrono>
#include <cstdint>

namespace vlk {

inline constexpr std::size_t kStateFrameSize = 26;
using StateFrame = std::array<std::uint8_t, kStateFrameSize>;

// The running junction inside the simulated controller. How the junction runs (the schedule, the
// phases and the intermediate steps between them, yellow flashing, lamps off, the operator's
// commands) is the core's RunningJunction; this class gives it the controller's face: console
// command bytes in, 26-byte state frames out, the lamp sensors echoing the lamps.
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

    [[nodiscard]] int CurrentPhase() const { return m_model.Phase(); }
    [[nodiscard]] int CalledPhase() const { return m_model.CalledPhase(); }
    [[nodiscard]] int Program() const { return m_model.Program(); }
    [[nodiscard]] bool InTransition() const { return m_model.CurrentRegime() == RunningJunction::Regime::Change; }
    [[nodiscard]] bool YellowFlashing() const { return m_model.CurrentRegime() == RunningJunction::Regime::YellowFlashing; }
    [[nodiscard]] bool LampsOff() const { return m_model.CurrentRegime() == RunningJunction::Regime::LampsOff; }
    [[nodiscard]] bool OperatorControl() const { return m_model.OperatorControl(); }
    [[nodiscard]] int Day() const;
    [[nodiscard]] int Hours() const;
    [[nodiscard]] int Minutes() const;
    [[nodiscard]] int Seconds() const;

    [[nodiscard]] const RunningJunction& Model() const { return m_model; }

private:
    RunningJunction m_model;
    bool m_memoryValid;
    std::uint8_t m_command = 0x00;
};

} // namespace vlk
