#include "link/CPort.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace vlk {

namespace {

using Clock = std::chrono::steady_clock;

void DrainWake(int fd)
{
    std::uint64_t value = 0;
    while (read(fd, &value, sizeof value) > 0) {
    }
}

timespec ToPollTimeout(Clock::duration d)
{
    if (d < Clock::duration::zero())
        d = Clock::duration::zero();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

} // namespace

CPort::CPort() : CPort(SystemRtsControl::Instance()) {}

CPort::CPort(RtsControl& rts) : m_rts(rts)
{
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0)
        std::perror("vlk: eventfd");
}

CPort::~CPort()
{
    Close();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

std::string CPort::DevicePath(const std::string& name)
{
    if (name == "COM1:" || name == "COM2:") {
        const bool first = name == "COM1:";
        const char* env = std::getenv(first ? "VLK_COM1" : "VLK_COM2");
        if (env && *env)
            return env;
        return first ? "/dev/ttyS0" : "/dev/ttyS1";
    }
    return name;
}

std::string CPort::Name() const
{
    std::lock_guard lock(m_io);
    return m_name;
}

std::chrono::milliseconds CPort::TotalTimeout() const
{
    const auto override = m_timeoutOverride.load();
    if (override.count() > 0)
        return override;
    return std::chrono::milliseconds(m_mode.load() == ModeModbus ? 1000 : 2000);
}

CPort::Error CPort::ErrorFromErrno(int error, bool opening)
{
    switch (error) {
    case 0:
        return Error::None;
    case ENOENT:
        return Error::NotFound;
    case ENODEV:
    case ENXIO:
        return opening ? Error::NotFound : Error::Gone;
    case EBUSY:
    case EWOULDBLOCK:
        return Error::InUse;
    case EACCES:
    case EPERM:
        return Error::Permission;
    case EIO:
    case EPIPE:
        return Error::Gone;
    case ENOTTY:
    case EINVAL:
        return Error::NotSerial;
    default:
        return Error::Other;
    }
}

CPort::Error CPort::LastError() const
{
    std::lock_guard lock(m_errorMutex);
    return m_error;
}

std::string CPort::ErrorString() const
{
    std::lock_guard lock(m_errorMutex);
    return m_errorText;
}

std::string CPort::OpenFailure() const
{
    std::lock_guard lock(m_errorMutex);
    if (m_failedPath.empty())
        return {};
    std::string reason;
    switch (m_error) {
    case Error::NotFound: reason = "нет такого устройства"; break;
    case Error::InUse: reason = "порт занят другой программой"; break;
    case Error::Permission: reason = "нет прав на доступ к порту"; break;
    case Error::NotSerial: reason = "это не последовательный порт"; break;
    case Error::Gone: reason = "устройство отключено"; break;
    case Error::None:
    case Error::Other: reason = "ошибка " + std::to_string(m_failedErrno) + " (" + m_errorText + ")"; break;
    }
    return m_failedPath + ": " + reason;
}

std::string CPort::NotOpenText() const
{
    const std::string why = OpenFailure();
    return why.empty() ? std::string("Порт не открыт") : "Порт не открыт\n" + why;
}

void CPort::SetError(Error error, int errnoValue, const char* what, const std::string& path)
{
    std::lock_guard lock(m_errorMutex);
    m_error = error;
    // Only Open passes the device's path: I/O errors on an open port leave the open's reason.
    if (error == Error::None) {
        m_failedPath.clear();
        m_failedErrno = 0;
    } else if (!path.empty()) {
        m_failedPath = path;
        m_failedErrno = errnoValue;
    }
    m_errorText = error == Error::None ? std::string() : std::string(std::strerror(errnoValue));
    if (error == Error::None) {
        m_reported.clear();
        return;
    }
    if (!what)
        return;
    // The user sees only the station's own message; the reason is for whoever reads stderr. A
    // worker that retries a missing device every pass says so once, not every two seconds.
    std::string line = std::string("vlk: ") + what + " " + path + ": " + m_errorText;
    if (line == m_reported)
        return;
    m_reported = line;
    std::fprintf(stderr, "%s\n", line.c_str());
}

bool CPort::Open(const std::string& name, const std::string& mode)
{
    if (IsOpen())
        Close();

    std::lock_guard lock(m_io);
    std::snprintf(m_name, sizeof m_name, "%s", name.c_str());
    int newMode = ModeNone;
    if (mode == "AX25")
        newMode = ModeAx25;
    else if (mode == "MODBUS")
        newMode = ModeModbus;
    else
        return false;

    const std::string path = DevicePath(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        SetError(ErrorFromErrno(error, true), error, "cannot open", path);
        return false;
    }
    // No TIOCNXCL on the way out: exclusive mode is set last, so a failure has none of its own
    // to undo, and after a refused lock the mode belongs to the holder.
    auto fail = [&](const char* what, int error, Error kind) {
        SetError(kind, error, what, path);
        ::close(fd);
        return false;
    };
    // flock first: root ignores TIOCEXCL.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        return fail("port is in use:", error, error == EWOULDBLOCK ? Error::InUse : ErrorFromErrno(error, true));
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        const int error = errno;
        return fail("cannot read line settings of", error, error == ENOTTY ? Error::NotSerial : ErrorFromErrno(error, true));
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | CS8;
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF | IXANY);
    if (newMode == ModeAx25) {
        tio.c_cflag |= PARENB | PARODD;
        tio.c_iflag |= INPCK;
    } else {
        tio.c_cflag |= CSTOPB;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    // tcsetattr succeeds when any change applied and may fail when the driver keeps a part
    // of it (a pty refuses parity): what counts is what the line reads back.
    termios actual{};
    (void)tcsetattr(fd, TCSANOW, &tio);
    if (tcgetattr(fd, &actual) != 0) {
        const int error = errno;
        return fail("cannot read back line settings of", error, ErrorFromErrno(error, true));
    }
    if (cfgetospeed(&actual) != B9600 || (actual.c_cflag & CSIZE) != CS8)
        return fail("line settings not taken by", EINVAL, Error::NotSerial);
    // A pty drops PARENB silently; that is accepted here.

    if (ioctl(fd, TIOCEXCL) != 0)
        std::fprintf(stderr, "vlk: cannot make exclusive %s: %s\n", path.c_str(), std::strerror(errno));

    m_fd = fd;
    m_mode = newMode;
    m_rtsMode = m_rts.Setup(fd);
    m_open = 1;
    m_readEnd = ReadEnd::NotOpen;
    SetError(Error::None, 0);
    DrainWake(m_wakeFd);

    std::this_thread::sleep_for(kConfigurePause);
    (void)tcflush(fd, TCIOFLUSH);
    return true;
}

bool CPort::Close()
{
    if (!IsOpen())
        return true;
    // Wake a Read or Write blocked in another thread, then wait for it to let go of m_fd.
    m_closing = true;
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        (void)!write(m_wakeFd, &one, sizeof one);
    }
    std::lock_guard lock(m_io);
    CloseLocked();
    if (m_wakeFd >= 0)
        DrainWake(m_wakeFd);
    m_closing = false;
    return true;
}

void CPort::CloseLocked()
{
    if (!m_open)
        return;
    (void)ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    m_open = 0;
}

CPort::Wait CPort::WaitReady(short events, Clock::time_point deadline)
{
    for (;;) {
        if (m_closing)
            return Wait::Woken;
        const auto now = Clock::now();
        if (now >= deadline)
            return Wait::Timeout;
        pollfd fds[2] = {{m_fd, events, 0}, {m_wakeFd, POLLIN, 0}};
        const timespec rest = ToPollTimeout(deadline - now);
        const int n = ppoll(fds, m_wakeFd >= 0 ? 2 : 1, &rest, nullptr);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Wait::Gone;
        }
        if (n == 0)
            continue; // recompute: the deadline decides
        if (fds[1].revents)
            return Wait::Woken;
        if (fds[0].revents & events)
            return Wait::Ready;
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return Wait::Gone;
    }
}

bool CPort::Write(const std::uint8_t* bytes, std::size_t count)
{
    std::lock_guard lock(m_io);
    if (!m_open || m_closing)
        return false;
    // Every command starts from an empty receive queue. Writes drain before returning, so
    // nothing of ours is ever left to purge on the way out; purging the output as well
    // would throw away an earlier command still on its way (a pty even drops it from the
    // peer's unread input).
    (void)tcflush(m_fd, TCIFLUSH);
    std::this_thread::sleep_for(kWritePause);

    const auto deadline = Clock::now() + TotalTimeout();
    if (m_rtsMode == RtsMode::Manual)
        m_rts.Set(m_fd, true);
    std::size_t done = 0;
    bool ok = true;
    while (done < count) {
        const ssize_t n = ::write(m_fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            const int error = errno;
            SetError(ErrorFromErrno(error, false), error);
            ok = false;
            break;
        }
        const Wait wait = WaitReady(POLLOUT, deadline);
        if (wait != Wait::Ready) {
            if (wait == Wait::Gone)
                SetError(Error::Gone, EIO);
            ok = false;
            break;
        }
    }
    // Synchronous like the controller expects: back when the last bit has left; only then
    // may RTS drop.
    (void)tcdrain(m_fd);
    if (m_rtsMode == RtsMode::Manual)
        m_rts.Set(m_fd, false);
    return ok;
}

std::size_t CPort::Read(std::uint8_t* buffer, std::size_t count)
{
    std::lock_guard lock(m_io);
    if (!m_open) {
        m_readEnd = ReadEnd::NotOpen;
        return 0;
    }
    if (count == 0) {
        m_readEnd = ReadEnd::Count;
        return 0;
    }
    const auto total = Clock::now() + TotalTimeout();
    std::size_t got = 0;
    Clock::time_point deadline = total;
    ReadEnd end = ReadEnd::Count;
    while (got < count) {
        const Wait wait = WaitReady(POLLIN, deadline);
        if (wait == Wait::Timeout) {
            end = got > 0 && deadline < total ? ReadEnd::Gap : ReadEnd::Timeout;
            break;
        }
        if (wait == Wait::Woken) {
            end = ReadEnd::Woken;
            break;
        }
        if (wait == Wait::Gone) {
            SetError(Error::Gone, EIO);
            end = ReadEnd::Gone;
            break;
        }
        const ssize_t n = ::read(m_fd, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            deadline = std::min(total, Clock::now() + kInterByteTimeout);
        } else if (n == 0) {
            SetError(Error::Gone, EIO); // hang-up
            end = ReadEnd::Gone;
            break;
        } else if (errno != EAGAIN && errno != EINTR) {
            const int error = errno;
            SetError(Error::Gone, error);
            end = ReadEnd::Gone;
            break;
        }
    }
    m_readEnd = end;
    return got;
}

std::size_t CPort::Available() const
{
    std::lock_guard lock(m_io);
    if (!m_open)
        return 0;
    int waiting = 0;
    if (ioctl(m_fd, FIONREAD, &waiting) != 0 || waiting < 0)
        return 0;
    return static_cast<std::size_t>(waiting);
}

std::uint8_t CPort::SetParity(std::uint8_t code)
{
    std::lock_guard lock(m_io);
    if (!m_open)
        return kNoParity;
    termios tio{};
    if (tcgetattr(m_fd, &tio) != 0)
        return kNoParity;
    std::uint8_t before = kNoParity;
    if (tio.c_cflag & PARENB)
        before = (tio.c_cflag & PARODD) ? kOddParity : kEvenParity;
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    if (code == kOddParity || code == kEvenParity) {
        tio.c_cflag |= PARENB | (code == kOddParity ? PARODD : 0);
        tio.c_iflag |= INPCK;
    }
    (void)tcsetattr(m_fd, TCSANOW, &tio);
    std::this_thread::sleep_for(kParityPause);
    (void)tcflush(m_fd, TCIOFLUSH);
    return before;
}

} // namespace vlk
