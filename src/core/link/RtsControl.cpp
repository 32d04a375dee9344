#include "link/RtsControl.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace vlk {

RtsMode SystemRtsControl::Setup(int fd)
{
    serial_rs485 rs485{};
    if (ioctl(fd, TIOCGRS485, &rs485) == 0) {
        rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        rs485.flags &= ~static_cast<__u32>(SER_RS485_RTS_AFTER_SEND);
        if (ioctl(fd, TIOCSRS485, &rs485) == 0)
            return RtsMode::Driver;
    }
    int bits = TIOCM_RTS;
    if (ioctl(fd, TIOCMBIC, &bits) == 0)
        return RtsMode::Manual;
    // Every pty lands here; say so once per process, not on every open.
    static std::atomic<bool> noted{false};
    if (!noted.exchange(true))
        std::fprintf(stderr, "vlk: serial line has no RTS control (%s); going on without it\n",
                     std::strerror(errno));
    return RtsMode::None;
}

void SystemRtsControl::Set(int fd, bool raised)
{
    int bits = TIOCM_RTS;
    (void)ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &bits);
}

SystemRtsControl& SystemRtsControl::Instance()
{
    static SystemRtsControl instance;
    return instance;
}

} // namespace vlk
