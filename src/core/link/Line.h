#pragma once

#include "link/CPort.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace vlk {

// The one owner of a controller's line: its port (a device, or a serial server on the network)
// and the one thread that uses it. The data exchange, programming mode and the memory transfers
// are jobs that run on that thread one after another, in the order they were posted, so the line
// is never open twice and no two procedures ever mix their bytes on it. Whoever posts the jobs
// keeps the order of the steps (stop the exchange, then enter programming mode, ...).
//
// Only the line's thread uses the port, with two exceptions that CPort allows: Interrupt closes
// it from another thread to end a blocked read, and WhenIdle lets another thread look at it while
// no job runs or waits.
class CLine {
public:
    using Job = std::function<void(CPort&)>;

    CLine() = default;
    // Lets the jobs posted so far run, then ends the thread. A job that does not end by itself
    // (an exchange) must have been asked to end.
    ~CLine();
    CLine(const CLine&) = delete;
    CLine& operator=(const CLine&) = delete;

    // Queues `job` behind every job posted before it. The future is ready once it has run (with
    // what it threw), and the line no longer counts it as running by then; an invalid future
    // when the line's thread cannot be made (the job never runs).
    [[nodiscard]] std::future<void> Post(Job job);
    // Runs `look` on the calling thread with the port when no job runs or waits; no job starts
    // before it returns. False, without running it, while the line is busy.
    bool WhenIdle(const std::function<void(CPort&)>& look);
    // Closes the port from the calling thread: a job blocked in a read or a write returns at once.
    // For a stop that ran out of time.
    void Interrupt();
    // True while no job runs or waits.
    [[nodiscard]] bool Idle() const;
    // The thread the jobs run on (none before the first job).
    [[nodiscard]] std::thread::id ThreadId() const;

private:
    struct Queued {
        Job job;
        std::promise<void> done;
    };
    void Run();

    CPort m_port;
    mutable std::mutex m_mutex; // guards the four below
    std::condition_variable m_changed;
    std::deque<Queued> m_jobs;
    bool m_working = false; // a job is under way
    bool m_ending = false;
    std::thread m_thread;
};

} // namespace vlk
