#pragma once
// The byte channel to a Bluetooth adapter: a module on a serial port (COM mode) or the
// USB adapter through USBXpress. The Bluetooth link speaks its packet protocol on top.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorex::links::bt {

class BluetoothAdapter {
public:
    virtual ~BluetoothAdapter() = default;
    // Reads what is waiting, at most `room` bytes; 0 when nothing is.
    virtual size_t Read(uint8_t* into, size_t room) = 0;
    // Writes a whole packet; true when every byte went out.
    virtual bool Write(const uint8_t* bytes, size_t count) = 0;
    // Sleeps until bytes may be waiting or `ms` passed (so that waits do not spin).
    virtual void WaitReadable(int ms) = 0;
    // The clock the link's time-outs run on. A stand-in adapter may keep its own time
    // that passes in WaitReadable, so that a wait it provokes ends without sleeping.
    virtual std::chrono::steady_clock::time_point Now() const {
        return std::chrono::steady_clock::now();
    }
    // True for the COM-attached module.
    virtual bool ComMode() const = 0;
    // Sets the adapter's own line speed (USB adapter only); false when refused.
    virtual bool SetBaudRate(uint32_t /*rate*/) { return false; }
};

// The device a COM-mode name means, with the " BT" marks removed: "COMn" and
// "\\.\COMn" (as the serial link reads them) or a device path; empty for any other name.
std::string ComModuleDevice(const std::string& name);

// List names of the maker's USB adapters present: "<USBXpress serial number> BT" for
// each serial number that begins with "NVK-PN7716#".
std::vector<std::string> ListUsbAdapters();
// Opens the USB adapter whose serial number is the name without its " BT" marks
// (ignoring case): 921600 baud, 8N1, flow control, a 10 ms break. `found` tells whether
// such a device is present; null when it is not or a set-up call fails.
std::unique_ptr<BluetoothAdapter> OpenUsbAdapter(const std::string& name, bool& found);

// List names of the modules on serial ports named in $VOREX_BT_MODULES (device paths
// separated by commas; a serial port cannot tell whether a module sits on it): each
// path followed by " BT".
std::vector<std::string> ListComModules();

// Opens a module on a serial port: 9600 baud 8N1, raw, and a 50 ms break to wake it.
// Null when the device cannot be opened or configured.
std::unique_ptr<BluetoothAdapter> OpenComModule(const std::string& devicePath);

} // namespace vorex::links::bt
