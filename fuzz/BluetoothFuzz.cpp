// Bytes from a Bluetooth adapter: the link cuts and handles whatever packets they hold,
// in reads of the sizes the first input byte chooses, and hands out reader data while
// connected. Nothing may be written or read
// outside its buffers (ASan), the reader data handed out stays within what the caller
// asked for, and the data kept never exceeds the data buffer.
#include "engine/links/bluetooth/BluetoothLink.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

using namespace vorex::links::bt;

namespace {

class FuzzAdapter final : public BluetoothAdapter {
public:
    FuzzAdapter(const uint8_t* data, size_t size, size_t piece)
        : data_(data), size_(size), piece_(piece) {}
    size_t Read(uint8_t* into, size_t room) override {
        if (!replies_.empty()) {
            const size_t n = std::min(room, replies_.size());
            std::copy_n(replies_.begin(), n, into);
            replies_.erase(replies_.begin(), replies_.begin() + static_cast<long>(n));
            return n;
        }
        const size_t n = std::min({room, size_ - at_, piece_});
        std::copy_n(data_ + at_, n, into);
        at_ += n;
        return n;
    }
    // The closing disconnect is answered, so that the close does not wait it out.
    bool Write(const uint8_t* bytes, size_t count) override {
        if (count > 2 && bytes[2] == 0x0D) {
            const auto done = BuildPacket(kIndication, 0x51, nullptr, 0);
            replies_.insert(replies_.end(), done.begin(), done.end());
        }
        return true;
    }
    // The link's waits run on this adapter's own time, which passes only while the link
    // waits: a packet left half-received by the input is given up and the closing
    // disconnect waits out its time-out as in use, without sleeping per input.
    void WaitReadable(int ms) override { now_ += std::chrono::milliseconds(ms); }
    std::chrono::steady_clock::time_point Now() const override { return now_; }
    bool ComMode() const override { return true; }
    bool Done() const { return at_ == size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t piece_;
    size_t at_ = 0;
    std::vector<uint8_t> replies_;
    std::chrono::steady_clock::time_point now_{};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t piece = 1 + data[0] % 64;
    auto adapter = std::make_unique<FuzzAdapter>(data + 1, size - 1, piece);
    FuzzAdapter* source = adapter.get();
    CBluetoothLink link;
    link.Attach(std::move(adapter), "fuzz BT");
    uint8_t out[17];
    // Every read takes at least one byte or one packet, so this ends.
    for (size_t rounds = 0; rounds < 4 * size + 8; ++rounds) {
        const bool handled = link.PollBluetoothPacket();
        // Unconnected, a read would start a search of its own (an inquiry of 10 s).
        const size_t n = link.Connected() ? link.ReadBluetoothData(out, sizeof out) : 0;
        if (n > sizeof out)
            __builtin_trap();
        if (!handled && n == 0 && source->Done())
            break;
    }
    return 0;
}
