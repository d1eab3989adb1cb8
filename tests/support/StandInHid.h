#pragma once
// HID devices for the tests (the machines have no hidraw or uhid): each device is a
// stand-in reader model speaking through reports of the reader's layouts, or a device
// that only delivers reports the test queues.
#include "engine/links/hid/HidBackend.h"
#include "sim/ReaderModel.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vtest {

struct HidReaderSpec {
    uint16_t vendorId = 0x2E5B;
    uint16_t productId = 0x0C33;
    std::string serial; // empty: the device has none
    uint16_t input = 9; // report lengths, report id included
    uint16_t output = 9;
    bool capabilities = true;   // false: the lengths cannot be read
    bool refuseControl = false; // control reports fail to go out
};

class StandInHid final : public vorex::links::HidBackend {
public:
    StandInHid();
    ~StandInHid() override;
    // Adds a device answering with `model` (null: it never answers on its own);
    // returns its index.
    size_t Add(const HidReaderSpec& spec, vsim::ReaderModel* model);
    // Unplugs the device: it leaves the enumeration and its open handles fail.
    void Remove(size_t index);
    // A report the device delivers next, as transferred.
    void QueueReport(size_t index, std::vector<uint8_t> report);
    // The output reports the device received, in order.
    std::vector<std::vector<uint8_t>> Written(size_t index);
    // How often the device was opened.
    int Opens(size_t index);

    std::vector<vorex::links::HidDeviceInfo> Enumerate() override;
    std::unique_ptr<vorex::links::HidDevice> Open(const std::string& path) override;

    struct State;

private:
    std::mutex lock_;
    std::vector<std::shared_ptr<State>> devices_;
};

} // namespace vtest
