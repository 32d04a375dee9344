#include "link/WatchedLine.h"

#include <algorithm>

namespace vlk {

bool WatchSnapshot::Alarm() const
{
    if (lineLost)
        return true;
    if (!frame)
        return false;
    return frame->status[6] || frame->status[7] || FailedDirections() > 0;
}

int WatchSnapshot::FailedDirections() const
{
    return frame ? static_cast<int>(std::count(frame->failure.begin(), frame->failure.end(), true)) : 0;
}

WatchedLine::WatchedLine(std::string address) : m_address(std::move(address)) {}

WatchedLine::~WatchedLine()
{
    Stop();
}

bool WatchedLine::Start()
{
    if (Running())
        return true;
    Stop(); // a worker that ended by itself is let go first
    {
        std::lock_guard lock(m_mutex);
        m_state.running = true;
        m_state.lineLost = false;
        m_state.message.clear();
        ++m_generation;
    }
    ConsoleSink& console = *this;
    Messages& messages = *this;
    m_worker = std::make_unique<CThreadPort>(console, m_address, messages, m_generation);
    m_worker->SetSilentPass(m_silentPass);
    if (!m_worker->Start()) {
        m_worker.reset();
        std::lock_guard lock(m_mutex);
        m_state.running = false;
        return false;
    }
    return true;
}

void WatchedLine::SignalStop()
{
    if (m_worker)
        m_worker->SignalStop();
}

void WatchedLine::Stop()
{
    if (!m_worker)
        return;
    m_worker->SignalStop();
    // A watched line only listens and answers "no command": nothing that matters is cut by
    // closing it under its read, and the window that stops it is not kept waiting for the read.
    m_worker->StopAndWait(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    m_worker.reset();
    std::lock_guard lock(m_mutex);
    m_state.running = false;
}

bool WatchedLine::Running() const
{
    std::lock_guard lock(m_mutex);
    return m_state.running;
}

WatchSnapshot WatchedLine::Snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

void WatchedLine::ShowGroup(std::uint64_t generation, FrameGroup group, const StateFrame& frame)
{
    // The worker shows a frame group by group; only an answered one (Repaint) counts as heard.
    if (group != FrameGroup::Status)
        return;
    std::lock_guard lock(m_mutex);
    if (generation == m_generation)
        m_showing = frame;
}

void WatchedLine::Repaint(std::uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    if (generation != m_generation || !m_showing)
        return;
    m_state.frame = m_showing;
    m_state.frameTime = std::chrono::steady_clock::now();
    m_state.lineLost = false;
    m_state.message.clear();
    m_showing.reset();
}

void WatchedLine::ShowLineLost(std::uint64_t generation, bool lost)
{
    std::lock_guard lock(m_mutex);
    if (generation == m_generation)
        m_state.lineLost = lost;
}

void WatchedLine::ExchangeEnded(std::uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    if (generation == m_generation) {
        m_state.running = false;
        m_state.lineLost = true; // nothing is heard from it any more
    }
}

void WatchedLine::Show(const std::string& text, MessageIcon)
{
    std::lock_guard lock(m_mutex);
    m_state.message = text;
}

bool WatchedLine::Ask(const std::string& text, MessageIcon)
{
    Show(text);
    return false;
}

} // namespace vlk
