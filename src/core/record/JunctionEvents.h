#pragma once

// What a junction did, read from its state frames: the alarms that become active and are cleared
// (status flags, a direction's failure, a lamp out or lit against the controller's will, a phase
// that overruns its program, the controller's clock gone off, the line lost) and the notices of the
// program changing and of the operator's commands. The tracker is fed one record at a time, so the
// station can follow a live exchange and a replay alike; RecordingEvents reads a whole recording.

#include "config/Configuration.h"
#include "record/Recording.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vlk {

enum class EventKind {
    Alarm,            // status flag "АВАРИЯ"
    Error,            // status flag "ОШ"
    YellowFlashing,   // status flag "ЖМ"
    LightsOff,        // status flag "ОС"
    Manual,           // status flag "РУ"
    DirectionFailure, // a direction's failure flag
    LampOut,          // a lamp driven on whose sensor stays off
    SensorOn,         // a sensor on while its lamp is not driven
    Program,          // the program changed (notice)
    PhaseOverrun,     // a phase longer than its program says, by more than kOverrunMs
    Clock,            // the controller's clock off the computer's by more than kClockMinutes
    Line,             // the line lost and back
    Command,          // the operator's commands (notice)
};
inline constexpr int kEventKindCount = 13;

enum class EventLamp { None, Red, Green };

// The kind as the exports name it: "alarm", "error", "yellow-flashing", "lights-off", "manual",
// "direction-failure", "lamp-out", "sensor-on", "program", "phase-overrun", "clock", "line",
// "command".
[[nodiscard]] const char* EventKindId(EventKind kind);
// The kind as the user reads it, in Russian.
[[nodiscard]] const char* EventKindTitle(EventKind kind);
[[nodiscard]] std::optional<EventKind> EventKindFromId(const std::string& id);

struct JunctionEvent {
    std::int64_t timeMs = 0;       // UTC milliseconds: when the state began (a lamp fault: its first frame)
    EventKind kind = EventKind::Alarm;
    int priority = 3;              // 1 high .. 3 low
    int direction = 0;             // 1..24, 0 none
    int channel = 0;               // sensor channel, 0 none
    EventLamp lamp = EventLamp::None;
    int sensor = 0;                // of a red channel: 1 "Л1", 2 "Л2"; 0 otherwise
    bool active = true;            // becomes active (true) or is cleared (false)
    bool alarm = true;             // false: a notice, which nobody clears
    std::string message;           // a Russian sentence

    bool operator==(const JunctionEvent&) const = default;
};

class EventTracker {
public:
    static constexpr std::int64_t kLampFaultMs = 2000;  // a lamp and its sensor disagreeing this long
    static constexpr std::int64_t kOverrunMs = 5000;    // beyond the phase's time in the program
    static constexpr int kClockMinutes = 2;             // more than this off the computer's clock

    explicit EventTracker(const Configuration& configuration);

    // The events this record brings, in time order.
    [[nodiscard]] std::vector<JunctionEvent> Feed(const RecordEntry& record);

private:
    struct Sensor {
        int direction = 0;
        int channel = 0;
        EventLamp lamp = EventLamp::Red;
        int sensor = 0;
        std::int64_t since = -1;                      // disagreeing since, -1 not
        std::optional<EventKind> disagreement;        // LampOut or SensorOn while disagreeing
        std::optional<EventKind> active;              // the alarm raised
    };

    void Frame(const RecordEntry& record, std::vector<JunctionEvent>& out);
    void Answer(const RecordEntry& record, std::vector<JunctionEvent>& out);
    void Lamps(std::int64_t t, const StateFrame& frame, std::vector<JunctionEvent>& out);
    void Phase(std::int64_t t, const StateFrame& frame, std::vector<JunctionEvent>& out);
    void ClockCheck(std::int64_t t, const StateFrame& frame, std::vector<JunctionEvent>& out);
    // Every timer starts again after a gap in the frames.
    void ForgetTimers();

    Configuration m_config;
    std::vector<Sensor> m_sensors;
    std::array<bool, 8> m_status{};
    std::array<bool, kDirectionCount> m_failure{};
    int m_program = -1;                 // -1: no frame yet
    int m_phase = 0;                    // the running phase measured, 0 none
    std::int64_t m_phaseSince = 0;
    bool m_overrun = false;
    std::optional<int> m_clockOff;      // minutes, while the clock alarm is active
    bool m_lineLost = false;
    std::uint8_t m_command = 0x00;      // the console command last sent
};

// Every event of a recording, read with `configuration` (the recording's own image decoded, or
// one the user names), in time order.
[[nodiscard]] std::vector<JunctionEvent> RecordingEvents(const Recording& recording, const Configuration& configuration);

} // namespace vlk
