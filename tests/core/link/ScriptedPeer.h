#pragma once

// The controller's side of a pty for link tests: a thread runs a script that reads what the
// station sends and answers, and every byte received is recorded.

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vlk::test {

using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline constexpr std::chrono::nanoseconds kByteTime{1'145'800}; // 9600 baud, 11 bits

class ScriptedPeer {
public:
    using Script = std::function<void(ScriptedPeer&)>;

    ScriptedPeer()
    {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        m_path = name;
        const int flags = fcntl(m_master, F_GETFL);
        fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    }
    ~ScriptedPeer()
    {
        Stop();
        close(m_master);
        close(m_slave);
    }
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }

    // Runs the script on the peer's thread, then keeps recording until Stop.
    void Run(Script script)
    {
        m_thread = std::thread([this, script = std::move(script)] {
            script(*this);
            m_scriptDone = true;
            while (!m_stop)
                (void)ReadSome(20ms);
        });
    }
    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    // Waits until the script itself has finished (not the recording after it).
    void WaitScript(std::chrono::milliseconds limit = 30s)
    {
        const auto end = SteadyClock::now() + limit;
        while (!m_scriptDone && SteadyClock::now() < end)
            std::this_thread::sleep_for(2ms);
    }
    [[nodiscard]] bool Stopping() const { return m_stop; }

    // Bytes sent that wait unread at the station's side of the pty (both slave descriptors share
    // one input queue): a pty hands written bytes over a moment later, not at once.
    [[nodiscard]] std::size_t WaitingAtStation() const
    {
        int count = 0;
        return m_slave >= 0 && ioctl(m_slave, FIONREAD, &count) == 0 ? static_cast<std::size_t>(count) : 0;
    }
    // Polls `condition` every millisecond for up to `limit`.
    template <class Condition>
    static bool Within(std::chrono::milliseconds limit, Condition condition)
    {
        const auto end = SteadyClock::now() + limit;
        while (!condition()) {
            if (SteadyClock::now() >= end)
                return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    // The far end goes away: the master and the test's slave are closed, so the station's reads
    // and writes find the device gone. Call it from the script, or while no script runs; the
    // script sends nothing after it.
    void HangUp()
    {
        for (int* fd : {&m_master, &m_slave}) {
            if (*fd >= 0)
                close(*fd);
            *fd = -1;
        }
    }

    // --- used by scripts, on the peer's thread ---

    // Up to n bytes; gives up `limit` after the call.
    Bytes Expect(std::size_t n, std::chrono::milliseconds limit = 5000ms)
    {
        Bytes got;
        const auto end = SteadyClock::now() + limit;
        while (got.size() < n && !m_stop) {
            const auto now = SteadyClock::now();
            if (now >= end)
                break;
            Bytes some = ReadSome(std::min<std::chrono::milliseconds>(
                                      std::chrono::duration_cast<std::chrono::milliseconds>(end - now) + 1ms, 50ms),
                                  n - got.size());
            got.insert(got.end(), some.begin(), some.end());
        }
        return got;
    }
    // One write of all bytes; returns the time it was made.
    SteadyClock::time_point Send(const Bytes& bytes)
    {
        const auto at = SteadyClock::now();
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else
                std::this_thread::sleep_for(1ms);
        }
        {
            std::lock_guard lock(m_mutex);
            m_sendTimes.push_back(at);
        }
        return at;
    }
    // One byte at a time at the line's pace, with absolute sleeps.
    void SendPaced(const Bytes& bytes)
    {
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        std::optional<SteadyClock::time_point> last;
        for (std::uint8_t byte : bytes) {
            AddNs(next, kByteTime.count());
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            const auto at = Send({byte});
            // On a loaded machine this thread may miss its own pace by more than the station's
            // 20 ms gap: then the station rightly ends its read early, and the test says nothing.
            if (last && at - *last > 15ms)
                m_pacedStalled = true;
            last = at;
        }
    }
    // True once a paced message had a gap of its own over 15 ms between two bytes.
    [[nodiscard]] bool PacedStalled() const { return m_pacedStalled; }
    static void SleepUntil(SteadyClock::time_point t) { std::this_thread::sleep_until(t); }

    [[nodiscard]] Bytes Received() const
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    [[nodiscard]] std::vector<SteadyClock::time_point> SendTimes() const
    {
        std::lock_guard lock(m_mutex);
        return m_sendTimes;
    }
    // Time the last byte was received.
    [[nodiscard]] SteadyClock::time_point LastReceiveTime() const
    {
        std::lock_guard lock(m_mutex);
        return m_lastReceive;
    }
    [[nodiscard]] SteadyClock::time_point FirstReceiveTime() const
    {
        std::lock_guard lock(m_mutex);
        return m_firstReceive;
    }
    void ResetReceiveTimes()
    {
        std::lock_guard lock(m_mutex);
        m_firstReceive = {};
    }

private:
    static void AddNs(timespec& t, long ns)
    {
        t.tv_nsec += ns;
        while (t.tv_nsec >= 1'000'000'000) {
            t.tv_nsec -= 1'000'000'000;
            ++t.tv_sec;
        }
    }
    Bytes ReadSome(std::chrono::milliseconds wait, std::size_t most = 4096)
    {
        pollfd fd{m_master, POLLIN, 0};
        Bytes got;
        if (poll(&fd, 1, static_cast<int>(wait.count())) <= 0 || !(fd.revents & POLLIN))
            return got;
        got.resize(most);
        const ssize_t n = read(m_master, got.data(), most);
        got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        if (!got.empty()) {
            std::lock_guard lock(m_mutex);
            const auto now = SteadyClock::now();
            if (m_firstReceive == SteadyClock::time_point{})
                m_firstReceive = now;
            m_lastReceive = now;
            m_received.insert(m_received.end(), got.begin(), got.end());
        }
        return got;
    }

    int m_master = -1;
    int m_slave = -1; // kept open so the master never sees EIO
    std::string m_path;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_scriptDone{false};
    mutable std::mutex m_mutex;
    Bytes m_received;
    std::vector<SteadyClock::time_point> m_sendTimes;
    std::atomic<bool> m_pacedStalled{false};
    SteadyClock::time_point m_firstReceive{};
    SteadyClock::time_point m_lastReceive{};
};

// A state frame: byte 0 given, the rest as listed, zeros after.
inline Bytes StateFrameBytes(std::uint8_t status, Bytes rest = {})
{
    Bytes frame(26, 0);
    frame[0] = status;
    for (std::size_t i = 0; i < rest.size() && i + 1 < frame.size(); ++i)
        frame[i + 1] = rest[i];
    return frame;
}

inline Bytes Repeat(const Bytes& part, int times)
{
    Bytes all;
    for (int i = 0; i < times; ++i)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace vlk::test
