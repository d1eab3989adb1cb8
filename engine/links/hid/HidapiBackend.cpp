// The system's HID devices through hidapi's hidraw backend. Report lengths come from
// the report descriptor that sysfs shows beside the hidraw node.
#include "engine/links/hid/HidBackend.h"
#include "engine/links/hid/ReportDescriptor.h"
#include "engine/links/hid/WideText.h"

#include <fstream>
#include <hidapi/hidapi.h>
#include <iterator>

namespace vorex::links {
namespace {

class HidapiDevice final : public HidDevice {
public:
    HidapiDevice(hid_device* device, std::string path) : device_(device), path_(std::move(path)) {}
    ~HidapiDevice() override { hid_close(device_); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    // hidapi leaves the report id 0 of unnumbered reports out; the link's layouts
    // count it, so it is put back in front.
    int Read(uint8_t* report, size_t capacity, int timeoutMs) override {
        if (capacity < 2)
            return 0;
        const int n = hid_read_timeout(device_, report + 1, capacity - 1, timeoutMs);
        if (n <= 0)
            return n < 0 ? -1 : 0;
        report[0] = 0;
        return n + 1;
    }
    bool Write(const uint8_t* report, size_t length) override {
        return hid_write(device_, report, length) == static_cast<int>(length);
    }
    bool ReportLengths(uint16_t& input, uint16_t& output) override {
        // /dev/hidrawN: /sys/class/hidraw/hidrawN/device/report_descriptor
        const std::string node = path_.substr(path_.rfind('/') + 1);
        std::ifstream in("/sys/class/hidraw/" + node + "/device/report_descriptor",
                         std::ios::binary);
        if (!in)
            return false;
        const std::vector<uint8_t> descriptor((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        vorex::links::ReportLengths lengths;
        if (!ParseReportLengths(descriptor.data(), descriptor.size(), lengths))
            return false;
        input = lengths.input;
        output = lengths.output;
        return true;
    }

private:
    hid_device* device_;
    std::string path_;
};

class HidapiBackend final : public HidBackend {
public:
    HidapiBackend() : ready_(hid_init() == 0) {}
    ~HidapiBackend() override {
        if (ready_)
            hid_exit();
    }
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    std::vector<HidDeviceInfo> Enumerate() override {
        std::vector<HidDeviceInfo> found;
        if (!ready_)
            return found;
        hid_device_info* all = hid_enumerate(0, 0);
        for (const hid_device_info* d = all; d; d = d->next)
            found.push_back({d->path ? d->path : "", d->vendor_id, d->product_id,
                             WideToUtf8(d->serial_number)});
        hid_free_enumeration(all);
        return found;
    }
    std::unique_ptr<HidDevice> Open(const std::string& path) override {
        hid_device* device = ready_ ? hid_open_path(path.c_str()) : nullptr;
        if (device == nullptr)
            return nullptr;
        return std::make_unique<HidapiDevice>(device, path);
    }

private:
    bool ready_;
};

} // namespace

std::shared_ptr<HidBackend> MakeSystemHidBackend() {
    return std::make_shared<HidapiBackend>();
}

} // namespace vorex::links
