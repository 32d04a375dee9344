#include "ControllerSimulator.h"

#include "Junction.h"
#include "config/DemoJunction.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
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

constexpr std::uint8_t kToggleFirst = 0xD5;
constexpr std::uint8_t kToggleSecond = 0x33;
constexpr std::uint8_t kToggleAccepted = 0xFF;
constexpr std::uint8_t kStar = 0x2A;
constexpr std::uint8_t kSectorWrite = 0xA0;
constexpr std::uint8_t kSectorRefused = 0xF0;
constexpr std::uint8_t kSectorRead = 0x50;
// A message whose next byte comes this much later than the one before is abandoned: the station
// never pauses inside a message that long (its own inter-byte time-out is 20 ms).
constexpr milliseconds kMessageGap{200};

bool IsConsoleCommand(std::uint8_t b)
{
    return b == 0x00 || (b >= 0x40 && b <= 0x48) || b == 0x50 || b == 0x60;
}

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Uses up one application of a limited fault; true if it applies now.
bool Take(int& times)
{
    if (times == 0)
        return false;
    if (times > 0)
        --times;
    return true;
}

struct TimedFault {
    int sector;
    int times;
};

bool TakeSector(std::vector<TimedFault>& faults, int sector)
{
    for (auto& fault : faults)
        if (fault.sector == sector && Take(fault.times))
            return true;
    return false;
}

std::vector<TimedFault> Copy(const std::vector<SectorFault>& faults)
{
    std::vector<TimedFault> copy;
    for (const auto& f : faults)
        copy.push_back({f.sector, f.times});
    return copy;
}

timespec ToTimespec(Clock::time_point t)
{
    // steady_clock is CLOCK_MONOTONIC on Linux.
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

} // namespace

// Descriptors and everything the serving thread keeps between messages.
struct ControllerSimulator::Line {
    int fd = -1;        // pty master or the device
    int slaveFd = -1;   // a pty's slave, held open so the master never sees a hang-up
    int wakeFd = -1;    // eventfd: Stop wakes the thread's poll

    std::unique_ptr<Junction> junction;
    Clock::time_point junctionTime;   // the junction has been advanced up to here
    Clock::time_point started;        // for the trace's time stamps
    Clock::time_point nextFrame;
    Clock::time_point rxFree;         // paced: when the last received byte has arrived
    std::optional<Clock::time_point> hangupAt;
    std::vector<std::uint8_t> pending;
    Clock::time_point pendingLast;

    std::mt19937 noise;
    int psClearLeft = 0;
    int shortFramesLeft = 0;
    std::vector<TimedFault> refuse, ignore, zero;
    int toggleReplyLeft = 0;
    std::uint64_t periodicFrames = 0;
};

ControllerSimulator::ControllerSimulator(SimulatorOptions options)
    : m_options(std::move(options)), m_line(std::make_unique<Line>())
{
    m_memory = m_options.memory ? *m_options.memory : ConfigurationImage::Encode(DemoJunction());
    Line& line = *m_line;
    line.noise.seed(m_options.noiseSeed);
    line.psClearLeft = m_options.psClearFrames;
    line.shortFramesLeft = m_options.shortFrames;
    line.refuse = Copy(m_options.refuseSector);
    line.ignore = Copy(m_options.ignoreSector);
    line.zero = Copy(m_options.zeroSector);
    line.toggleReplyLeft = m_options.toggleReply ? m_options.toggleReply->times : 0;
    SimulatorOptions::Clock clock;
    if (m_options.clock) {
        clock = *m_options.clock;
    } else {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        clock = {(local.tm_wday + 6) % 7, local.tm_hour, local.tm_min, local.tm_sec};
    }
    RestartJunction(clock);
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

void ControllerSimulator::Stop()
{
    m_stop = true;
    if (m_line->wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_line->wakeFd, &one, sizeof one);
    }
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
    line.junctionTime = now;
    line.nextFrame = now;
    line.rxFree = now;
    line.pending.clear();
    line.hangupAt.reset();
    bool hungUpBefore = false;
    {
        std::lock_guard lock(m_mutex);
        hungUpBefore = m_hangUps > 0;
    }
    if (m_options.hangupAfter && !hungUpBefore)
        line.hangupAt = now + *m_options.hangupAfter;

    std::uint8_t buffer[512];
    while (!m_stop) {
        auto t = Clock::now();
        if (line.hangupAt && t >= *line.hangupAt) {
            HangUp();
            return;
        }
        if (CurrentMode() == Mode::Normal && t >= line.nextFrame) {
            const std::size_t length = Take(line.shortFramesLeft)
                ? static_cast<std::size_t>(std::clamp(m_options.shortFrameLength, 0, int(kStateFrameSize)))
                : kStateFrameSize;
            SendStateFrame(false, length);
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
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - t);
        const timespec timeout{static_cast<time_t>(wait.count() / 1'000'000'000), static_cast<long>(wait.count() % 1'000'000'000)};
        pollfd fds[2] = {{line.fd, POLLIN, 0}, {line.wakeFd, POLLIN, 0}};
        const int ready = ppoll(fds, 2, &timeout, nullptr);
        if (m_stop)
            return;
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
        {
            std::lock_guard lock(m_mutex);
            for (ssize_t i = 0; i < got; ++i)
                m_received.push_back({readAt, buffer[i]});
            if (m_received.size() > m_options.recordLimit)
                m_received.erase(m_received.begin(), m_received.begin() + static_cast<std::ptrdiff_t>(m_received.size() / 2));
        }
        Notify();
        if (m_options.silent)
            continue; // nobody there: what arrives is only recorded
        for (ssize_t i = 0; i < got && !m_stop; ++i) {
            Clock::time_point arrival = readAt;
            if (m_options.pace) {
                line.rxFree = std::max(line.rxFree, readAt) + kByteLineTime;
                arrival = line.rxFree;
            }
            Feed(buffer[i], arrival);
        }
    }
}

void ControllerSimulator::Feed(std::uint8_t byte, Clock::time_point arrival)
{
    Line& line = *m_line;
    if (!line.pending.empty() && arrival - line.pendingLast > kMessageGap)
        line.pending.clear();
    line.pendingLast = arrival;
    if (!line.pending.empty()) {
        line.pending.push_back(byte);
        const std::uint8_t first = line.pending.front();
        if (first == kToggleFirst) {
            line.pending.clear();
            if (byte == kToggleSecond) {
                SleepUntil(arrival);
                if (CurrentMode() == Mode::Normal)
                    OnEntryToggle();
                else
                    OnExitToggle();
            } else {
                Feed(byte, arrival);
            }
            return;
        }
        if (CurrentMode() == Mode::Programming) {
            // A sector write: the command byte and 128 data bytes.
            if (line.pending.size() == 1 + kSectorSize) {
                SleepUntil(arrival);
                OnSectorWrite();
                line.pending.clear();
            }
            return;
        }
        // The clock message: a tag in each high nibble, 0xF0 last.
        static constexpr std::uint8_t kTags[6] = {0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xF0};
        const std::size_t index = line.pending.size() - 1;
        const bool tagOk = index == 5 ? byte == 0xF0 : (byte & 0xF0) == kTags[index];
        if (!tagOk) {
            line.pending.pop_back();
            OnClockMessage(); // recorded as broken, not applied
            line.pending.clear();
            Feed(byte, arrival);
            return;
        }
        if (line.pending.size() == 6) {
            SleepUntil(arrival);
            OnClockMessage();
            line.pending.clear();
        }
        return;
    }
    Act(byte, arrival);
}

void ControllerSimulator::Act(std::uint8_t byte, Clock::time_point arrival)
{
    Line& line = *m_line;
    if (byte == kToggleFirst) {
        line.pending.push_back(byte);
        return;
    }
    if (CurrentMode() == Mode::Programming) {
        if (byte >= kSectorWrite && byte < kSectorWrite + kSectorCount) {
            line.pending.push_back(byte);
        } else if (byte >= kSectorRead && byte < kSectorRead + kSectorCount) {
            SleepUntil(arrival);
            OnSectorRead(byte - kSectorRead);
        }
        return;
    }
    if ((byte & 0xF0) == 0x80) {
        line.pending.push_back(byte);
        return;
    }
    if (byte == kStar || IsConsoleCommand(byte)) {
        SleepUntil(arrival);
        if (byte != kStar) {
            AdvanceJunction();
            line.junction->Command(byte);
        }
        {
            std::lock_guard lock(m_mutex);
            Record(m_commands, CommandEvent{Clock::now(), byte, m_framesSent});
        }
        Notify();
    }
}

void ControllerSimulator::OnEntryToggle()
{
    Line& line = *m_line;
    {
        std::lock_guard lock(m_mutex);
        ++m_entryToggles;
    }
    std::uint8_t reply = kToggleAccepted;
    if (m_options.toggleReply && Take(line.toggleReplyLeft))
        reply = m_options.toggleReply->byte;
    if (reply == 0) {
        // Refused: a zero byte, and the junction runs on.
        Send({reply}, "toggle refused");
        Notify();
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_mode = Mode::Programming;
    }
    std::string account;
    if (m_options.account) {
        account = *m_options.account;
    } else {
        const ImageBytes memory = Memory();
        for (std::size_t i = ImageOffset::AccountRecord; i < kImageSize && memory[i] != 0; ++i)
            account.push_back(static_cast<char>(memory[i]));
    }
    std::vector<std::uint8_t> bytes{reply};
    bytes.insert(bytes.end(), account.begin(), account.end());
    bytes.push_back(0);
    Send(bytes, "programming mode, account record");
    Notify();
}

void ControllerSimulator::OnExitToggle()
{
    Line& line = *m_line;
    {
        std::lock_guard lock(m_mutex);
        ++m_exitToggles;
    }
    if (m_options.exitShort) {
        SendStateFrame(true, static_cast<std::size_t>(std::clamp(*m_options.exitShort, 0, int(kStateFrameSize))));
        Notify();
        return;
    }
    AdvanceJunction();
    // The controller's clock runs on through the restart.
    const Junction& old = *line.junction;
    RestartJunction({old.Day(), old.Hours(), old.Minutes(), old.Seconds()});
    {
        std::lock_guard lock(m_mutex);
        m_mode = Mode::Normal;
        ++m_restarts;
    }
    SendStateFrame(true, kStateFrameSize);
    line.nextFrame = Clock::now() + m_options.period;
    Notify();
}

void ControllerSimulator::OnSectorWrite()
{
    Line& line = *m_line;
    const int sector = line.pending.front() - kSectorWrite;
    SectorWriteEvent event;
    event.sector = sector;
    std::copy(line.pending.begin() + 1, line.pending.end(), event.data.begin());
    if (TakeSector(line.ignore, sector))
        event.outcome = SectorOutcome::Ignored;
    else if (TakeSector(line.refuse, sector))
        event.outcome = SectorOutcome::Refused;
    else if (TakeSector(line.zero, sector))
        event.outcome = SectorOutcome::AnsweredZero;
    const SectorOutcome outcome = event.outcome;
    event.time = Clock::now();
    {
        // Recorded before the reply goes out: whoever sees the reply finds the event already there.
        std::lock_guard lock(m_mutex);
        if (outcome == SectorOutcome::Accepted)
            std::copy(event.data.begin(), event.data.end(), m_memory.begin() + sector * static_cast<std::ptrdiff_t>(kSectorSize));
        Record(m_sectorWrites, std::move(event));
    }
    Notify();
    if (outcome == SectorOutcome::Refused)
        Send({static_cast<std::uint8_t>(kSectorRefused + sector)}, "sector refused");
    else if (outcome == SectorOutcome::Accepted)
        Send({static_cast<std::uint8_t>(kSectorWrite + sector)}, "sector accepted");
    else if (outcome == SectorOutcome::AnsweredZero)
        Send({0x00}, "sector answered zero");
}

void ControllerSimulator::OnSectorRead(int sector)
{
    const ImageBytes memory = Memory();
    const auto begin = memory.begin() + sector * static_cast<std::ptrdiff_t>(kSectorSize);
    const std::vector<std::uint8_t> whole(begin, begin + static_cast<std::ptrdiff_t>(kSectorSize));
    const auto fault = std::find_if(m_options.shortSectorRead.begin(), m_options.shortSectorRead.end(),
                                    [sector](const SectorFault& f) { return f.sector == sector; });
    SectorReadEvent event{Clock::now(), sector, 0, true};
    if (fault != m_options.shortSectorRead.end()) {
        event.shortBursts = fault->times < 0 ? 1 : fault->times;
        event.whole = fault->times >= 0;
    }
    {
        std::lock_guard lock(m_mutex);
        Record(m_sectorReads, event);
    }
    Notify();
    const auto shortLength = static_cast<std::ptrdiff_t>(std::clamp(m_options.shortSectorReadLength, 0, int(kSectorSize)));
    for (int burst = 0; burst < event.shortBursts && !m_stop; ++burst) {
        if (burst > 0)
            SleepUntil(Clock::now() + kShortBurstPause);
        Send(std::vector<std::uint8_t>(whole.begin(), whole.begin() + shortLength), "sector, broken off");
    }
    if (event.whole) {
        if (event.shortBursts > 0)
            SleepUntil(Clock::now() + kShortBurstPause);
        Send(whole, "sector");
    }
}

void ControllerSimulator::OnClockMessage()
{
    Line& line = *m_line;
    ClockEvent event;
    event.time = Clock::now();
    std::copy(line.pending.begin(), line.pending.end(), event.bytes.begin());
    if (line.pending.size() == 6) {
        const int digits[5] = {line.pending[0] & 0x0F, line.pending[1] & 0x0F, line.pending[2] & 0x0F,
                               line.pending[3] & 0x0F, line.pending[4] & 0x0F};
        event.minutes = digits[0] + 10 * digits[1];
        event.hours = digits[2] + 10 * digits[3];
        event.day = digits[4];
        event.valid = digits[0] < 10 && digits[2] < 10 && event.minutes < 60 && event.hours < 24 && event.day < 7;
    }
    if (event.valid) {
        AdvanceJunction();
        line.junction->SetClock(event.day, event.hours, event.minutes);
    }
    {
        std::lock_guard lock(m_mutex);
        Record(m_clocks, std::move(event));
    }
    Notify();
}

void ControllerSimulator::SendStateFrame(bool exitReply, std::size_t length)
{
    Line& line = *m_line;
    AdvanceJunction();
    StateFrame frame = line.junction->Frame();
    if (!exitReply && Take(line.psClearLeft))
        frame[0] &= static_cast<std::uint8_t>(~0x20u);
    FrameEvent event;
    event.time = Clock::now();
    event.bytes.assign(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length));
    event.exitReply = exitReply;
    const std::vector<std::uint8_t> bytes = event.bytes;
    if (!m_options.silent) {
        std::lock_guard lock(m_mutex);
        ++m_framesSent;
        Record(m_frames, std::move(event));
    }
    Notify();
    Send(bytes, exitReply ? "state frame (restart)" : "state frame");
}

void ControllerSimulator::Send(const std::vector<std::uint8_t>& bytes, const char* what)
{
    Line& line = *m_line;
    if (m_options.silent || bytes.empty())
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
        std::lock_guard lock(m_mutex);
        for (std::size_t i = 0; i < count; ++i)
            m_sent.push_back({t, data[i]});
        if (m_sent.size() > m_options.recordLimit)
            m_sent.erase(m_sent.begin(), m_sent.begin() + static_cast<std::ptrdiff_t>(m_sent.size() / 2));
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

void ControllerSimulator::AdvanceJunction()
{
    Line& line = *m_line;
    const auto now = Clock::now();
    const auto elapsed = std::chrono::duration_cast<milliseconds>(now - line.junctionTime);
    if (elapsed.count() <= 0)
        return;
    line.junction->Advance(elapsed * std::max(1, m_options.timeScale));
    line.junctionTime += elapsed;
}

void ControllerSimulator::RestartJunction(const SimulatorOptions::Clock& clock)
{
    const ImageBytes memory = Memory();
    const DecodeResult decoded = ConfigurationImage::Decode(memory);
    const bool valid = decoded.configuration.has_value();
    m_line->junction = std::make_unique<Junction>(valid ? *decoded.configuration : Configuration{}, valid, clock.day,
                                                  clock.hours, clock.minutes, clock.seconds);
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

template <class T>
void ControllerSimulator::Record(std::vector<T>& list, T event)
{
    list.push_back(std::move(event));
    if (list.size() > m_options.recordLimit)
        list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(list.size() / 2));
}

void ControllerSimulator::Notify() { m_changed.notify_all(); }

std::vector<ControllerSimulator::ByteEvent> ControllerSimulator::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<ControllerSimulator::ByteEvent> ControllerSimulator::Sent() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

std::vector<ControllerSimulator::CommandEvent> ControllerSimulator::Commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

std::vector<ControllerSimulator::ClockEvent> ControllerSimulator::ClockMessages() const
{
    std::lock_guard lock(m_mutex);
    return m_clocks;
}

std::vector<ControllerSimulator::SectorWriteEvent> ControllerSimulator::SectorsWritten() const
{
    std::lock_guard lock(m_mutex);
    return m_sectorWrites;
}

std::vector<ControllerSimulator::SectorReadEvent> ControllerSimulator::SectorsRead() const
{
    std::lock_guard lock(m_mutex);
    return m_sectorReads;
}

std::vector<ControllerSimulator::FrameEvent> ControllerSimulator::Frames() const
{
    std::lock_guard lock(m_mutex);
    return m_frames;
}

std::uint64_t ControllerSimulator::FramesSent() const
{
    std::lock_guard lock(m_mutex);
    return m_framesSent;
}

int ControllerSimulator::EntryToggles() const
{
    std::lock_guard lock(m_mutex);
    return m_entryToggles;
}

int ControllerSimulator::ExitToggles() const
{
    std::lock_guard lock(m_mutex);
    return m_exitToggles;
}

int ControllerSimulator::Restarts() const
{
    std::lock_guard lock(m_mutex);
    return m_restarts;
}

ControllerSimulator::Mode ControllerSimulator::CurrentMode() const
{
    std::lock_guard lock(m_mutex);
    return m_mode;
}

ImageBytes ControllerSimulator::Memory() const
{
    std::lock_guard lock(m_mutex);
    return m_memory;
}

bool ControllerSimulator::HungUp() const
{
    std::lock_guard lock(m_mutex);
    return m_hungUp;
}

void ControllerSimulator::ClearRecords()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
    m_sent.clear();
    m_commands.clear();
    m_clocks.clear();
    m_sectorWrites.clear();
    m_sectorReads.clear();
    m_frames.clear();
    m_framesSent = 0;
    m_entryToggles = 0;
    m_exitToggles = 0;
    m_restarts = 0;
}

bool ControllerSimulator::WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) const
{
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::min<Clock::duration>(deadline - now, milliseconds(10)));
    }
    return true;
}

} // namespace vlk
