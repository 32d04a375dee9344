#pragma once

// Every byte the station and the controller exchange: the 26-byte state frame, the console
// command bytes, the clock message, the programming toggle and the memory-transfer commands.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vlk {

inline constexpr std::size_t kStateFrameSize = 26;
inline constexpr std::size_t kClockMessageSize = 6;
inline constexpr std::size_t kAccountRecordMax = 67; // text bytes the station takes at most

using FrameBytes = std::array<std::uint8_t, kStateFrameSize>;
using ClockMessage = std::array<std::uint8_t, kClockMessageSize>;

// Console command bytes (normal mode); a command is a level repeated after every frame.
namespace command {
inline constexpr std::uint8_t kNone = 0x00;
inline constexpr std::uint8_t kOperatorControl = 0x40;
inline constexpr std::uint8_t kPhaseBase = 0x40;     // 0x41..0x48: call of phase 1..8
inline constexpr std::uint8_t kYellowFlashing = 0x50; // "ЖМ"
inline constexpr std::uint8_t kLightsOff = 0x60;      // "ОС"
inline constexpr std::uint8_t kNotReady = 0x2A;       // "*": answer to a frame with "ПС" clear
[[nodiscard]] constexpr std::uint8_t CallPhase(int phase) { return static_cast<std::uint8_t>(kPhaseBase + phase); }
} // namespace command

// Programming toggle (both directions) and its acceptance byte on entry.
inline constexpr std::array<std::uint8_t, 2> kProgrammingToggle{0xD5, 0x33};
inline constexpr std::uint8_t kToggleAccepted = 0xFF;

// Memory transfer (programming mode). The same values mean other things in normal mode:
// the controller's mode decides.
inline constexpr std::uint8_t kSectorWriteBase = 0xA0;   // 0xA0 + k, then 128 bytes
inline constexpr std::uint8_t kSectorRefusedBase = 0xF0; // reply 0xF0 + k: refused
inline constexpr std::uint8_t kSectorReadBase = 0x50;    // 0x50 + k, reply 128 bytes
[[nodiscard]] constexpr std::uint8_t SectorWriteCommand(int k) { return static_cast<std::uint8_t>(kSectorWriteBase + k); }
[[nodiscard]] constexpr std::uint8_t SectorRefusedReply(int k) { return static_cast<std::uint8_t>(kSectorRefusedBase + k); }
[[nodiscard]] constexpr std::uint8_t SectorReadCommand(int k) { return static_cast<std::uint8_t>(kSectorReadBase + k); }

// Clock message tags: high nibble tag, low nibble digit.
namespace clocktag {
inline constexpr std::uint8_t kMinuteUnits = 0x80;
inline constexpr std::uint8_t kMinuteTens = 0x90;
inline constexpr std::uint8_t kHourUnits = 0xA0;
inline constexpr std::uint8_t kHourTens = 0xB0;
inline constexpr std::uint8_t kDay = 0xC0;
inline constexpr std::uint8_t kEnd = 0xF0;
} // namespace clocktag

// Status flags of byte 0, in bit order: "Тпром", "Тмин", "ЖМ", "РУ", "ОС", "ПС", "АВАРИЯ", "ОШ".
namespace status {
inline constexpr std::uint8_t kTransitionTime = 1 << 0; // "Тпром"
inline constexpr std::uint8_t kMinimumTime = 1 << 1;    // "Тмин"
inline constexpr std::uint8_t kYellowFlashing = 1 << 2; // "ЖМ"
inline constexpr std::uint8_t kOperator = 1 << 3;       // "РУ"
inline constexpr std::uint8_t kLightsOff = 1 << 4;      // "ОС"
inline constexpr std::uint8_t kConsoleReady = 1 << 5;   // "ПС": gates the exchange
inline constexpr std::uint8_t kAlarm = 1 << 6;          // "АВАРИЯ"
inline constexpr std::uint8_t kError = 1 << 7;          // "ОШ"
} // namespace status

inline constexpr int kFrameDirections = 24;
inline constexpr int kFrameRedSensorChannels = 16;
inline constexpr int kFrameGreenSensorChannels = 24;
inline constexpr int kNoDay = -1;

// A state frame decoded field by field; raw keeps the bytes it came from.
struct StateFrame {
    FrameBytes raw{};
    std::array<bool, 8> status{};   // bit b of byte 0
    int currentPhase = 0;
    int calledPhase = 0;
    int priority = 0;
    int dayValue = 0;               // 0 Monday .. 6 Sunday; 7..15 carry no day
    int program = 0;
    int hours = 0;                  // packed decimal, unchecked nibbles
    int minutes = 0;
    std::array<bool, kFrameDirections> failure{};
    std::array<bool, kFrameDirections> red{};
    std::array<bool, kFrameDirections> yellow{};
    std::array<bool, kFrameDirections> green{};
    std::array<bool, kFrameRedSensorChannels> redSensorL1{};
    std::array<bool, kFrameRedSensorChannels> redSensorL2{};
    std::array<bool, kFrameGreenSensorChannels> greenSensor{};

    // The day the frame names, or kNoDay for values 7..15.
    [[nodiscard]] int Day() const { return dayValue <= 6 ? dayValue : kNoDay; }
    [[nodiscard]] bool ConsoleReady() const { return status[5]; }
};

[[nodiscard]] int LowNibble(std::uint8_t byte);
[[nodiscard]] int HighNibble(std::uint8_t byte);
// Units in the low nibble, tens in the high one, nibbles above 9 unchecked: 0x1F reads 25.
[[nodiscard]] int PackedDecimal(std::uint8_t byte);
// Item n (from 1) of a run of flag bytes is bit (n-1) mod 8 of byte (n-1) div 8.
[[nodiscard]] bool RunFlag(const std::uint8_t* run, int item);

[[nodiscard]] StateFrame DecodeStateFrame(const FrameBytes& bytes);

// Minutes and hours are taken modulo 256 first; nothing is range-tested.
[[nodiscard]] ClockMessage BuildClockMessage(int minutes, int hours, int day);

// Status flag labels as the console shows them, bit 0 first.
inline constexpr std::array<const char*, 8> kStatusLabels{"Тпром", "Тмин", "ЖМ", "РУ", "ОС", "ПС", "АВАРИЯ", "ОШ"};

} // namespace vlk
