#pragma once
// How VOREX_OpenPort reads a port name: bus address suffix, link selection, and
// whether the baud code is kept.
#include <cstdint>
#include <string>

namespace vorex {

enum class LinkKind { Serial, Lan, Hid, Bluetooth, BluetoothRefused };

// A serial device given by its path: anything under /dev/, or an absolute path to an
// existing character device or to a link to one (udev or socat links elsewhere).
bool IsDevicePath(const std::string& name);

// Which link a port name selects: a name ending in " BT" is a Bluetooth adapter (also
// a device path followed by " BT": a Bluetooth module on that serial port); other
// device paths are serial; then "[" or three dots (the first not at the start) is LAN,
// "HID" is HID, "BT" is Bluetooth ("BTW" is refused), anything else serial.
LinkKind SelectLink(const std::string& name);

// Splits "COM3:5" into "COM3" and bus address 5: the text after the last colon is a
// bus address when it is a decimal number up to 255, and the name is not an existing
// path. Otherwise the name stays whole, with bus address 1 (so the colons of
// /dev/serial/by-path names and a trailing "COM3:" stay part of the name).
std::string SplitBusAddress(const std::string& name, uint32_t& address);

// Serial names (COMn, \\.\COMn, absolute device paths) keep their baud code; the
// rest open at 19200.
bool KeepsBaudCode(const std::string& name);

} // namespace vorex
