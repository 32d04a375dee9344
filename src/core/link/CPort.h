#pragma once

#include "link/RtsControl.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace vlk {

// One serial port opened by name in one of two fixed line settings, with blocking,
// time-limited reads and writes. "COM1:" and "COM2:" map through VLK_COM1 / VLK_COM2
// (defaults /dev/ttyS0, /dev/ttyS1); any other name is a device path.
//
// One thread uses a port at a time, except that Close may come from a second thread while
// Read or Write blocks: the blocked call returns at once, and the descriptor is closed only
// after it has returned, so its number is never reused under a reader.
class CPort {
public:
    enum Mode { ModeNone = 0, ModeAx25 = 1, ModeModbus = 2 };

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
    // time-out; the number of bytes received.
    [[nodiscard]] std::size_t Read(std::uint8_t* buffer, std::size_t count);
    // Returns the parity code in force before the call.
    std::uint8_t SetParity(std::uint8_t code);

    [[nodiscard]] bool IsOpen() const { return m_open.load(); }
    [[nodiscard]] std::string Name() const;
    [[nodiscard]] int CurrentMode() const { return m_mode.load(); }
    [[nodiscard]] RtsMode Rts() const { return m_rtsMode; }
    [[nodiscard]] std::chrono::milliseconds TotalTimeout() const;

    // The device a port name stands for.
    [[nodiscard]] static std::string DevicePath(const std::string& name);

private:
    void CloseLocked();
    // Waits for fd to become ready for `events`, or the eventfd, until deadline; true when fd is.
    bool WaitReady(short events, std::chrono::steady_clock::time_point deadline);

    std::atomic<int> m_open{0};
    int m_fd = -1;
    char m_name[128] = {};
    std::atomic<int> m_mode{ModeNone};
    RtsControl& m_rts;
    RtsMode m_rtsMode = RtsMode::None;

    int m_wakeFd = -1;                 // eventfd that wakes a blocked Read or Write
    std::atomic<bool> m_closing{false};
    mutable std::mutex m_io;           // held for every use of m_fd
};

} // namespace vlk
