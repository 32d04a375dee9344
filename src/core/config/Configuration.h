#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vlk {

inline constexpr int kPhaseCount = 8;
inline constexpr int kProgramCount = 9;
inline constexpr int kDirectionCount = 24;
inline constexpr int kStepCount = 5;          // green, green flashing, yellow, red, red-yellow
inline constexpr int kDayCount = 7;           // Monday first
inline constexpr int kSlotCount = 48;         // half-hours of a day
inline constexpr int kMaxSwitchPoints = 10;   // non-zero slots a day
inline constexpr int kYellowMode = 10;        // slot value of the yellow mode "Ж"
inline constexpr int kOutputCount = 48;
inline constexpr int kLampRowCount = 72;      // three lamps (red, yellow, green) per direction
inline constexpr int kRequestCount = 10;
inline constexpr int kRedSensorChannels = 16;
inline constexpr int kGreenSensors = 24;
inline constexpr int kAccountRecordRoom = 159; // bytes of text the image has room for
inline constexpr std::uint8_t kMasterMark = 128;

// The days as the pages, the file's messages and the tools name them, Monday first.
inline constexpr std::array<std::string_view, kDayCount> kDayNames{"ПН", "ВТ", "СР", "ЧТ", "ПТ", "СБ", "ВС"};

// The request codes in the order of Configuration::priority, of the image's priority bytes and
// of the priority table's default rows; "РП" is always last.
inline constexpr std::array<std::string_view, kRequestCount> kRequestCodes{
    "РУП", "РУС", "ЗУ", "ДУ", "КУ", "ПР0", "ТВП", "МГР", "ЛС", "РП"};

// The step times of a direction, in the order of the direction table's columns 9..13.
enum StepIndex { StepGreen = 0, StepGreenFlashing, StepYellow, StepRed, StepRedYellow };

struct Direction {
    std::uint8_t phaseMask = 0;                  // bit p-1: the direction takes part in phase p
    std::array<std::uint8_t, kStepCount> stepTimes{};
    bool operator==(const Direction&) const = default;
};

// One day: slot k is the half-hour starting k*30 minutes after midnight;
// 0 nothing, 1..9 switch to that program, 10 switch to the yellow mode.
using DaySchedule = std::array<int, kSlotCount>;

// Everything a junction's configuration stores, as plain values. The cell texts of the pages
// are read into it with the "%d" rule; the codec turns it into the 1920-byte image and back.
struct Configuration {
    std::uint8_t circularRedTime = 0;
    bool masterController = true;
    std::uint8_t syncDelay = 0;                  // meaningful when masterController is false
    std::array<std::uint8_t, kPhaseCount> phaseMinTime{};
    // programDuration[i][p]: duration of phase p+1 in program i+1
    std::array<std::array<std::uint8_t, kPhaseCount>, kProgramCount> programDuration{};
    // phase (1..8) of program i+1 in which call point 1 / 2 is served; 0 = none
    std::array<std::uint8_t, kProgramCount> tvp1{};
    std::array<std::uint8_t, kProgramCount> tvp2{};
    std::array<Direction, kDirectionCount> directions{};
    std::array<DaySchedule, kDayCount> week{};
    // priority (1..10) of each request code, in the order of kRequestCodes
    std::array<std::uint8_t, kRequestCount> priority{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    // lampOutputs[3*(d-1)+lamp] bit o-1: output o drives that lamp (lamp 0 red, 1 yellow, 2 green)
    std::array<std::uint64_t, kLampRowCount> lampOutputs{};
    // waitBoards[t] bit o-1: output o drives the wait board of call point t+1
    std::array<std::uint64_t, 2> waitBoards{};
    // redSensors[d-1] bit k-1: red-lamp sensor channel k (titled 2k-1-2k) monitors direction d
    std::array<std::uint16_t, kDirectionCount> redSensors{};
    // greenSensors[d-1] bit k-1: green-lamp sensor k monitors direction d
    std::array<std::uint32_t, kDirectionCount> greenSensors{};
    // minSignalTime[0] red, [1] green; index d-1
    std::array<std::array<std::uint8_t, kDirectionCount>, 2> minSignalTime{};
    // interGreen[r-1][c-1]: time between the greens of direction r and direction c
    std::array<std::array<std::uint8_t, kDirectionCount>, kDirectionCount> interGreen{};
    std::string accountRecord;                   // Windows-1251 bytes, no terminator

    bool operator==(const Configuration&) const = default;

    // The configuration of a fresh start: master controller, default priorities, all else empty.
    [[nodiscard]] static Configuration FreshStart() { return {}; }
};

} // namespace vlk
