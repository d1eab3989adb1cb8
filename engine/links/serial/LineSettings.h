#pragma once
// Serial line configuration through the kernel's termios2 interface, so that any
// baud rate (also 1382400) can be set. Kept in its own unit because <asm/termbits.h>
// and <termios.h> cannot be included together.
#include <cstdint>

namespace vorex::links {

struct LineSettings {
    uint32_t baud = 19200;
    char parity = 'N'; // 'N', 'E' or 'O'
    int dataBits = 8;  // 5..8
    int stopBits = 1;  // 1 or 2
    int handshake = 0; // 0 none, 1 RTS/CTS, 2 XON/XOFF, 3 RTS/CTS without CTS output flow
};

// Puts the line into raw mode with the given format. Returns false when the device
// refused the settings. Pseudo-terminals refuse parity: the rest is still applied
// and parityRefused is set.
bool ApplyLineSettings(int fd, const LineSettings& s, bool* parityRefused = nullptr);

// Current output speed of the line in baud, 0 when it cannot be read.
uint32_t ReadLineSpeed(int fd);

// Puts a fresh line into raw mode without changing its speed.
bool MakeRaw(int fd);

} // namespace vorex::links
