#pragma once

// The station's end of the line in the simulator's tests, in plain termios: the tests check the
// simulator's bytes without depending on the station's own port class.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace vlk::test {

class PtyClient {
public:
    using Clock = std::chrono::steady_clock;
    using Bytes = std::vector<std::uint8_t>;

    explicit PtyClient(const std::string& path)
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd >= 0) {
            termios raw{};
            tcgetattr(m_fd, &raw);
            cfmakeraw(&raw);
            tcsetattr(m_fd, TCSANOW, &raw);
        }
    }
    ~PtyClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }

    // Like the station's port, with a wider gap by default so that a simulator thread starved of the CPU
    // for a moment does not cut a message: ends at count bytes, `gap` after the last byte, or `total`.
    Bytes Read(std::size_t count, std::chrono::milliseconds total = std::chrono::milliseconds(2000),
               std::chrono::milliseconds gap = std::chrono::milliseconds(50))
    {
        Bytes bytes;
        const auto start = Clock::now();
        auto deadline = start + total;
        while (bytes.size() < count) {
            const auto now = Clock::now();
            if (now >= deadline)
                break;
            pollfd pfd{m_fd, POLLIN, 0};
            const int ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count()) + 1;
            if (poll(&pfd, 1, ms) <= 0)
                continue;
            if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) {
                m_hangUp = true;
                if (!(pfd.revents & POLLIN))
                    break;
            }
            std::uint8_t buffer[256];
            const ssize_t n = ::read(m_fd, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) {
                if (n < 0 && errno == EAGAIN)
                    continue;
                m_hangUp = true;
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
            if (bytes.size() == static_cast<std::size_t>(n))
                m_firstByte = Clock::now();
            m_lastByte = Clock::now();
            deadline = std::min(start + total, m_lastByte + gap);
        }
        return bytes;
    }

    // The station's write: drop unread input first.
    bool Write(const Bytes& bytes)
    {
        tcflush(m_fd, TCIFLUSH);
        m_writtenAt = Clock::now();
        return ::write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // Waits for the line to fall silent for `quiet` so that the next read starts at a message.
    void Sync(std::chrono::milliseconds quiet = std::chrono::milliseconds(15))
    {
        tcflush(m_fd, TCIFLUSH);
        while (!Read(256, quiet, quiet).empty()) {
        }
    }

    [[nodiscard]] Clock::time_point FirstByte() const { return m_firstByte; }
    [[nodiscard]] Clock::time_point LastByte() const { return m_lastByte; }
    [[nodiscard]] Clock::time_point WrittenAt() const { return m_writtenAt; }
    [[nodiscard]] bool HungUp() const { return m_hangUp; }

private:
    int m_fd = -1;
    bool m_hangUp = false;
    Clock::time_point m_firstByte;
    Clock::time_point m_lastByte;
    Clock::time_point m_writtenAt;
};

} // namespace vlk::test
