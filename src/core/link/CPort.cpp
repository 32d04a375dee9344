#include "link/CPort.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
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

// Where the resolver's (negative) codes are moved so that they never meet an errno.
constexpr int kResolverError = -100000;

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
    case ECONNRESET:
    case ENOTCONN:
    case ESHUTDOWN:
        return Error::Gone;
    case ECONNREFUSED:
        return Error::Refused;
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
        return opening ? Error::Unreachable : Error::Gone;
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
    PortAddress address;
    {
        std::lock_guard lock(m_io);
        address = m_address;
    }
    std::lock_guard lock(m_errorMutex);
    if (address.Network()) {
        // A server is named by its address as the user typed it, with what the network said.
        std::string reason;
        switch (m_error) {
        case Error::None: return {};
        case Error::BadAddress: reason = "адрес не понят; нужен tcp://узел:порт или rfc2217://узел:порт"; break;
        case Error::NoName: reason = "имя «" + address.host + "» не найдено"; break;
        case Error::Refused: reason = "сервер отказал в соединении (не запущен или порт не тот)"; break;
        case Error::Unreachable: reason = "сервер не отвечает"; break;
        case Error::NoComPort: reason = "сервер не принял настройку линии (RFC 2217)"; break;
        case Error::Gone: reason = "сервер закрыл соединение"; break;
        case Error::InUse: reason = "сервер закрыл соединение: его порт занят другим клиентом"; break;
        default: reason = "нет соединения (" + m_errorText + ")"; break;
        }
        return address.text + ": " + reason;
    }
    if (m_failedPath.empty())
        return {};
    std::string reason;
    switch (m_error) {
    case Error::NotFound: reason = "нет такого устройства"; break;
    case Error::InUse: reason = "порт занят другой программой"; break;
    case Error::Permission: reason = "нет прав на доступ к порту"; break;
    case Error::NotSerial: reason = "это не последовательный порт"; break;
    case Error::Gone: reason = "устройство отключено"; break;
    default: reason = "ошибка " + std::to_string(m_failedErrno) + " (" + m_errorText + ")"; break;
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
    m_address = PortAddress::Parse(path);
    if (m_address.Network())
        return OpenNetwork(m_address, newMode);
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
    if (!m_address.Network())
        (void)ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_pending.clear();
    m_telnet.Reset();
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
    if (m_address.Network())
        return WriteNetwork(bytes, count);
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
    const bool network = m_address.Network();
    while (got < count) {
        if (network && !m_pending.empty()) {
            // The server's bytes count from when this read takes them, as a device's would
            // from its queue.
            const std::size_t take = std::min(count - got, m_pending.size());
            std::copy_n(m_pending.begin(), take, buffer + got);
            m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(take));
            got += take;
            deadline = std::min(total, Clock::now() + kInterByteTimeout);
            continue;
        }
        if (network) {
            // Linux drops back to delayed ACKs by itself (after a send above all): asked again
            // before every wait, so the server's next packet is acknowledged the moment it lands.
            const int quick = 1;
            (void)setsockopt(m_fd, IPPROTO_TCP, TCP_QUICKACK, &quick, sizeof quick);
        }
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
        if (network) {
            // Telnet commands alone are no byte of the controller's: they move no deadline.
            int error = 0;
            if (!ReceiveNetwork(error)) {
                SetError(Error::Gone, error ? error : EIO);
                end = ReadEnd::Gone;
                break;
            }
            continue;
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
        waiting = 0;
    return static_cast<std::size_t>(waiting) + m_pending.size();
}

std::uint8_t CPort::SetParity(std::uint8_t code)
{
    std::lock_guard lock(m_io);
    if (!m_open)
        return kNoParity;
    if (m_address.Network()) {
        // A raw server keeps the settings it was given; a Telnet one is told the new parity.
        const std::uint8_t before = m_mode.load() == ModeAx25 ? kOddParity : kNoParity;
        if (m_address.kind == PortAddress::Kind::Rfc2217) {
            // RFC 2217 numbers parity 1 none, 2 odd, 3 even.
            const std::uint8_t value = code == kOddParity ? 2 : code == kEvenParity ? 3 : 1;
            std::vector<std::uint8_t> out;
            TelnetCodec::AppendComPort(out, TelnetCodec::kSetParity, &value, 1);
            (void)SendAll(out.data(), out.size(), Clock::now() + TotalTimeout());
        }
        std::this_thread::sleep_for(kParityPause);
        int error = 0;
        (void)ReceiveNetwork(error);
        m_pending.clear();
        return before;
    }
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

bool CPort::IsNetworkName(const std::string& name)
{
    return PortAddress::IsNetwork(DevicePath(name));
}

int CPort::Connect(const PortAddress& address, Clock::time_point deadline, int& error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const int resolved = getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &list);
    if (resolved != 0) {
        // The resolver's codes are kept apart from errno: as kResolverError + code.
        error = resolved == EAI_SYSTEM ? errno : kResolverError + resolved;
        return -1;
    }
    error = ECONNREFUSED;
    int connected = -1;
    // Every address of the name in turn (localhost: ::1, then 127.0.0.1), all within one time-out.
    for (addrinfo* ai = list; ai != nullptr && connected < 0; ai = ai->ai_next) {
        const int fd = ::socket(ai->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            error = errno;
            continue;
        }
        if (::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) {
            connected = fd;
            break;
        }
        if (errno != EINPROGRESS) {
            error = errno;
            ::close(fd);
            continue;
        }
        m_fd = fd;
        const Wait wait = WaitReady(POLLOUT, deadline);
        m_fd = -1;
        if (wait == Wait::Timeout || wait == Wait::Woken) {
            error = wait == Wait::Timeout ? ETIMEDOUT : ECANCELED;
            ::close(fd);
            break;
        }
        int soError = 0;
        socklen_t size = sizeof soError;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &size) != 0)
            soError = errno;
        if (soError == 0) {
            connected = fd;
            break;
        }
        error = soError;
        ::close(fd);
    }
    freeaddrinfo(list);
    return connected;
}

bool CPort::OpenNetwork(const PortAddress& address, int newMode)
{
    const std::string& path = address.text;
    if (!address.valid) {
        SetError(Error::BadAddress, EINVAL, "not a server address:", path);
        return false;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(newMode == ModeModbus ? 1000 : 2000);
    // A server lets go of its device a moment after a client left; until then it takes the next
    // connection and closes it at once ("device in use"). Tried again within the open's time-out.
    for (;;) {
        std::string said;
        const Attempt attempt = AttemptNetwork(address, newMode, deadline, said);
        if (attempt != Attempt::Closed)
            return attempt == Attempt::Open;
        if (Clock::now() + kReconnectPause * 2 >= deadline || m_closing) {
            while (!said.empty() && (said.back() == '\n' || said.back() == '\r'))
                said.pop_back();
            SetError(Error::InUse, EBUSY, said.empty() ? "connection closed at once by" : (said + " at").c_str(), path);
            return false;
        }
        std::this_thread::sleep_for(kReconnectPause);
    }
}

CPort::Attempt CPort::AttemptNetwork(const PortAddress& address, int newMode, Clock::time_point deadline,
                                     std::string& said)
{
    const std::string& path = address.text;
    int error = 0;
    const int fd = Connect(address, deadline, error);
    if (fd < 0) {
        if (error <= kResolverError / 2) {
            const int code = error - kResolverError;
            const bool noName = code == EAI_NONAME || code == EAI_FAIL || code == EAI_AGAIN
#ifdef EAI_NODATA
                                || code == EAI_NODATA
#endif
                ;
            SetError(noName ? Error::NoName : Error::Other, EINVAL);
            std::lock_guard lock(m_errorMutex);
            m_errorText = gai_strerror(code);
            const std::string line = "vlk: cannot resolve " + path + ": " + m_errorText;
            if (line != m_reported) {
                m_reported = line;
                std::fprintf(stderr, "%s\n", line.c_str());
            }
        } else {
            SetError(ErrorFromErrno(error, true), error, "cannot connect to", path);
        }
        return Attempt::Failed;
    }
    const int one = 1;
    (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
    // A server that vanished without closing (its power, its cable) shows within seconds even
    // while the station only listens; the exchange's silent passes tell it sooner still.
    const int idle = 5, interval = 2, probes = 3;
    (void)setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);

    m_fd = fd;
    m_pending.clear();
    m_telnet.Reset();
    DrainWake(m_wakeFd);
    auto drop = [&] {
        said.assign(m_pending.begin(), m_pending.end());
        ::close(fd);
        m_fd = -1;
        m_pending.clear();
        m_telnet.Reset();
    };
    auto fail = [&](Error kind, int errnoValue, const char* what) {
        SetError(kind, errnoValue, what, path);
        drop();
        return Attempt::Failed;
    };
    auto closed = [&] {
        drop();
        return Attempt::Closed;
    };
    if (address.kind == PortAddress::Kind::Rfc2217) {
        // Options first; the line settings once the server has taken the COM-PORT option, and
        // the port is ready when it has answered the parity.
        const auto greeting = m_telnet.Greeting();
        if (!SendAll(greeting.data(), greeting.size(), deadline))
            return closed();
        bool settingsSent = false;
        while (!m_telnet.ParityAnswered()) {
            if (m_telnet.ComPortRefused())
                return fail(Error::NoComPort, EPROTONOSUPPORT, "no COM-PORT option at");
            if (m_telnet.ComPortAgreed() && !settingsSent) {
                const std::uint8_t parity = newMode == ModeAx25 ? 2 : 1;
                const std::uint8_t stopSize = newMode == ModeAx25 ? 1 : 2;
                const auto settings = TelnetCodec::LineSettings(parity, stopSize);
                if (!SendAll(settings.data(), settings.size(), deadline))
                    return closed();
                settingsSent = true;
            }
            const Wait wait = WaitReady(POLLIN, deadline);
            if (wait == Wait::Timeout)
                return fail(Error::NoComPort, ETIMEDOUT, "no COM-PORT answer from");
            if (wait == Wait::Woken)
                return fail(Error::Other, ECANCELED, "open cancelled:");
            int receiveError = 0;
            if (wait == Wait::Gone || !ReceiveNetwork(receiveError))
                return closed();
        }
    }
    // The configure pause; a raw server that is still busy with its last client says so and
    // closes within it.
    std::this_thread::sleep_for(kConfigurePause);
    int receiveError = 0;
    if (!ReceiveNetwork(receiveError))
        return closed();
    m_pending.clear();
    m_mode = newMode;
    m_rtsMode = RtsMode::None; // the server's side drives its own line
    m_open = 1;
    m_readEnd = ReadEnd::NotOpen;
    SetError(Error::None, 0);
    return Attempt::Open;
}

bool CPort::ReceiveNetwork(int& error)
{
    std::uint8_t raw[1024];
    for (;;) {
        const ssize_t n = ::recv(m_fd, raw, sizeof raw, MSG_DONTWAIT);
        if (n == 0) {
            error = ECONNRESET; // the server closed the connection
            return false;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return true;
            error = errno;
            return false;
        }
        // Acknowledge at once, every time (the kernel falls back to delayed ACKs by itself): a
        // server that sends with Nagle's algorithm holds the rest of a message until our ACK, and
        // a delayed one (40 ms) would open a gap in the middle of the controller's frame.
        const int quick = 1;
        (void)setsockopt(m_fd, IPPROTO_TCP, TCP_QUICKACK, &quick, sizeof quick);
        const auto size = static_cast<std::size_t>(n);
        if (m_address.kind == PortAddress::Kind::Rfc2217) {
            std::vector<std::uint8_t> reply;
            m_telnet.Receive(raw, size, m_pending, reply);
            if (!reply.empty())
                (void)SendAll(reply.data(), reply.size(), Clock::now() + TotalTimeout());
        } else {
            m_pending.insert(m_pending.end(), raw, raw + size);
        }
        if (size < sizeof raw)
            return true;
    }
}

bool CPort::SendAll(const std::uint8_t* bytes, std::size_t count, Clock::time_point deadline)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::send(m_fd, bytes + done, count - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const int error = errno;
            SetError(ErrorFromErrno(error, false), error);
            return false;
        }
        const Wait wait = WaitReady(POLLOUT, deadline);
        if (wait != Wait::Ready) {
            if (wait == Wait::Gone)
                SetError(Error::Gone, EPIPE);
            return false;
        }
    }
    return true;
}

bool CPort::WriteNetwork(const std::uint8_t* bytes, std::size_t count)
{
    // The purge: whatever the server has passed on and nobody read is thrown away, as a device
    // purges its receive queue. A server that has gone says so here.
    int error = 0;
    if (!ReceiveNetwork(error)) {
        SetError(Error::Gone, error ? error : EIO);
        m_pending.clear();
        return false;
    }
    // The rest of a reply that the network held up past the gap (the last read ended short, or
    // bytes were waiting) may still be on its way: it is waited out until the line has been quiet
    // a while, so that it cannot pass for the start of the next reply. A line in step pays nothing.
    bool settle = !m_pending.empty() || m_readEnd.load() == ReadEnd::Gap;
    const auto settleLimit = Clock::now() + kSettleLimit;
    while (settle) {
        m_pending.clear();
        const Wait wait = WaitReady(POLLIN, std::min(settleLimit, Clock::now() + kSettleQuiet));
        if (wait != Wait::Ready)
            break;
        if (!ReceiveNetwork(error)) {
            SetError(Error::Gone, error ? error : EIO);
            m_pending.clear();
            return false;
        }
        settle = Clock::now() < settleLimit;
    }
    m_pending.clear();
    std::this_thread::sleep_for(kWritePause);
    const auto deadline = Clock::now() + TotalTimeout();
    if (m_address.kind == PortAddress::Kind::Tcp)
        return SendAll(bytes, count, deadline);
    std::vector<std::uint8_t> escaped;
    TelnetCodec::Escape(bytes, count, escaped);
    return SendAll(escaped.data(), escaped.size(), deadline);
}

} // namespace vlk
