#include "ControllerSimulator.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <ostream>
#include <poll.h>
#include <pty.h>
#include <random>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace vlk {
namespace {

using Clock = ControllerSimulator::Clock;
using std::chrono::milliseconds;

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

timespec ToTimespec(Clock::time_point t)
{
    // steady_clock is CLOCK_MONOTONIC on Linux.
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

SimulatorOptions::Clock StartClock(const SimulatorOptions& options)
{
    if (options.clock)
        return *options.clock;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {(local.tm_wday + 6) % 7, local.tm_hour, local.tm_min, local.tm_sec};
}

} // namespace

// Descriptors and the line's timing, used by the serving thread.
struct ControllerSimulator::Line {
    int fd = -1;        // pty master or the device
    int slaveFd = -1;   // a pty's slave, held open so the master never sees a hang-up
    int wakeFd = -1;    // eventfd: Stop wakes the thread's poll

    Clock::time_point started;        // for the trace's time stamps
    Clock::time_point nextFrame;
    Clock::time_point rxFree;         // paced: when the last received byte has arrived
    std::optional<Clock::time_point> hangupAt;
    std::optional<Clock::time_point> silentAt;
    std::optional<Clock::time_point> silentUntil;
    std::optional<Clock::time_point> restartAt;
    std::mt19937 noise;
};

ControllerSimulator::ControllerSimulator(SimulatorOptions options)
    : m_options(std::move(options)),
      m_line(std::make_unique<Line>()),
      m_protocol(m_options, StartClock(m_options), Clock::now()),
      m_received(m_options.recordLimit),
      m_sent(m_options.recordLimit),
      m_commands(m_options.recordLimit),
      m_clocks(m_options.recordLimit),
      m_sectorWrites(m_options.recordLimit),
      m_sectorReads(m_options.recordLimit),
      m_frames(m_options.recordLimit)
{
    m_line->noise.seed(m_options.noiseSeed);
}

ControllerSimulator::~ControllerSimulator() { Close(); }

std::string ControllerSimulator::OpenPty()
{
    Close();
    int master = -1;
    int slave = -1;
    char name[128] = {};
    termios raw{};
    cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
        std::lock_guard lock(m_mutex);
        m_error = Errno("openpty");
        return {};
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_line->fd = master;
    m_line->slaveFd = slave;
    std::lock_guard lock(m_mutex);
    m_path = name;
    m_hungUp = false;
    return m_path;
}

bool ControllerSimulator::OpenDevice(const std::string& path)
{
    Close();
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::lock_guard lock(m_mutex);
        m_error = Errno(path.c_str());
        return false;
    }
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        std::lock_guard lock(m_mutex);
        m_error = Errno(path.c_str());
        ::close(fd);
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD | CS8 | PARENB | PARODD;
    settings.c_cflag &= ~CSTOPB;
    settings.c_iflag |= INPCK;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        std::lock_guard lock(m_mutex);
        m_error = Errno(path.c_str());
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    m_line->fd = fd;
    std::lock_guard lock(m_mutex);
    m_path = path;
    m_hungUp = false;
    return true;
}

std::string ControllerSimulator::Path() const
{
    std::lock_guard lock(m_mutex);
    return m_path;
}

bool ControllerSimulator::LinkAt(const std::string& link)
{
    std::lock_guard lock(m_mutex);
    if (m_path.empty()) {
        m_error = "no pty to link to";
        return false;
    }
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        ::unlink(link.c_str());
    if (::symlink(m_path.c_str(), link.c_str()) != 0) {
        m_error = Errno(link.c_str());
        return false;
    }
    m_link = link;
    return true;
}

void ControllerSimulator::RemoveLink()
{
    std::lock_guard lock(m_mutex);
    if (!m_link.empty())
        ::unlink(m_link.c_str());
    m_link.clear();
}

std::string ControllerSimulator::LastError() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

bool ControllerSimulator::Start()
{
    if (m_running || m_line->fd < 0)
        return false;
    if (m_thread.joinable())
        m_thread.join(); // a thread that ended by itself (hang-up)
    if (m_line->wakeFd < 0)
        m_line->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_line->wakeFd < 0) {
        std::lock_guard lock(m_mutex);
        m_error = Errno("eventfd");
        return false;
    }
    m_stop = false;
    m_running = true;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void ControllerSimulator::WakeServer()
{
    if (m_line->wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_line->wakeFd, &one, sizeof one);
    }
}

void ControllerSimulator::Stop()
{
    m_stop = true;
    WakeServer();
    if (m_thread.joinable())
        m_thread.join();
    if (m_line->wakeFd >= 0) {
        std::uint64_t value = 0;
        [[maybe_unused]] const auto got = ::read(m_line->wakeFd, &value, sizeof value);
    }
    m_stop = false;
}

void ControllerSimulator::Close()
{
    Stop();
    RemoveLink();
    for (int* fd : {&m_line->fd, &m_line->slaveFd, &m_line->wakeFd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    std::lock_guard lock(m_mutex);
    m_path.clear();
}

bool ControllerSimulator::Running() const { return m_running; }

void ControllerSimulator::Run()
{
    Serve();
    m_running = false;
    Notify();
}

void ControllerSimulator::Serve()
{
    Line& line = *m_line;
    const auto now = Clock::now();
    line.started = now;
    line.nextFrame = now;
    line.rxFree = now;
    line.hangupAt.reset();
    {
        std::lock_guard lock(m_stateMutex);
        m_protocol.Resume(now);
    }
    bool hungUpBefore = false;
    {
        std::lock_guard lock(m_mutex);
        hungUpBefore = m_hangUps > 0;
    }
    if (m_options.hangupAfter && !hungUpBefore)
        line.hangupAt = now + *m_options.hangupAfter;
    line.silentAt.reset();
    line.silentUntil.reset();
    if (m_options.silentAfter) {
        line.silentAt = now + *m_options.silentAfter;
        if (m_options.silentFor)
            line.silentUntil = *line.silentAt + *m_options.silentFor;
    }
    line.restartAt.reset();
    if (m_options.restartAfter)
        line.restartAt = now + *m_options.restartAfter;
    // Silent now: a controller switched off, or its cable pulled, while the line stays.
    const auto silentAt = [&line](Clock::time_point t) {
        return line.silentAt && t >= *line.silentAt && (!line.silentUntil || t < *line.silentUntil);
    };

    std::uint8_t buffer[512];
    while (!m_stop) {
        auto t = Clock::now();
        if ((line.hangupAt && t >= *line.hangupAt) || m_hangUpNow.exchange(false)) {
            HangUp();
            return;
        }
        if ((line.restartAt && t >= *line.restartAt) || m_restartNow.exchange(false)) {
            line.restartAt.reset();
            LogLine("--", nullptr, 0, "power cut: restart in normal mode");
            {
                std::lock_guard lock(m_stateMutex);
                m_protocol.PowerCycle(t);
            }
            line.nextFrame = t + m_options.period;
            Notify();
            continue;
        }
        m_silentNow = silentAt(t);
        if (CurrentMode() == Mode::Normal && t >= line.nextFrame && m_silentNow) {
            line.nextFrame = t + m_options.period; // nothing goes out while it is silent
            continue;
        }
        if (CurrentMode() == Mode::Normal && t >= line.nextFrame) {
            sim::Reaction frame;
            {
                std::lock_guard lock(m_stateMutex);
                frame = m_protocol.PeriodicFrame(Clock::now());
            }
            Carry(frame, t);
            line.nextFrame += m_options.period;
            t = Clock::now();
            if (line.nextFrame <= t)
                line.nextFrame = t + m_options.period; // fell behind (a long message): start afresh
            continue;
        }
        Clock::time_point deadline = t + milliseconds(500);
        if (CurrentMode() == Mode::Normal)
            deadline = std::min(deadline, line.nextFrame);
        if (line.hangupAt)
            deadline = std::min(deadline, *line.hangupAt);
        if (line.restartAt)
            deadline = std::min(deadline, *line.restartAt);
        if (line.silentAt && t < *line.silentAt)
            deadline = std::min(deadline, *line.silentAt);
        if (line.silentUntil && t < *line.silentUntil)
            deadline = std::min(deadline, *line.silentUntil);
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - t);
        const timespec timeout{static_cast<time_t>(wait.count() / 1'000'000'000), static_cast<long>(wait.count() % 1'000'000'000)};
        pollfd fds[2] = {{line.fd, POLLIN, 0}, {line.wakeFd, POLLIN, 0}};
        const int ready = ppoll(fds, 2, &timeout, nullptr);
        if (m_stop)
            return;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            // A wake-up for RestartNow: taken, so that the next poll waits again.
            std::uint64_t value = 0;
            [[maybe_unused]] const auto got = ::read(line.wakeFd, &value, sizeof value);
        }
        if (ready <= 0 || !(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t got = ::read(line.fd, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // A device that went away (a pty keeps its slave open and never gets here): do not spin.
            SleepUntil(Clock::now() + milliseconds(50));
            continue;
        }
        const auto readAt = Clock::now();
        LogLine("<-", buffer, static_cast<std::size_t>(got), "");
        std::vector<ByteEvent> received;
        for (ssize_t i = 0; i < got; ++i)
            received.push_back({readAt, buffer[i]});
        m_received.Add(received.begin(), received.end());
        Notify();
        if (m_options.silent || silentAt(readAt))
            continue; // nobody there: what arrives is only recorded
        for (ssize_t i = 0; i < got && !m_stop; ++i) {
            Clock::time_point arrival = readAt;
            if (m_options.pace) {
                line.rxFree = std::max(line.rxFree, readAt) + kByteLineTime;
                arrival = line.rxFree;
            }
            sim::Reaction reaction;
            {
                std::lock_guard lock(m_stateMutex);
                reaction = m_protocol.Receive(buffer[i], arrival);
            }
            Carry(reaction, arrival);
            if (reaction.restarted)
                line.nextFrame = Clock::now() + m_options.period;
        }
    }
}

void ControllerSimulator::Carry(const sim::Reaction& reaction, Clock::time_point arrival)
{
    if (reaction.complete)
        SleepUntil(arrival);
    // Recorded before the reply goes out: whoever sees the reply finds the event already there.
    for (const sim::Event& event : reaction.events)
        Record(event);
    if (reaction.complete || !reaction.events.empty())
        Notify();
    for (const sim::Reply& reply : reaction.replies) {
        if (m_stop)
            break;
        if (reply.pauseBefore.count() > 0)
            SleepUntil(Clock::now() + reply.pauseBefore);
        Send(reply.bytes, reply.what);
    }
    if (!reaction.replies.empty())
        Notify();
}

void ControllerSimulator::Record(const sim::Event& event)
{
    if (const auto* e = std::get_if<CommandEvent>(&event))
        m_commands.Add(*e);
    else if (const auto* e = std::get_if<ClockEvent>(&event))
        m_clocks.Add(*e);
    else if (const auto* e = std::get_if<SectorWriteEvent>(&event))
        m_sectorWrites.Add(*e);
    else if (const auto* e = std::get_if<SectorReadEvent>(&event))
        m_sectorReads.Add(*e);
    else if (const auto* e = std::get_if<FrameEvent>(&event))
        m_frames.Add(*e);
}

void ControllerSimulator::Send(const std::vector<std::uint8_t>& bytes, const char* what)
{
    Line& line = *m_line;
    if (m_options.silent || m_silentNow || bytes.empty())
        return;
    std::vector<std::uint8_t> out = bytes;
    if (m_options.noisePerMille > 0) {
        std::uniform_int_distribution<int> perMille(0, 999);
        std::uniform_int_distribution<int> bit(0, 7);
        for (auto& b : out)
            if (perMille(line.noise) < m_options.noisePerMille)
                b ^= static_cast<std::uint8_t>(1u << bit(line.noise));
    }
    LogLine("->", out.data(), out.size(), what);

    auto writeAll = [&](const std::uint8_t* data, std::size_t count) {
        const auto giveUp = Clock::now() + milliseconds(500);
        bool flushed = false;
        while (count > 0 && !m_stop) {
            const ssize_t n = ::write(line.fd, data, count);
            if (n > 0) {
                data += n;
                count -= static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return; // the line is gone; the bytes are lost as on a cut cable
            if (n < 0 && errno == EAGAIN && line.slaveFd >= 0 && !flushed) {
                // A pty fills up when no station reads it; on a real line those bytes would simply
                // have gone by. Drop them so that the controller keeps its pace.
                tcflush(line.slaveFd, TCIFLUSH);
                flushed = true;
                continue;
            }
            if (Clock::now() >= giveUp)
                return; // nobody reads and the buffer is full: drop, as a real line would
            pollfd pfd{line.fd, POLLOUT, 0};
            poll(&pfd, 1, 10);
        }
    };
    // Each byte is recorded just before it is written, so a peer never sees a byte not yet recorded.
    auto record = [this](const std::uint8_t* data, std::size_t count) {
        const auto t = Clock::now();
        std::vector<ByteEvent> events;
        for (std::size_t i = 0; i < count; ++i)
            events.push_back({t, data[i]});
        m_sent.Add(events.begin(), events.end());
    };
    if (m_options.pace) {
        // A byte reaches the far end one line time after its start bit: hand it over only then.
        const auto start = Clock::now();
        for (std::size_t i = 0; i < out.size() && !m_stop; ++i) {
            SleepUntil(start + (i + 1) * kByteLineTime);
            record(&out[i], 1);
            writeAll(&out[i], 1);
        }
    } else {
        record(out.data(), out.size());
        writeAll(out.data(), out.size());
    }
}

void ControllerSimulator::SleepUntil(Clock::time_point deadline)
{
    // In short steps, so that Stop is obeyed within a few milliseconds even in a long wait.
    while (!m_stop) {
        const auto now = Clock::now();
        if (now >= deadline)
            return;
        const auto step = std::min(deadline, now + milliseconds(5));
        const timespec until = ToTimespec(step);
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
    }
}

void ControllerSimulator::HangUp()
{
    LogLine("--", nullptr, 0, "hang-up");
    // The name goes first: a station retrying it must never reach the next owner of the number.
    RemoveLink();
    for (int* fd : {&m_line->fd, &m_line->slaveFd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    std::lock_guard lock(m_mutex);
    m_hungUp = true;
    ++m_hangUps;
}

void ControllerSimulator::LogLine(const char* direction, const std::uint8_t* bytes, std::size_t count, const char* what)
{
    if (!m_options.log)
        return;
    const double seconds = std::chrono::duration<double>(Clock::now() - m_line->started).count();
    std::string line;
    char head[48];
    std::snprintf(head, sizeof head, "%10.3f %s", seconds, direction);
    line += head;
    for (std::size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        line += hex;
    }
    if (what && *what) {
        line += "  (";
        line += what;
        line += ')';
    }
    *m_options.log << line << std::endl;
}

void ControllerSimulator::Notify() { m_changed.notify_all(); }

std::vector<ControllerSimulator::ByteEvent> ControllerSimulator::Received() const { return m_received.Copy(); }
std::vector<ControllerSimulator::ByteEvent> ControllerSimulator::Sent() const { return m_sent.Copy(); }
std::vector<ControllerSimulator::CommandEvent> ControllerSimulator::Commands() const { return m_commands.Copy(); }
std::vector<ControllerSimulator::ClockEvent> ControllerSimulator::ClockMessages() const { return m_clocks.Copy(); }
std::vector<ControllerSimulator::SectorWriteEvent> ControllerSimulator::SectorsWritten() const { return m_sectorWrites.Copy(); }
std::vector<ControllerSimulator::SectorReadEvent> ControllerSimulator::SectorsRead() const { return m_sectorReads.Copy(); }
std::vector<ControllerSimulator::FrameEvent> ControllerSimulator::Frames() const { return m_frames.Copy(); }

std::uint64_t ControllerSimulator::FramesSent() const
{
    std::lock_guard lock(m_stateMutex);
    return m_protocol.FramesSent();
}

int ControllerSimulator::EntryToggles() const
{
    std::lock_guard lock(m_stateMutex);
    return m_protocol.EntryToggles();
}

int ControllerSimulator::ExitToggles() const
{
    std::lock_guard lock(m_stateMutex);
    return m_protocol.ExitToggles();
}

int ControllerSimulator::Restarts() const
{
    std::lock_guard lock(m_stateMutex);
    return m_protocol.Restarts();
}

ControllerSimulator::Mode ControllerSimulator::CurrentMode() const
{
    std::lock_guard lock(m_stateMutex);
    return m_protocol.CurrentMode();
}

ImageBytes ControllerSimulator::Memory() const
{
    std::lock_guard lock(m_stateMutex);
    return m_protocol.Memory();
}

bool ControllerSimulator::HungUp() const
{
    std::lock_guard lock(m_mutex);
    return m_hungUp;
}

void ControllerSimulator::SetAlarm(bool on)
{
    std::lock_guard lock(m_stateMutex);
    m_protocol.SetAlarm(on);
}

void ControllerSimulator::RestartNow()
{
    if (!m_running) {
        std::lock_guard lock(m_stateMutex);
        m_protocol.PowerCycle(Clock::now());
        return;
    }
    m_restartNow = true;
    WakeServer();
}

void ControllerSimulator::HangUpNow()
{
    m_hangUpNow = true;
    WakeServer();
}

void ControllerSimulator::ClearRecords()
{
    for (auto* list : {&m_received, &m_sent})
        list->Clear();
    m_commands.Clear();
    m_clocks.Clear();
    m_sectorWrites.Clear();
    m_sectorReads.Clear();
    m_frames.Clear();
    std::lock_guard lock(m_stateMutex);
    m_protocol.ClearCounters();
}

bool ControllerSimulator::WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) const
{
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        std::unique_lock lock(m_waitMutex);
        m_changed.wait_for(lock, std::min<Clock::duration>(deadline - now, milliseconds(10)));
    }
    return true;
}

} // namespace vlk
