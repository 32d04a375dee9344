#pragma once

// The controller's side of the byte protocol, without a line: bytes in, the replies and the events
// out, the mode, the memory and the junction as state. Time comes from the caller (the moment a byte
// has wholly arrived), so a test can feed it bytes and read its answers directly; the simulator's
// line does the pty, the 9600-baud pacing, the noise and the recording.

#include "SimulatorOptions.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace vlk {
class Junction;
}

namespace vlk::sim {

using Clock = std::chrono::steady_clock;

enum class Mode { Normal, Programming };

struct ByteEvent {
    Clock::time_point time;  // when read from (received) or written to (sent) the line
    std::uint8_t byte;
};
// A console command byte or "*" received in normal mode, after the frame with this number
// (1 = the first frame since construction or ClearCounters; 0 = before any frame).
struct CommandEvent {
    Clock::time_point time;
    std::uint8_t byte;
    std::uint64_t afterFrame;
};
struct ClockEvent {
    Clock::time_point time;
    std::array<std::uint8_t, 6> bytes{};
    bool valid = false;      // every tag right and the time a real one; only then applied
    int day = 0;
    int hours = 0;
    int minutes = 0;
};
enum class SectorOutcome { Accepted, Refused, Ignored, AnsweredZero };
struct SectorWriteEvent {
    Clock::time_point time;
    int sector = 0;
    SectorOutcome outcome = SectorOutcome::Accepted;
    std::array<std::uint8_t, kSectorSize> data{};
};
struct SectorReadEvent {
    Clock::time_point time;
    int sector = 0;
    int shortBursts = 0;     // broken-off bursts before the whole sector
    bool whole = true;       // the whole sector was sent (last)
};
struct FrameEvent {
    Clock::time_point time;  // when its first byte went out
    std::vector<std::uint8_t> bytes;  // as built, before any noise (26, or fewer when cut short)
    bool exitReply = false;  // the answer to the programming-mode exit
};
using Event = std::variant<CommandEvent, ClockEvent, SectorWriteEvent, SectorReadEvent, FrameEvent>;

// Bytes for the line to send, after a pause (the bursts of a broken-off sector read).
struct Reply {
    std::vector<std::uint8_t> bytes;
    const char* what = "";
    std::chrono::milliseconds pauseBefore{0};
};

// What one received byte, or a frame falling due, makes the controller do.
struct Reaction {
    // The byte ended a message: the line acts only once its last byte has arrived.
    bool complete = false;
    // Programming mode was left: the next periodic frame is due one period after the reply.
    bool restarted = false;
    std::vector<Event> events;   // in the order they happened, to be recorded before the replies go
    std::vector<Reply> replies;
};

class ControllerProtocol {
public:
    // The junction starts at `clock` from the options' memory (or the demo junction's).
    ControllerProtocol(SimulatorOptions options, const SimulatorOptions::Clock& clock, Clock::time_point now);
    ~ControllerProtocol();
    ControllerProtocol(ControllerProtocol&&) noexcept;
    ControllerProtocol& operator=(ControllerProtocol&&) noexcept;

    // A line (re)starts: the junction's time runs from `now` (not across a stop), and a half-received
    // message is dropped.
    void Resume(Clock::time_point now);
    // One byte from the station that has wholly arrived at `arrival` (a later byte never has an
    // earlier arrival). A message whose bytes are more than 200 ms apart is abandoned.
    [[nodiscard]] Reaction Receive(std::uint8_t byte, Clock::time_point arrival);
    // Normal mode's unasked state frame (cut short while the short-frames fault lasts).
    [[nodiscard]] Reaction PeriodicFrame(Clock::time_point now);
    // A power cut: the controller starts again in normal mode on the memory it holds, its clock
    // running on, whatever it was doing; a half-received message is lost.
    void PowerCycle(Clock::time_point now);
    // The controller's alarm: every later frame carries "АВАРИЯ" (status bit 6) and direction 1
    // in failure, until it is cleared.
    void SetAlarm(bool on) { m_alarm = on; }

    [[nodiscard]] Mode CurrentMode() const { return m_mode; }
    [[nodiscard]] const ImageBytes& Memory() const { return m_memory; }
    [[nodiscard]] const vlk::Junction& JunctionState() const { return *m_junction; }
    [[nodiscard]] std::uint64_t FramesSent() const { return m_framesSent; }  // the exit replies included
    [[nodiscard]] int EntryToggles() const { return m_entryToggles; }
    [[nodiscard]] int ExitToggles() const { return m_exitToggles; }
    [[nodiscard]] int Restarts() const { return m_restarts; }
    // Forgets the counters; the junction, the mode and the memory stay.
    void ClearCounters();

private:
    struct TimedFault {
        int sector;
        int times;
    };
    void Feed(std::uint8_t byte, Clock::time_point arrival, Reaction& out);
    void Act(std::uint8_t byte, Clock::time_point arrival, Reaction& out);
    void EntryToggle(Reaction& out);
    void ExitToggle(Clock::time_point at, Reaction& out);
    void SectorWrite(Clock::time_point at, Reaction& out);
    void SectorRead(int sector, Clock::time_point at, Reaction& out);
    void ClockMessage(Clock::time_point at, Reaction& out);
    void StateFrame(bool exitReply, std::size_t length, Clock::time_point at, Reaction& out);
    void Advance(Clock::time_point now);
    // The junction's faults active at `at`, played into its 26-byte state frame.
    void PlayFaults(std::array<std::uint8_t, 26>& frame, Clock::time_point at) const;
    void Restart(const SimulatorOptions::Clock& clock);
    static bool Take(int& times);
    static bool TakeSector(std::vector<TimedFault>& faults, int sector);

    SimulatorOptions m_options;
    std::unique_ptr<vlk::Junction> m_junction;
    Clock::time_point m_junctionTime;   // the junction has been advanced up to here
    // The junction's faults count from here: construction, then the first Resume (Start).
    Clock::time_point m_faultOrigin;
    bool m_started = false;
    Mode m_mode = Mode::Normal;
    ImageBytes m_memory{};
    std::vector<std::uint8_t> m_pending;
    Clock::time_point m_pendingLast;

    int m_psClearLeft = 0;
    bool m_alarm = false;
    int m_shortFramesLeft = 0;
    int m_toggleReplyLeft = 0;
    bool m_restartAfterSectorDone = false;
    std::vector<TimedFault> m_refuse, m_ignore, m_zero;

    std::uint64_t m_framesSent = 0;
    int m_entryToggles = 0;
    int m_exitToggles = 0;
    int m_restarts = 0;
};

} // namespace vlk::sim
