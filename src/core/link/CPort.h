#pragma once

#include "link/PortAddress.h"
#include "link/RtsControl.h"
#include "link/TelnetCodec.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vlk {

// One serial port opened by name in one of two fixed line settings, with blocking,
// time-limited reads and writes. "COM1:" and "COM2:" map through VLK_COM1 / VLK_COM2
// (defaults /dev/ttyS0, /dev/ttyS1); any other name is a device path or the address of a serial
// server on the network (tcp://HOST:PORT raw, rfc2217://HOST:PORT Telnet with the COM-PORT
// option; see PortAddress). Over the network the same read rules hold, counted on the bytes as
// they arrive here: the procedures above see one kind of line.
//
// One thread uses a port at a time, except that Close may come from a second thread while
// Read or Write blocks: the blocked call returns at once, and the descriptor is closed only
// after it has returned, so its number is never reused under a reader.
class CPort {
public:
    enum Mode { ModeNone = 0, ModeAx25 = 1, ModeModbus = 2 };

    // Why the last Read ended.
    enum class ReadEnd {
        Count,    // every byte wanted arrived
        Gap,      // 20 ms passed after a byte with no further byte
        Timeout,  // the mode's total time-out passed
        Woken,    // Close from another thread
        Gone,     // the device went away (adapter pulled, far end of a pty closed)
        NotOpen,  // the port was not open
    };
    // What went wrong last, the way Qt's serial port sorts errno.
    enum class Error {
        None,
        NotFound,    // ENOENT, ENODEV, ENXIO at open
        InUse,       // EBUSY, or the lock held by another program
        Permission,  // EACCES, EPERM
        Gone,        // EIO, hang-up: the device went away while open
        NotSerial,   // not a terminal, or the line settings were not taken
        BadAddress,  // a network address without a usable host or port
        NoName,      // the server's name does not resolve
        Refused,     // the server refused the connection
        Unreachable, // no answer to the connection within the time-out, no route
        NoComPort,   // a Telnet server that would not set the line (COM-PORT option)
        Other,
    };

    static constexpr std::chrono::milliseconds kInterByteTimeout{20};
    static constexpr std::chrono::milliseconds kConfigurePause{100};
    static constexpr std::chrono::milliseconds kWritePause{1};
    static constexpr std::chrono::milliseconds kParityPause{5};

    // Parity codes in the platform's numbering.
    static constexpr std::uint8_t kNoParity = 0;
    static constexpr std::uint8_t kOddParity = 1;
    static constexpr std::uint8_t kEvenParity = 2;

    CPort();
    explicit CPort(RtsControl& rts);
    virtual ~CPort();
    CPort(const CPort&) = delete;
    CPort& operator=(const CPort&) = delete;

    // Opens and configures the device; a failed Open leaves the port closed. Mode names are
    // compared exactly: "AX25" or "MODBUS".
    [[nodiscard]] bool Open(const std::string& name, const std::string& mode);
    // Always true. Safe from a second thread while Read or Write blocks.
    bool Close();
    // Purges both directions, waits 1 ms, writes everything.
    [[nodiscard]] bool Write(const std::uint8_t* bytes, std::size_t count);
    // Returns at count bytes, 20 ms after a byte with no further byte, or at the mode's total
    // time-out; the number of bytes received. A device that went away ends it at once:
    // LastReadEnd() tells why it ended.
    [[nodiscard]] std::size_t Read(std::uint8_t* buffer, std::size_t count);
    // Returns the parity code in force before the call.
    std::uint8_t SetParity(std::uint8_t code);

    [[nodiscard]] bool IsOpen() const { return m_open.load(); }
    [[nodiscard]] std::string Name() const;
    [[nodiscard]] int CurrentMode() const { return m_mode.load(); }
    [[nodiscard]] RtsMode Rts() const { return m_rtsMode; }
    [[nodiscard]] std::chrono::milliseconds TotalTimeout() const;
    // Replaces the mode's total time-out of every later read and write (zero: the mode's own).
    // Tests shorten it to run many transfers with their faults in little time.
    void SetTotalTimeout(std::chrono::milliseconds timeout) { m_timeoutOverride = timeout; }
    // How many received bytes wait unread, without waiting for any; 0 when closed.
    [[nodiscard]] std::size_t Available() const;
    [[nodiscard]] ReadEnd LastReadEnd() const { return m_readEnd.load(); }
    // The last failure of Open, Read or Write; cleared by a successful Open.
    [[nodiscard]] Error LastError() const;
    // The system's text for it ("No such file or directory"); empty without an error.
    [[nodiscard]] std::string ErrorString() const;
    // Why the last Open failed, for the user, in Russian: "/dev/ttyS1: нет такого устройства", or
    // for a server "tcp://host:4001: сервер отказал в соединении (…)". Empty after a successful Open.
    [[nodiscard]] std::string OpenFailure() const;
    // "Порт не открыт", with OpenFailure on a second line when there is one.
    [[nodiscard]] std::string NotOpenText() const;
    // True when the port's name stands for a server on the network.
    [[nodiscard]] static bool IsNetworkName(const std::string& name);
    // True once a read or write found the device gone; the port stays open until closed.
    [[nodiscard]] bool DeviceGone() const { return LastError() == Error::Gone; }

    // How an errno of open(2), flock(2), read(2) or write(2) is sorted; `opening` tells the
    // open from the I/O on an open device.
    [[nodiscard]] static Error ErrorFromErrno(int error, bool opening);

    // The device a port name stands for.
    [[nodiscard]] static std::string DevicePath(const std::string& name);

private:
    enum class Wait { Ready, Timeout, Woken, Gone };

    void CloseLocked();
    enum class Attempt { Open, Closed, Failed };
    // A server that closes a new connection at once is asked again after this pause.
    static constexpr std::chrono::milliseconds kReconnectPause{100};
    // After a reply cut short, a network write waits for this much quiet (at most kSettleLimit)
    // for the reply's tail to pass.
    static constexpr std::chrono::milliseconds kSettleQuiet{100};
    static constexpr std::chrono::milliseconds kSettleLimit{400};
    // The network side of Open, with m_io held; the name and mode are already set.
    bool OpenNetwork(const PortAddress& address, int newMode);
    // One connection and its set-up; Closed when the server closed it at once (what it said
    // then in `said`), Failed with the error kept.
    Attempt AttemptNetwork(const PortAddress& address, int newMode, std::chrono::steady_clock::time_point deadline,
                           std::string& said);
    // Connects to one of the server's addresses before the deadline; the socket or -1 and errno.
    int Connect(const PortAddress& address, std::chrono::steady_clock::time_point deadline, int& error);
    // Takes what the socket holds without waiting: Telnet commands answered, the controller's
    // bytes added to m_pending. False when the server has gone (errno kept in `error`).
    bool ReceiveNetwork(int& error);
    // Sends everything before the deadline (raw, already escaped); false on failure.
    bool SendAll(const std::uint8_t* bytes, std::size_t count, std::chrono::steady_clock::time_point deadline);
    bool WriteNetwork(const std::uint8_t* bytes, std::size_t count);
    // Waits for fd to become ready for `events`, or the eventfd, until deadline.
    Wait WaitReady(short events, std::chrono::steady_clock::time_point deadline);
    // Keeps the error; an open failure also goes to stderr, once while it stays the same.
    void SetError(Error error, int errnoValue, const char* what = nullptr, const std::string& path = {});

    std::atomic<int> m_open{0};
    int m_fd = -1;
    char m_name[128] = {};
    std::atomic<int> m_mode{ModeNone};
    std::atomic<std::chrono::milliseconds> m_timeoutOverride{std::chrono::milliseconds(0)};
    RtsControl& m_rts;
    RtsMode m_rtsMode = RtsMode::None;

    int m_wakeFd = -1;                 // eventfd that wakes a blocked Read or Write
    std::atomic<bool> m_closing{false};
    mutable std::mutex m_io;           // held for every use of m_fd
    std::atomic<ReadEnd> m_readEnd{ReadEnd::NotOpen};

    PortAddress m_address;             // what the last Open reached, or tried to
    TelnetCodec m_telnet;              // the Telnet state of an rfc2217 connection
    std::vector<std::uint8_t> m_pending; // network: the controller's bytes received, not yet read

    mutable std::mutex m_errorMutex;   // guards the five below
    Error m_error = Error::None;
    std::string m_errorText;
    std::string m_reported;            // the open failure last written to stderr
    std::string m_failedPath;          // the device the last Open failed on
    int m_failedErrno = 0;
};

} // namespace vlk
