#pragma once

#include "link/ConsoleSink.h"
#include "link/LinkFrames.h"
#include "link/ThreadPort.h"
#include "util/Messages.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vlk {

// What the watch knows of one controller at a moment.
struct WatchSnapshot {
    bool running = false;   // its exchange worker runs
    bool lineLost = false;  // its line is lost (gone, refused, or two passes without a frame)
    std::optional<StateFrame> frame;  // the last whole frame answered, none yet
    std::chrono::steady_clock::time_point frameTime{};
    std::string message;    // the last message of its worker ("Порт не открыт: …"), empty if none

    // How the row of this controller stands out: a lost line, "АВАРИЯ", "ОШ", or a direction
    // in failure.
    [[nodiscard]] bool Alarm() const;
    [[nodiscard]] int FailedDirections() const;
};

// One watched controller: its own exchange worker on a line of its own, answering every frame with
// "no command" (0x00, or "*" while "ПС" is clear), and what it has seen, for a window to poll.
// Nothing here waits on a window.
class WatchedLine final : private ConsoleSink, private Messages {
public:
    explicit WatchedLine(std::string address);
    ~WatchedLine() override;
    WatchedLine(const WatchedLine&) = delete;
    WatchedLine& operator=(const WatchedLine&) = delete;

    // Starts the worker (again); false when its thread cannot be made.
    bool Start();
    // Asks the worker to end without waiting; Stop closes the port under a read in progress and
    // waits only for the worker to see it.
    void SignalStop();
    void Stop();
    [[nodiscard]] bool Running() const;
    [[nodiscard]] const std::string& Address() const { return m_address; }
    [[nodiscard]] WatchSnapshot Snapshot() const;
    // The pass of a silent line (tests shorten it).
    void SetSilentPass(std::chrono::milliseconds pass) { m_silentPass = pass; }

private:
    // ConsoleSink: the worker's side.
    void ShowGroup(std::uint64_t generation, FrameGroup group, const StateFrame& frame) override;
    void Repaint(std::uint64_t generation) override;
    void ClearState(const FrameBytes&) override {}
    void ShowLineLost(std::uint64_t generation, bool lost) override;
    void ExchangeEnded(std::uint64_t generation) override;
    std::atomic<std::uint8_t>& CommandByte() override { return m_command; }
    std::atomic<int>& SendClockFlag() override { return m_sendClock; }
    ClockFields ClockToSend() override { return {}; }
    // Messages: kept for the row, never shown in a box.
    void Show(const std::string& text, MessageIcon icon = MessageIcon::None) override;
    bool Ask(const std::string& text, MessageIcon icon = MessageIcon::Question) override;

    std::string m_address;
    std::chrono::milliseconds m_silentPass = CThreadPort::kSilentPass;
    std::atomic<std::uint8_t> m_command{command::kNone}; // never anything else
    std::atomic<int> m_sendClock{0};
    std::unique_ptr<CThreadPort> m_worker;
    std::uint64_t m_generation = 0;

    mutable std::mutex m_mutex; // guards the snapshot and the frame being shown
    WatchSnapshot m_state;
    std::optional<StateFrame> m_showing;
};

} // namespace vlk
