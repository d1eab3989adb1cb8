#pragma once
// CHidLink: a reader attached as a USB HID device, exchanging the reader protocol in
// input and output reports. No thread of its own: the receive wait polls it.
#include "engine/links/ReaderLink.h"
#include "engine/links/hid/HidBackend.h"

#include <memory>
#include <string>
#include <vector>

class CHidLink {
public:
    explicit CHidLink(std::shared_ptr<vorex::links::HidBackend> backend)
        : backend_(std::move(backend)) {}
    ~CHidLink() { CloseHidDevice(); }
    CHidLink(const CHidLink&) = delete;
    CHidLink& operator=(const CHidLink&) = delete;

    // Appends the list name of every attached reader that the list does not hold yet.
    void ListHidDevices(std::vector<std::string>& list);
    // Opens the first attached reader whose list name is `name`.
    bool OpenHidDevice(const std::string& name);
    // List name of the open device; empty when none is open.
    const std::string& GetHidName() const { return name_; }
    // Data bytes of one input report (waiting up to 1 ms for it), at most capacity; 0
    // when nothing arrived. A read error closes the device.
    size_t ReadHidReport(uint8_t* buffer, size_t capacity);
    // Sends the bytes in data reports of output length - 2 bytes each.
    bool WriteHidData(const uint8_t* bytes, size_t count);
    // Sends the control report: argument 0 after opening, 1 before closing.
    bool SendHidControl(uint8_t argument);
    void CloseHidDevice();

    bool IsOpen() const { return device_ != nullptr; }
    uint16_t InputReportLength() const { return inputLength_; }
    uint16_t OutputReportLength() const { return outputLength_; }

    // "<serial> HID", or "4019-???? HID" for a device without serial number.
    static std::string ListName(const vorex::links::HidDeviceInfo& info);
    // True for the USB ids of the maker's HID readers.
    static bool IsReader(const vorex::links::HidDeviceInfo& info);

private:
    bool WriteReport(const std::vector<uint8_t>& report);

    std::shared_ptr<vorex::links::HidBackend> backend_;
    std::unique_ptr<vorex::links::HidDevice> device_;
    std::string name_;
    uint16_t inputLength_ = 9;
    uint16_t outputLength_ = 9;
};

namespace vorex::links {

// The link table's open function of the HID kind: opens the reader of the list name
// through request.hid and prepares it (control report 0). Null with openResult -1 when
// it cannot be opened, -13 when the preparation fails.
std::unique_ptr<ReaderLink> OpenHidLink(const LinkRequest& request, ReceiveSink& sink,
                                        int& openResult);

} // namespace vorex::links
