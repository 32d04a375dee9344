#pragma once

#include "link/ConsoleSink.h"

#include <functional>
#include <mutex>
#include <vector>

namespace vlk::test {

// Records what the worker shows; a hook may act on a group (for instance ask the worker to stop).
class RecordingConsole final : public ConsoleSink {
public:
    struct Shown {
        FrameGroup group;
        FrameBytes raw;
    };

    void ShowGroup(std::uint64_t, FrameGroup group, const StateFrame& frame) override
    {
        std::function<void(FrameGroup)> hook;
        {
            std::lock_guard lock(m_mutex);
            m_shown.push_back({group, frame.raw});
            hook = m_hook;
        }
        if (hook)
            hook(group);
    }
    void Repaint(std::uint64_t) override
    {
        std::lock_guard lock(m_mutex);
        ++m_repaints;
    }
    void ClearState(const FrameBytes& frame) override
    {
        std::lock_guard lock(m_mutex);
        m_cleared.push_back(frame);
    }
    void ShowLineLost(std::uint64_t, bool lost) override
    {
        std::lock_guard lock(m_mutex);
        m_lineLost.push_back(lost);
    }
    void ExchangeEnded(std::uint64_t) override { ++m_ended; }
    std::atomic<std::uint8_t>& CommandByte() override { return m_command; }
    std::atomic<int>& SendClockFlag() override { return m_sendClock; }
    ClockFields ClockToSend() override
    {
        std::lock_guard lock(m_mutex);
        return m_clock;
    }

    void SetClock(ClockFields clock)
    {
        std::lock_guard lock(m_mutex);
        m_clock = clock;
    }
    void SetHook(std::function<void(FrameGroup)> hook)
    {
        std::lock_guard lock(m_mutex);
        m_hook = std::move(hook);
    }
    std::vector<Shown> ShownGroups() const
    {
        std::lock_guard lock(m_mutex);
        return m_shown;
    }
    // The first byte of every frame whose status group was shown.
    std::vector<std::uint8_t> ShownStatusBytes() const
    {
        std::vector<std::uint8_t> bytes;
        for (const Shown& s : ShownGroups())
            if (s.group == FrameGroup::Status)
                bytes.push_back(s.raw[0]);
        return bytes;
    }
    int Repaints() const
    {
        std::lock_guard lock(m_mutex);
        return m_repaints;
    }
    // Every line-lost notification in order: true lost, false heard again.
    std::vector<bool> LineLost() const
    {
        std::lock_guard lock(m_mutex);
        return m_lineLost;
    }
    int Ended() const { return m_ended.load(); }
    std::vector<FrameBytes> Cleared() const
    {
        std::lock_guard lock(m_mutex);
        return m_cleared;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Shown> m_shown;
    std::vector<FrameBytes> m_cleared;
    std::vector<bool> m_lineLost;
    std::atomic<int> m_ended{0};
    int m_repaints = 0;
    ClockFields m_clock;
    std::function<void(FrameGroup)> m_hook;
    std::atomic<std::uint8_t> m_command{0};
    std::atomic<int> m_sendClock{0};
};

} // namespace vlk::test
