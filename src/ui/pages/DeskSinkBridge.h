#pragma once

#include "link/ConsoleSink.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace vlk {

class CDeskWnd;

// The exchange worker's ConsoleSink for the console page: the worker calls it from its own
// thread; it keeps what the worker reads without waiting (the command byte, the send-clock flag,
// the clock fields as last edited) and posts every display call to the page on the UI thread.
// Each call carries the worker's generation and is applied only while that generation is the
// current one, checked when posted and again on arrival: NextGeneration() opens one (pass it to
// StartExchange), ClearState() closes it, so an update still queued when the exchange stopped
// never paints over the cleared page. The page owns its bridge; posts die with the page.
class DeskSinkBridge final : public ConsoleSink {
public:
    explicit DeskSinkBridge(CDeskWnd& page) : m_page(page) {}

    // ---- ConsoleSink (the display calls are safe from any thread) ----
    void ShowGroup(std::uint64_t generation, FrameGroup group, const StateFrame& frame) override;
    void Repaint(std::uint64_t generation) override;
    // Ends the current generation at once, then shows the frame as the stopped console on the UI
    // thread (the day in lower case, the time as plain numbers).
    void ClearState(const FrameBytes& frame) override;
    // Passed on as the page's LineLostChanged / WorkerEnded while the generation is current.
    void ShowLineLost(std::uint64_t generation, bool lost) override;
    void ExchangeEnded(std::uint64_t generation) override;
    // Passed on as the page's FrameRecorded / RecordingFailed while the generation is current.
    void Recorded(std::uint64_t generation, const RecordEntry& record) override;
    void RecordingFailed(std::uint64_t generation, const std::string& why) override;
    [[nodiscard]] std::atomic<std::uint8_t>& CommandByte() override { return m_commandByte; }
    [[nodiscard]] std::atomic<int>& SendClockFlag() override { return m_sendClock; }
    // The clock fields as the page last remembered them; never waits on the UI thread.
    [[nodiscard]] ClockFields ClockToSend() override;

    // UI thread: the page remembers the clock fields after every edit.
    void SetClockFields(const ClockFields& fields);
    // Opens a new exchange generation (UI thread): updates tagged with it are shown until the
    // next ClearState or NextGeneration.
    [[nodiscard]] std::uint64_t NextGeneration();
    [[nodiscard]] std::uint64_t CurrentGeneration() const { return m_generation.load(); }

private:
    [[nodiscard]] bool Current(std::uint64_t generation) const;
    template <typename Job>
    void PostIfCurrent(std::uint64_t generation, Job job);

    CDeskWnd& m_page;
    std::atomic<std::uint8_t> m_commandByte{0x00};
    std::atomic<int> m_sendClock{0};
    // 0: no exchange is being shown.
    std::atomic<std::uint64_t> m_generation{0};
    std::uint64_t m_lastGeneration = 0;
    mutable std::mutex m_clockMutex;
    ClockFields m_clockFields;
};

} // namespace vlk
