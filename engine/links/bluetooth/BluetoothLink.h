#pragma once
// CBluetoothLink: a Bluetooth reader reached through an adapter that this link drives
// with the module packet protocol (BluetoothPacket.h). It searches for devices, asks
// their names, connects to one and then carries the reader protocol in data packets.
// It has no thread: the connection's receive wait polls it (ReadBluetoothData).
#include "engine/links/bluetooth/BluetoothAdapter.h"
#include "engine/links/bluetooth/BluetoothPacket.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorex::links::bt {

using Address = std::array<uint8_t, 6>;

class CBluetoothLink {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t kDataCapacity = 1000;
    static constexpr size_t kMaxDevices = 29;
    static constexpr size_t kNameCapacity = 32;
    // A search record: the address, then the name zero-padded to 32 bytes.
    static constexpr size_t kRecordSize = 6 + kNameCapacity;
    // Data bytes in one data packet.
    static constexpr size_t kMaxDataPerPacket = 326;
    // Reads and writes try an automatic connect at most this often.
    static constexpr auto kReconnectPause = std::chrono::milliseconds(500);

    CBluetoothLink() = default;
    ~CBluetoothLink();
    CBluetoothLink(const CBluetoothLink&) = delete;
    CBluetoothLink& operator=(const CBluetoothLink&) = delete;

    // Opens the adapter a port name selects: the USB adapter of that serial number
    // ("NVK-PN7716#0001 BT"), else a module on a serial port ("COM5 BT",
    // "/dev/ttyUSB0 BT"). False when there is none or it cannot be opened.
    bool OpenBluetoothAdapter(const std::string& name);
    // List names of the adapters present: "<serial number> BT" for the USB adapter,
    // "<device path> BT" for the modules on serial ports that are configured.
    static std::vector<std::string> ListBluetoothAdapters();
    // Takes an adapter that is already open (tests, other adapter kinds).
    void Attach(std::unique_ptr<BluetoothAdapter> adapter, const std::string& name);
    // Handles what the adapter still sent, disconnects a connected device (waiting at
    // most 7 s for the module) and closes the adapter.
    void CloseBluetoothAdapter();
    bool IsOpen() const { return adapter_ != nullptr; }
    bool Connected() const { return connected_; }
    const std::string& Name() const { return name_; }

    // Inquiry, then the name of each device found: records of kRecordSize bytes into
    // `buffer` as long as they fit. Bytes written, or -1 when the module did not answer
    // within the time-out. classFilter 0 accepts every device; otherwise the first
    // device of that class ends the inquiry and is the only one.
    int SearchBluetoothDevices(uint8_t* buffer, size_t size, uint32_t timeoutMs,
                               uint32_t classFilter);
    // 0 connected, -1 no answer within the time-out, else the module's failure status.
    int ConnectBluetoothDevice(const Address& address, uint8_t parameter, uint32_t timeoutMs);
    // Reader bytes received in data packets, at most `size`. Connects first when the
    // device is not connected (see AutoConnect); 0 when that fails.
    size_t ReadBluetoothData(uint8_t* buffer, size_t size);
    // Sends reader bytes in data packets (connecting first as above).
    bool WriteBluetoothData(const uint8_t* bytes, size_t count);
    // Reads from the adapter and handles one whole packet; true when one was handled.
    bool PollBluetoothPacket();
    // The USB adapter's line speed; false for a module on a serial port.
    bool SetAdapterBaudRate(uint32_t rate);

    // Data bytes dropped because the data buffer was full (the framing layer takes the
    // data at once, so this stays 0 in use).
    size_t DroppedDataBytes() const { return droppedData_; }
    const Address& StoredAddress() const { return storedAddress_; }

private:
    // The adapter's clock (the steady clock while no adapter is open).
    Clock::time_point Now() const;
    void ReadRaw();
    void Dispatch(const Packet& packet);
    void Complete(uint16_t code);
    bool Send(uint8_t opcode, const std::vector<uint8_t>& payload);
    // Sends a request and polls until the awaited code arrives or the deadline passes.
    bool Request(uint8_t opcode, const std::vector<uint8_t>& payload, uint16_t awaited,
                 uint32_t timeoutMs);
    bool AwaitReply(Clock::time_point deadline);
    // Connects to the stored address (searching for a reader first when there is
    // none) unless connected or the last failed attempt was kReconnectPause ago or
    // less. False when an attempt was made and failed.
    bool AutoConnect();
    void OnInquiryResult(const std::vector<uint8_t>& p);
    void SetName(const uint8_t* text, size_t length);

    std::string name_;
    std::unique_ptr<BluetoothAdapter> adapter_;
    uint16_t awaited_ = 0;
    PacketCutter raw_;
    Clock::time_point lastRawBytes_{};
    std::array<uint8_t, kDataCapacity> data_{};
    size_t dataCount_ = 0;
    size_t droppedData_ = 0;
    std::array<Address, kMaxDevices> devices_{};
    size_t deviceCount_ = 0;
    uint32_t classFilter_ = 0;
    bool inquiryCancelled_ = false;
    std::array<uint8_t, kNameCapacity> nameBuffer_{};
    int status_ = 0;
    bool connected_ = false;
    Address storedAddress_{};
    uint8_t connectParameter_ = 2;
    uint32_t connectTimeoutMs_ = 0;
    std::optional<Clock::time_point> lastAttempt_; // of the last failed connect
    bool reply_ = false;
};

} // namespace vorex::links::bt
