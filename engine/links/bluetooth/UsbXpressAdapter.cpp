// The maker's USB Bluetooth adapter, a USBXpress device driven through the USBXpress
// binding.
#include "engine/links/bluetooth/BluetoothAdapter.h"

#include "engine/links/usbxpress/SiUSBXpPort.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

namespace vorex::links::bt {
namespace {

using vorex::usbxpress::SI_MAX_DEVICE_STRLEN;
using vorex::usbxpress::SI_RETURN_SERIAL_NUMBER;
using vorex::usbxpress::SI_SUCCESS;

constexpr char kAdapterPrefix[] = "NVK-PN7716#";
constexpr uint32_t kAdapterBaud = 921600;
constexpr uint16_t kLineControl = 0x0800; // 8 data bits, no parity, one stop bit
constexpr int kXpressBreakMs = 10;

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Serial numbers of the USBXpress devices present, by index.
std::vector<std::string> SerialNumbers(CSiUSBXpPort& si) {
    std::vector<std::string> serials;
    CSiUSBXpPort::DWORD count = 0;
    if (si.SI_GetNumDevices(&count) != SI_SUCCESS)
        return serials;
    for (CSiUSBXpPort::DWORD i = 0; i < count; ++i) {
        char text[SI_MAX_DEVICE_STRLEN] = {};
        serials.push_back(si.SI_GetProductString(i, text, SI_RETURN_SERIAL_NUMBER) == SI_SUCCESS
                              ? std::string(text, strnlen(text, sizeof text))
                              : std::string{});
    }
    return serials;
}

class UsbXpressAdapter final : public BluetoothAdapter {
public:
    UsbXpressAdapter(std::unique_ptr<CSiUSBXpPort> si, CSiUSBXpPort::HANDLE handle)
        : si_(std::move(si)), handle_(handle) {}
    ~UsbXpressAdapter() override { si_->SI_Close(handle_); }
    UsbXpressAdapter(const UsbXpressAdapter&) = delete;
    UsbXpressAdapter& operator=(const UsbXpressAdapter&) = delete;

    size_t Read(uint8_t* into, size_t room) override {
        CSiUSBXpPort::DWORD queued = 0, status = 0;
        if (room == 0 || si_->SI_CheckRXQueue(handle_, &queued, &status) != SI_SUCCESS ||
            queued == 0)
            return 0;
        CSiUSBXpPort::DWORD read = 0;
        const auto want = static_cast<CSiUSBXpPort::DWORD>(std::min<size_t>(queued, room));
        if (si_->SI_Read(handle_, into, want, &read) != SI_SUCCESS)
            return 0;
        return std::min<size_t>(read, want);
    }

    // The adapter's received bytes not yet read are discarded before each packet.
    bool Write(const uint8_t* bytes, size_t count) override {
        si_->SI_FlushBuffers(handle_, 0, 1);
        CSiUSBXpPort::DWORD written = 0;
        return si_->SI_Write(handle_, bytes, static_cast<CSiUSBXpPort::DWORD>(count), &written) ==
                   SI_SUCCESS &&
               written == count;
    }

    // The library offers nothing to wait on: a short sleep instead of spinning.
    void WaitReadable(int ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 2)));
    }
    bool ComMode() const override { return false; }
    bool SetBaudRate(uint32_t rate) override {
        return si_->SI_SetBaudRate(handle_, rate) == SI_SUCCESS;
    }
    CSiUSBXpPort* Binding() { return si_.get(); }

private:
    std::unique_ptr<CSiUSBXpPort> si_;
    CSiUSBXpPort::HANDLE handle_;
};

} // namespace

std::vector<std::string> ListUsbAdapters() {
    CSiUSBXpPort si;
    std::vector<std::string> names;
    for (const std::string& serial : SerialNumbers(si))
        if (serial.rfind(kAdapterPrefix, 0) == 0)
            names.push_back(serial + " BT");
    return names;
}

std::unique_ptr<BluetoothAdapter> OpenUsbAdapter(const std::string& name, bool& found) {
    std::string serial = name;
    for (size_t at; (at = serial.find(" BT")) != std::string::npos;)
        serial.erase(at, 3);
    auto si = std::make_unique<CSiUSBXpPort>();
    const auto serials = SerialNumbers(*si);
    const auto it = std::find_if(serials.begin(), serials.end(), [&](const std::string& s) {
        return !s.empty() && Upper(s) == Upper(serial);
    });
    found = it != serials.end();
    if (!found)
        return nullptr;
    const auto index = static_cast<CSiUSBXpPort::DWORD>(it - serials.begin());
    CSiUSBXpPort::HANDLE handle = nullptr;
    if (si->SI_SetTimeouts(1000, 1000) != SI_SUCCESS || si->SI_Open(index, &handle) != SI_SUCCESS)
        return nullptr;
    auto adapter = std::make_unique<UsbXpressAdapter>(std::move(si), handle);
    CSiUSBXpPort& s = *adapter->Binding();
    const bool ready = s.SI_SetBaudRate(handle, kAdapterBaud) == SI_SUCCESS &&
                       s.SI_SetLineControl(handle, kLineControl) == SI_SUCCESS &&
                       s.SI_SetFlowControl(handle, 1, 2, 0, 0, 0, 0) == SI_SUCCESS &&
                       s.SI_FlushBuffers(handle, 1, 1) == SI_SUCCESS &&
                       s.SI_SetFlowControl(handle, 1, 2, 1, 0, 0, 0) == SI_SUCCESS &&
                       s.SI_SetBreak(handle, 1) == SI_SUCCESS;
    if (!ready)
        return nullptr; // closes the adapter
    std::this_thread::sleep_for(std::chrono::milliseconds(kXpressBreakMs));
    if (s.SI_SetBreak(handle, 0) != SI_SUCCESS)
        return nullptr;
    return adapter;
}

} // namespace vorex::links::bt
