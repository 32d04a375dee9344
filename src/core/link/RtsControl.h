#pragma once

namespace vlk {

// How RTS follows the transmitter: the driver's RS-485 mode toggles it by itself; otherwise
// the port raises it around each write; a pty (and many adapters) offer no control at all.
enum class RtsMode { Driver, Manual, None };

// The RTS line of an open descriptor; behind an interface so a test can record it.
class RtsControl {
public:
    virtual ~RtsControl() = default;
    // Called once after the line is configured.
    [[nodiscard]] virtual RtsMode Setup(int fd) = 0;
    // Manual mode only: raise before a write, lower once the last byte has left.
    virtual void Set(int fd, bool raised) = 0;
};

// The real line through ioctl: RS-485 mode when the driver has it, else TIOCMBIS/TIOCMBIC.
class SystemRtsControl final : public RtsControl {
public:
    [[nodiscard]] RtsMode Setup(int fd) override;
    void Set(int fd, bool raised) override;

    [[nodiscard]] static SystemRtsControl& Instance();
};

} // namespace vlk
