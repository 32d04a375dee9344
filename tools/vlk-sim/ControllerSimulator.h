#pragma once

// The VLK2.2 controller as the station sees it on the serial line, for engineers without hardware
// and as the far end of every link test.
//
// Typical test use:
//
//     vlk::SimulatorOptions options;
//     options.period = std::chrono::milliseconds(50);
//     options.pace = false;
//     vlk::ControllerSimulator sim(options);
//     const std::string path = sim.OpenPty();       // empty on failure, see LastError()
//     setenv("VLK_COM1", path.c_str(), 1);
//     ASSERT_TRUE(sim.Start());
//     ... run the station's procedure against "COM1:" ...
//     EXPECT_TRUE(sim.WaitUntil([&] { return sim.SectorsWritten().size() == 15; }, 5s));
//     sim.Stop();                                   // prompt; joins the thread
//
// Normal mode: a 26-byte state frame every period from a running junction, then it listens for the
// station's answer until the next frame: a console command byte (0x00, 0x40..0x48, 0x50, 0x60),
// "*", the six-byte clock message, or the programming toggle 0xD5 0x33 (answered 0xFF and the account
// record with its zero byte; programming mode follows). Programming mode: 0xA0+k and 128 bytes writes
// sector k (answer 0xA0+k), 0x50+k reads it (128 bytes), 0xD5 0x33 leaves (answer: one state frame of
// the junction restarted from the new memory; frames resume one period later).

#include "ControllerProtocol.h"
#include "Recorder.h"
#include "SimulatorOptions.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vlk {

class ControllerSimulator {
public:
    using Clock = sim::Clock;
    using Mode = sim::Mode;
    using ByteEvent = sim::ByteEvent;
    using CommandEvent = sim::CommandEvent;
    using ClockEvent = sim::ClockEvent;
    using SectorOutcome = sim::SectorOutcome;
    using SectorWriteEvent = sim::SectorWriteEvent;
    using SectorReadEvent = sim::SectorReadEvent;
    using FrameEvent = sim::FrameEvent;

    explicit ControllerSimulator(SimulatorOptions options = {});
    ~ControllerSimulator();  // stops and closes
    ControllerSimulator(const ControllerSimulator&) = delete;
    ControllerSimulator& operator=(const ControllerSimulator&) = delete;

    // Opens a new pseudo-terminal, sets its slave side raw, and keeps one slave descriptor open so
    // the master never reads EIO while the station has the device closed. Returns the slave's
    // path, or "" on failure.
    [[nodiscard]] std::string OpenPty();
    // Serves a real serial device instead: 9600 baud, 8 data bits, odd parity, one stop bit.
    [[nodiscard]] bool OpenDevice(const std::string& path);
    // The slave path (pty) or the device path; "" while closed.
    [[nodiscard]] std::string Path() const;
    // Makes `link` a symbolic link to the open pty (replacing a link already there). It goes
    // before the pty closes (hang-up, Close), so the name never leads to a pty number that the
    // system hands out again; after OpenPty a new call points it at the new pty.
    [[nodiscard]] bool LinkAt(const std::string& link);
    [[nodiscard]] std::string LastError() const;

    // Starts serving on a thread; false if not open or already running. Stop is prompt (a few
    // milliseconds, even in the middle of a paced reply) and joins the thread; the line stays
    // open, so Start may be called again. Close (or the destructor) releases it.
    [[nodiscard]] bool Start();
    void Stop();
    void Close();
    [[nodiscard]] bool Running() const;

    // Observers; all thread-safe, each returns a copy. An event is recorded before the bytes that
    // answer it go out, and each sent byte just before it is written: whoever has read a reply finds
    // its event (and the byte) already recorded.
    [[nodiscard]] std::vector<ByteEvent> Received() const;
    [[nodiscard]] std::vector<ByteEvent> Sent() const;
    [[nodiscard]] std::vector<CommandEvent> Commands() const;
    [[nodiscard]] std::vector<ClockEvent> ClockMessages() const;
    [[nodiscard]] std::vector<SectorWriteEvent> SectorsWritten() const;
    [[nodiscard]] std::vector<SectorReadEvent> SectorsRead() const;
    [[nodiscard]] std::vector<FrameEvent> Frames() const;
    [[nodiscard]] std::uint64_t FramesSent() const;       // state frames, the exit replies included
    [[nodiscard]] int EntryToggles() const;               // 0xD5 0x33 received in normal mode
    [[nodiscard]] int ExitToggles() const;                // 0xD5 0x33 received in programming mode
    [[nodiscard]] int Restarts() const;                   // junction restarts after leaving programming mode
    [[nodiscard]] Mode CurrentMode() const;
    [[nodiscard]] ImageBytes Memory() const;
    [[nodiscard]] bool HungUp() const;
    // Forgets every recorded event (counters included); the junction and the mode stay.
    void ClearRecords();
    // A power cut now: the controller starts again in normal mode on the memory it holds (on the
    // line it serves, or on the next one it is started on after a hang-up).
    void RestartNow();
    // Drops the line now, as --hangup-after does when its time comes (a test that wants it at a
    // given point of a transfer rather than at a given time).
    void HangUpNow();
    // Raises (or clears) the controller's alarm: "АВАРИЯ" and direction 1 in failure in every
    // frame from the next one on.
    void SetAlarm(bool on);

    // Waits until condition() is true, re-checking after every event of the simulator (and at least
    // every 10 ms); false on time-out. The condition is called without any lock held, so it may
    // call the observers.
    [[nodiscard]] bool WaitUntil(const std::function<bool()>& condition,
                                 std::chrono::milliseconds timeout) const;

private:
    struct Line;
    void Run();
    void Serve();
    // Waits for the message's last byte (paced), records what happened, sends the replies.
    void Carry(const sim::Reaction& reaction, Clock::time_point arrival);
    void Record(const sim::Event& event);
    void Send(const std::vector<std::uint8_t>& bytes, const char* what);
    void SleepUntil(Clock::time_point deadline);
    void HangUp();
    void RemoveLink();
    void LogLine(const char* direction, const std::uint8_t* bytes, std::size_t count, const char* what);
    void Notify();
    // Ends the serving thread's poll at once (Stop, RestartNow, HangUpNow).
    void WakeServer();

    SimulatorOptions m_options;
    std::unique_ptr<Line> m_line;       // descriptors and the serving state, used by the thread
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_silentNow{false}; // the silent-after fault is in force
    std::atomic<bool> m_restartNow{false};
    std::atomic<bool> m_hangUpNow{false};

    mutable std::mutex m_stateMutex;    // guards the protocol machine (mode, memory, counters)
    sim::ControllerProtocol m_protocol;

    sim::Recorder<ByteEvent> m_received;
    sim::Recorder<ByteEvent> m_sent;
    sim::Recorder<CommandEvent> m_commands;
    sim::Recorder<ClockEvent> m_clocks;
    sim::Recorder<SectorWriteEvent> m_sectorWrites;
    sim::Recorder<SectorReadEvent> m_sectorReads;
    sim::Recorder<FrameEvent> m_frames;

    mutable std::mutex m_mutex;         // guards the line's names and state below
    mutable std::mutex m_waitMutex;     // for WaitUntil's wake-ups only
    mutable std::condition_variable m_changed;
    std::string m_path;
    std::string m_error;
    bool m_hungUp = false;
    int m_hangUps = 0;
    std::string m_link;
};

} // namespace vlk
