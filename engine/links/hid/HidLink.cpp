#include "engine/links/hid/HidLink.h"

#include "engine/links/hid/HidReports.h"

#include <algorithm>

namespace vl = vorex::links;

namespace {

// Longest wait of one poll for an input report.
constexpr int kReadWaitMs = 1;
// Reports taken in one poll at most, so that a device that never stops sending cannot
// hold the receive wait.
constexpr int kReportsPerPoll = 64;

struct ReaderId {
    uint16_t vendor;
    uint16_t product;
};
constexpr ReaderId kReaders[] = {
    {0x16C0, 0x3A71}, {0x2E5B, 0x0C33}, {0x2E5B, 0x0C35}, {0x2E5B, 0x0C36}, {0x2E5B, 0x0C37},
};

} // namespace

bool CHidLink::IsReader(const vl::HidDeviceInfo& info) {
    return std::any_of(std::begin(kReaders), std::end(kReaders), [&](const ReaderId& id) {
        return id.vendor == info.vendorId && id.product == info.productId;
    });
}

std::string CHidLink::ListName(const vl::HidDeviceInfo& info) {
    return (info.serial.empty() ? std::string("4019-????") : info.serial) + " HID";
}

void CHidLink::ListHidDevices(std::vector<std::string>& list) {
    if (!backend_)
        return;
    for (const auto& info : backend_->Enumerate()) {
        if (!IsReader(info))
            continue;
        const std::string name = ListName(info);
        if (std::find(list.begin(), list.end(), name) == list.end())
            list.push_back(name);
    }
}

bool CHidLink::OpenHidDevice(const std::string& name) {
    CloseHidDevice();
    if (!backend_)
        return false;
    for (const auto& info : backend_->Enumerate()) {
        if (!IsReader(info) || ListName(info) != name)
            continue;
        device_ = backend_->Open(info.path);
        if (!device_)
            return false;
        break;
    }
    if (!device_)
        return false;
    name_ = name;
    // Lengths the buffers cannot hold, or without room for id and length byte, are
    // taken as unreadable capabilities.
    uint16_t input = 0, output = 0;
    const bool usable = device_->ReportLengths(input, output) && input >= vl::kMinReportLength &&
                        input <= vl::kMaxInputReportLength && output >= vl::kMinReportLength &&
                        output <= vl::kMaxOutputReportLength;
    inputLength_ = usable ? input : vl::kDefaultReportLength;
    outputLength_ = usable ? output : vl::kDefaultReportLength;
    return true;
}

size_t CHidLink::ReadHidReport(uint8_t* buffer, size_t capacity) {
    if (!device_)
        return 0;
    uint8_t report[vl::kMaxInputReportLength];
    const int transferred = device_->Read(report, inputLength_, kReadWaitMs);
    if (transferred < 0) {
        CloseHidDevice(); // the device is gone
        return 0;
    }
    return vl::TakeInputReport(report, static_cast<size_t>(transferred), inputLength_, buffer,
                               capacity);
}

bool CHidLink::WriteReport(const std::vector<uint8_t>& report) {
    return device_ && device_->Write(report.data(), report.size());
}

bool CHidLink::WriteHidData(const uint8_t* bytes, size_t count) {
    if (!device_)
        return false;
    const size_t chunk = static_cast<size_t>(outputLength_) - 2;
    for (size_t done = 0; done < count; done += chunk)
        if (!WriteReport(
                vl::DataReport(bytes + done, std::min(chunk, count - done), outputLength_)))
            return false;
    return true;
}

bool CHidLink::SendHidControl(uint8_t argument) {
    return WriteReport(vl::ControlReport(argument, outputLength_));
}

void CHidLink::CloseHidDevice() {
    device_.reset();
    name_.clear();
}

namespace vorex::links {
namespace {

// The HID link at the seam: polled by the receive wait.
class HidReaderLink final : public ReaderLink {
public:
    HidReaderLink(std::shared_ptr<HidBackend> backend, ReceiveSink& sink)
        : hid_(std::move(backend)), sink_(sink) {}

    CHidLink& Hid() { return hid_; }

    bool Send(const uint8_t* bytes, size_t count) override {
        return hid_.WriteHidData(bytes, count);
    }
    bool IsPolled() const override { return true; }
    void Poll() override {
        uint8_t data[kMaxInputReportLength];
        for (int i = 0; i < kReportsPerPoll; ++i) {
            const size_t n = hid_.ReadHidReport(data, sizeof data);
            if (n == 0)
                break;
            sink_.OnLinkBytes(data, n);
        }
    }
    void DiscardInput() override {
        uint8_t data[kMaxInputReportLength];
        for (int i = 0; i < kReportsPerPoll && hid_.ReadHidReport(data, sizeof data) > 0; ++i) {
        }
    }
    bool IsOpen() const override { return hid_.IsOpen(); }
    // A device that is gone cannot come back under this connection.
    bool DropWhenLost() const override { return true; }
    bool IsUsb() const override { return true; }
    void Close() override {
        if (hid_.IsOpen())
            hid_.SendHidControl(1);
        hid_.CloseHidDevice();
    }

private:
    CHidLink hid_;
    ReceiveSink& sink_;
};

} // namespace

std::unique_ptr<ReaderLink> OpenHidLink(const LinkRequest& request, ReceiveSink& sink,
                                        int& openResult) {
    auto link = std::make_unique<HidReaderLink>(request.hid, sink);
    if (!link->Hid().OpenHidDevice(request.name)) {
        openResult = -1;
        return nullptr;
    }
    if (!link->Hid().SendHidControl(0)) {
        link->Hid().CloseHidDevice();
        openResult = -13;
        return nullptr;
    }
    return link;
}

} // namespace vorex::links
