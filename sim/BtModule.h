#pragma once
// The stand-in Bluetooth module: the adapter a host drives with the module packet
// protocol (0x02, type, opcode, length, checksum, payload, 0x03). Devices in range
// answer an inquiry and name requests; a connected device's reader model receives the
// data packets and its answers come back as data indications. Served on a
// pseudo-terminal by PtyServer like a module on a serial port.
#include "sim/ReaderModel.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vsim {

using BtAddress = std::array<uint8_t, 6>;

struct BtDevice {
    BtAddress address{};
    std::string name;
    uint32_t deviceClass = 0x000500;
    int nameDelayMs = 0;     // the remote name comes this late
    int emptyNames = 0;      // name requests answered with an empty name first (-1 all)
    bool nameNever = false;  // name requests get no answer at all
    int connectFailures = 0; // connects refused first, with connectStatus
    uint8_t connectStatus = 4;
    int dropAfterData = -1; // the link drops at this data packet (counted from 1); -1 never
    std::shared_ptr<ReaderModel> reader;
};

// What the module received, for tests.
struct BtRequest {
    uint8_t opcode = 0;
    Bytes payload;
    Clock::time_point at;
};

class BtModule final : public WireDevice {
public:
    // Devices answer an inquiry one after the other, this far apart.
    static constexpr int kInquiryStepMs = 20;

    void AddDevice(BtDevice device);
    std::vector<Output> Feed(const uint8_t* bytes, size_t count, Clock::time_point now,
                             uint32_t hostBaud) override;

    // The disconnect fault: the connected device drops the link; the indication to send
    // (empty when no device is connected).
    Bytes DropConnection();
    bool Connected();
    std::vector<BtRequest> Requests();
    void ClearRequests();
    // The reader model of the device with that name, or null (for tests).
    ReaderModel* Reader(const std::string& name);
    // Connect failures still to come for the device with that name.
    void SetConnectFailures(const std::string& name, int count);

private:
    std::vector<Output> Handle(uint8_t opcode, const Bytes& payload, Clock::time_point now);
    std::vector<Output> Data(const Bytes& payload, Clock::time_point now);
    BtDevice* Find(const uint8_t* address);

    std::mutex mutex_;
    std::vector<BtDevice> devices_;
    Bytes pending_; // bytes of a packet not yet complete
    BtDevice* connected_ = nullptr;
    int dataPackets_ = 0;
    std::vector<BtRequest> requests_;
};

// Packets of the module protocol, as the module sends them.
Bytes BtPacket(uint8_t type, uint8_t opcode, const Bytes& payload);

} // namespace vsim
