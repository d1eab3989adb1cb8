#include "engine/links/serial/LineSettings.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace vorex::links {
namespace {

void RawFlags(struct termios2& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

} // namespace

bool MakeRaw(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    RawFlags(t);
    return ioctl(fd, TCSETS2, &t) == 0;
}

bool ApplyLineSettings(int fd, const LineSettings& s, bool* parityRefused) {
    if (parityRefused)
        *parityRefused = false;
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    RawFlags(t);
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    t.c_cflag |= BOTHER;
    t.c_ispeed = s.baud;
    t.c_ospeed = s.baud;
    switch (s.dataBits) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    default:
        t.c_cflag |= CS8;
        break;
    }
    if (s.stopBits == 2)
        t.c_cflag |= CSTOPB;
    if (s.handshake == 1 || s.handshake == 3)
        t.c_cflag |= CRTSCTS;
    if (s.handshake == 2) {
        t.c_iflag |= IXON | IXOFF;
        t.c_cc[VSTART] = 0x11;
        t.c_cc[VSTOP] = 0x13;
    }
    const bool parity = s.parity == 'E' || s.parity == 'O';
    if (parity) {
        t.c_cflag |= PARENB;
        if (s.parity == 'O')
            t.c_cflag |= PARODD;
    }
    if (ioctl(fd, TCSETS2, &t) == 0)
        return true;
    if (!parity)
        return false;
    // Pseudo-terminals carry no parity: apply everything else.
    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
    if (ioctl(fd, TCSETS2, &t) != 0)
        return false;
    if (parityRefused)
        *parityRefused = true;
    return true;
}

uint32_t ReadLineSpeed(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return 0;
    return t.c_ospeed;
}

} // namespace vorex::links
