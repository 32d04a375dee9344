#pragma once

#include "link/ConsoleSink.h"

namespace vlk {

// Keeps the command byte, the clock request and nothing else: the console for an exchange while
// the console page cannot take the frames itself.
class DetachedConsole final : public ConsoleSink {
public:
    void ShowGroup(std::uint64_t, FrameGroup, const StateFrame&) override {}
    void Repaint(std::uint64_t) override {}
    void ClearState(const FrameBytes&) override {}
    [[nodiscard]] std::atomic<std::uint8_t>& CommandByte() override { return m_command; }
    [[nodiscard]] std::atomic<int>& SendClockFlag() override { return m_sendClock; }
    [[nodiscard]] ClockFields ClockToSend() override { return {}; }

private:
    std::atomic<std::uint8_t> m_command{0};
    std::atomic<int> m_sendClock{0};
};

} // namespace vlk
