#pragma once
// What the HID link needs of the system's HID devices: enumerate them with their USB
// ids and serial number, open one, read an input report with a timeout, write an
// output report. The system backend is hidapi's hidraw backend (HidapiBackend.h);
// tests plug in devices that are stand-in readers speaking through reports.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorex::links {

struct HidDeviceInfo {
    std::string path; // what Open() takes
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string serial; // UTF-8; empty when the device has none
};

class HidDevice {
public:
    virtual ~HidDevice() = default;
    // Reads one input report into `report`, byte 0 being the report id (0), waiting
    // up to timeoutMs: the bytes transferred, 0 when none arrived, -1 when the device
    // is gone.
    virtual int Read(uint8_t* report, size_t capacity, int timeoutMs) = 0;
    // Writes one output report (byte 0 the report id): true when it went out.
    virtual bool Write(const uint8_t* report, size_t length) = 0;
    // Input and output report lengths in bytes, report id included; false when the
    // device's capabilities cannot be read.
    virtual bool ReportLengths(uint16_t& input, uint16_t& output) = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    // The HID devices present, in enumeration order.
    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    // Opens a device of Enumerate(); null when that fails.
    virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;
};

// hidapi's hidraw backend.
std::shared_ptr<HidBackend> MakeSystemHidBackend();

} // namespace vorex::links
