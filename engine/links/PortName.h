#pragma once
// Interpretation of serial port names: OS device paths, COMn aliases and FTDI
// serial numbers.
#include <string>

namespace vorex::links {

struct ParsedPortName {
    bool ftdi = false;      // true: the name is an FTDI device serial number
    std::string devicePath; // OS device to open (empty in FTDI mode)
    std::string ftdiSerial; // serial number in FTDI mode
    int portNumber = 0;     // number of the port, for notifications
};

// An absolute path such as "/dev/..." (up to the first blank) is an OS device; "COMn" or "\\.\COMn"
// (n starts with 1-9, any case, text after the digits ignored) is /dev/ttyS<n-1>; anything else is
// an FTDI serial number.
ParsedPortName ParsePortName(const std::string& name);

} // namespace vorex::links
