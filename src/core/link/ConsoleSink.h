#pragma once

#include "link/LinkFrames.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace vlk {

struct RecordEntry;

// The groups of a state frame in the order the exchange worker shows them.
enum class FrameGroup {
    Status,        // byte 0
    Phases,        // byte 1
    Priority,      // byte 2
    DayProgram,    // byte 3
    Hours,         // byte 4
    Minutes,       // byte 5
    Failures,      // bytes 6-8
    Red,           // bytes 9-11
    Yellow,        // bytes 12-14
    Green,         // bytes 15-17
    RedSensors,    // bytes 18-21
    GreenSensors,  // bytes 22-25
};
inline constexpr int kFrameGroupCount = 12;

// The clock the operator typed to send: hours and minutes as typed (0 when not a number),
// the selected day's index, -1 when none is selected.
struct ClockFields {
    int hours = 0;
    int minutes = 0;
    int day = -1;
};

// What the exchange worker needs of the console page. The worker calls it from its own
// thread and must never wait on the UI thread: an implementation posts every display call
// (and drops the ones still queued after the exchange stopped), and answers ClockToSend from
// values it keeps itself. The command byte and the send-clock flag are shared without a lock.
class ConsoleSink {
public:
    virtual ~ConsoleSink() = default;

    // One group of a shown frame; `generation` tells one worker's updates from the next one's.
    virtual void ShowGroup(std::uint64_t generation, FrameGroup group, const StateFrame& frame) = 0;
    // After a whole frame was shown and answered.
    virtual void Repaint(std::uint64_t generation) = 0;
    // The page's own display of a frame, used with an all-zero frame when the exchange stops.
    virtual void ClearState(const FrameBytes& frame) = 0;
    // The device went away (true) or, after that, the controller is heard again (false); said
    // once each way, however long the line stays lost.
    virtual void ShowLineLost(std::uint64_t generation, bool lost) = 0;
    // The worker has ended, asked to or by itself (its port would not open, an answer could not
    // be written); the frame learns from it that no exchange runs any more.
    virtual void ExchangeEnded(std::uint64_t generation) = 0;
    // Each record the worker kept (a frame with its answer, the line lost or back), after it was
    // appended to the recording; the live events follow it. Called on the worker's thread.
    virtual void Recorded(std::uint64_t /*generation*/, const RecordEntry& /*record*/) {}
    // The recording cannot be written (said once per worker, in Russian); the exchange goes on.
    virtual void RecordingFailed(std::uint64_t /*generation*/, const std::string& /*why*/) {}

    // Written by the console's buttons, read once per pass by the worker.
    [[nodiscard]] virtual std::atomic<std::uint8_t>& CommandByte() = 0;
    // Non-zero asks for the clock message once; the worker clears it after sending.
    [[nodiscard]] virtual std::atomic<int>& SendClockFlag() = 0;
    [[nodiscard]] virtual ClockFields ClockToSend() = 0;
};

} // namespace vlk
