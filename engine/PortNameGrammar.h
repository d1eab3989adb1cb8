#pragma once
// How VOREX_OpenPort reads a port name: bus address suffix, link selection, and
// whether the baud code is kept.
#include <cstdint>
#include <string>

namespace vorex {

enum class LinkKind { Serial, Lan, Hid, Bluetooth, BluetoothRefused };

// Which link a port name selects: "[" or three dots (the first not at the start) is
// LAN, "HID" is HID, "BT" is Bluetooth ("BTW" is refused), anything else serial.
// Device paths (/dev/...) are always serial.
LinkKind SelectLink(const std::string& name);

// Splits "COM3:5" into "COM3" and bus address 5. A name whose first colon is its last
// character stays whole, with bus address 1.
std::string SplitBusAddress(const std::string& name, uint32_t& address);

// Serial names (COMn, \\.\COMn, /dev/...) keep their baud code; the rest open at 19200.
bool KeepsBaudCode(const std::string& name);

} // namespace vorex
