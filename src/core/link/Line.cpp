#include "link/Line.h"

#include <system_error>
#include <utility>

namespace vlk {

CLine::~CLine()
{
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::future<void> CLine::Post(Job job)
{
    std::packaged_task<void(CPort&)> task(std::move(job));
    std::future<void> done = task.get_future();
    std::lock_guard lock(m_mutex);
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            return {};
        }
    }
    m_jobs.push_back(std::move(task));
    m_changed.notify_all();
    return done;
}

void CLine::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_jobs.empty() || m_ending; });
        if (m_jobs.empty())
            return; // ending, and nothing left to run
        std::packaged_task<void(CPort&)> task = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_working = true;
        lock.unlock();
        task(m_port);
        lock.lock();
        m_working = false;
    }
}

bool CLine::WhenIdle(const std::function<void(CPort&)>& look)
{
    std::lock_guard lock(m_mutex);
    if (m_working || !m_jobs.empty())
        return false;
    look(m_port);
    return true;
}

void CLine::Interrupt()
{
    (void)m_port.Close();
}

bool CLine::Idle() const
{
    std::lock_guard lock(m_mutex);
    return !m_working && m_jobs.empty();
}

std::thread::id CLine::ThreadId() const
{
    std::lock_guard lock(m_mutex);
    return m_thread.get_id();
}

} // namespace vlk
