#pragma once

#include "link/CPort.h"
#include "link/ConsoleSink.h"
#include "link/Line.h"
#include "link/LinkFrames.h"
#include "record/Recording.h"
#include "util/Messages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vlk {

// The data-exchange worker: a job on a controller's line (CLine) that opens the line, reads the
// controller's state frames, shows them on the console, answers each with the command byte, the
// clock message or "*", and closes the line when it ends. Other jobs on the same line wait for
// it to end. Its messages go through a Messages that must not block the worker on the UI thread.
//
// A device that goes away (adapter pulled, far end of a pty closed) is a state, not an error:
// the worker says so once through the console, keeps the pace of a silent line (the zeroed
// frame once a pass) and reopens the same port name on every pass, so the exchange resumes by
// itself when the device is back. A controller that falls silent while its device stays (a cable
// pulled at the controller's end, a controller switched off) is lost the same way after two
// passes without a frame; the first frame ends either.
class CThreadPort {
public:
    static constexpr std::chrono::milliseconds kStopPause{1000};
    static constexpr std::chrono::milliseconds kStopLimit{6000};
    // The shortest pass that received nothing: a silent line's read time-out. A read that came
    // back at once (the device gone) waits out the rest, so the loop never spins.
    static constexpr std::chrono::milliseconds kSilentPass{2000};

    // The exchange on `line`, which outlives the worker.
    CThreadPort(ConsoleSink& console, std::string portName, Messages& messages, CLine& line,
                std::uint64_t generation = 0);
    // The exchange on a line of its own (a controller only watched).
    CThreadPort(ConsoleSink& console, std::string portName, Messages& messages, std::uint64_t generation = 0);
    // Ends an exchange still running and waits for it.
    ~CThreadPort();
    CThreadPort(const CThreadPort&) = delete;
    CThreadPort& operator=(const CThreadPort&) = delete;

    // Queues the exchange on the line: RunExchange, then OnEnd. False when the line's thread
    // cannot be created.
    [[nodiscard]] bool Start();
    // The exchange loop; always returns false.
    bool RunExchange();
    // Closes the port (again, if still open) and sets the done event.
    void OnEnd();
    // Sets the stop event; also ends the wait of a pass without data.
    void SignalStop();
    // The length of a pass without data (kSilentPass); before Start. Tests shorten it to run
    // many passes of a lost line in little time.
    void SetSilentPass(std::chrono::milliseconds pass) { m_silentPass = pass; }
    // Keeps every frame read, with its time and answer, and the line lost and back, in the day's
    // recording of this port under `folder` (see DayRecorder), with `image` in its header; before
    // Start. Without it nothing is recorded.
    void RecordTo(const std::string& folder, const ImageBytes& image, std::uint64_t limit = kDefaultRecordingLimit);
    // Asks the worker to end, sleeps `pause`, waits up to `limit` for the done event; on time-out
    // closes the line from this thread, which ends its read. Returns once the exchange's job has
    // ended, so the object may be released afterwards and the line's next job may run.
    void StopAndWait(std::chrono::milliseconds pause = kStopPause, std::chrono::milliseconds limit = kStopLimit);

    [[nodiscard]] bool StopRequested() const { return m_stop.load(); }
    [[nodiscard]] bool Done() const;
    // True when StopAndWait had to close the port itself.
    [[nodiscard]] bool StopTimedOut() const { return m_stopTimedOut; }

private:
    // Shows the groups of a frame with a stop test before each (but the failure row);
    // false when the stop event cut it short.
    bool ShowFrame(const FrameBytes& buffer);
    void SetDone();
    // Waits until `until` or the stop event, whichever comes first.
    void WaitForStop(std::chrono::steady_clock::time_point until);
    // The device went away: lets go of it (the next pass reopens it by name) and says so once.
    void LoseLine();
    // Appends to the recording (when there is one) and hands the record to the console.
    void Record(const RecordEntry& record);
    // The line lost, stamped with the moment the frame that did not come was due.
    void RecordLineLost();

    std::unique_ptr<CLine> m_ownLine; // a watched controller's line; none on a shared one
    CLine& m_line;
    ConsoleSink& m_console;
    std::string m_portName;
    Messages& m_messages;
    std::uint64_t m_generation;
    CPort* m_port = nullptr; // the line's port, set when the job begins
    std::chrono::milliseconds m_silentPass = kSilentPass;
    bool m_lineLost = false;  // worker thread only
    std::unique_ptr<DayRecorder> m_recorder;
    bool m_recordingFailed = false;
    std::int64_t m_lastFrameMs = -1;  // worker thread only: the last frame's time, UTC ms
    std::int64_t m_framePeriodMs = 1000;

    std::atomic<bool> m_stop{false};
    std::mutex m_stopMutex;
    std::condition_variable m_stopChanged;
    mutable std::mutex m_doneMutex;
    std::condition_variable m_doneChanged;
    bool m_done = false;
    bool m_stopTimedOut = false;
    std::future<void> m_ended; // ready when the exchange's job on the line has ended
};

// The main frame's start exchange: a worker queued on `line`, or null when the line's thread
// could not be created (nothing is shown then).
// `recording`, when given, is where the worker records (RecordTo).
struct RecordingTarget {
    std::string folder;
    ImageBytes image{};
    std::uint64_t limit = kDefaultRecordingLimit;
};
[[nodiscard]] std::unique_ptr<CThreadPort> StartExchange(ConsoleSink& console, const std::string& portName,
                                                         Messages& messages, CLine& line,
                                                         std::uint64_t generation = 0,
                                                         const std::optional<RecordingTarget>& recording = std::nullopt);
// The main frame's stop exchange: nothing without a worker; else stop, wait, release the
// worker and clear the console with an all-zero frame.
void StopExchange(std::unique_ptr<CThreadPort>& worker, ConsoleSink& console);

} // namespace vlk
