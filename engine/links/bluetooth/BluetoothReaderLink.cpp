#include "engine/links/bluetooth/BluetoothReaderLink.h"

#include "engine/links/bluetooth/BluetoothLink.h"

namespace vorex::links {
namespace {

// Bluetooth connections are taken for this device type instead of identifying them.
constexpr uint32_t kBluetoothDeviceType = 0x125;
// Packets handled by one poll at most, so that a flood cannot hold the wait.
constexpr int kPacketsPerPoll = 32;

class BluetoothReaderLink final : public ReaderLink {
public:
    explicit BluetoothReaderLink(ReceiveSink& sink) : sink_(sink) {}

    bool Open(const std::string& name) { return link_.OpenBluetoothAdapter(name); }

    bool Send(const uint8_t* bytes, size_t count) override {
        return link_.WriteBluetoothData(bytes, count);
    }
    bool IsPolled() const override { return true; }
    void Poll() override { Drain(true); }
    void DiscardInput() override { Drain(false); }
    bool IsOpen() const override { return link_.IsOpen(); }
    bool DropWhenLost() const override { return true; }
    uint32_t PresetDeviceType() const override { return kBluetoothDeviceType; }
    bt::CBluetoothLink* Bluetooth() override { return &link_; }
    // The line to the reader is the adapter's: the adapter takes the rate and the
    // reader is not told. An adapter that cannot change its speed (the module on a
    // serial port) refuses it rather than reporting a change it did not make.
    LineChange ChangeLine(int baud, int format) override {
        (void)format;
        if (link_.Connected() && baud > 0 && link_.SetAdapterBaudRate(static_cast<uint32_t>(baud)))
            return LineChange::Applied;
        return LineChange::Unsupported;
    }
    void Close() override { link_.CloseBluetoothAdapter(); }

private:
    void Drain(bool deliver) {
        uint8_t buffer[bt::CBluetoothLink::kDataCapacity];
        for (int i = 0; i < kPacketsPerPoll; ++i) {
            const size_t n = link_.ReadBluetoothData(buffer, sizeof buffer);
            if (n > 0 && deliver)
                sink_.OnLinkBytes(buffer, n);
            if (n == 0)
                break;
        }
    }

    ReceiveSink& sink_;
    bt::CBluetoothLink link_;
};

} // namespace

std::unique_ptr<ReaderLink> OpenBluetoothLink(const LinkRequest& request, ReceiveSink& sink,
                                              int& openResult) {
    auto link = std::make_unique<BluetoothReaderLink>(sink);
    if (!link->Open(request.name)) {
        openResult = -1;
        return nullptr;
    }
    return link;
}

} // namespace vorex::links
