#include "link/Line.h"

#include <exception>
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
    Queued queued{std::move(job), {}};
    std::future<void> done = queued.done.get_future();
    std::lock_guard lock(m_mutex);
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            return {};
        }
    }
    m_jobs.push_back(std::move(queued));
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
        Queued queued = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_working = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            queued.job(m_port);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        // Idle before whoever waits for the job hears that it has ended.
        m_working = false;
        lock.unlock();
        if (failure)
            queued.done.set_exception(failure);
        else
            queued.done.set_value();
        lock.lock();
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
