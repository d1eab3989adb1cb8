#include "engine/links/bluetooth/BluetoothLink.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace vorex::links::bt {
namespace {

// Requests to the module.
constexpr uint8_t kInquiry = 0x00;
constexpr uint8_t kRemoteName = 0x02;
constexpr uint8_t kConnect = 0x0A;
constexpr uint8_t kDisconnect = 0x0D;
constexpr uint8_t kData = 0x0F;
constexpr uint8_t kInquiryCancel = 0x26;

// Events from the module.
constexpr uint16_t kInquiryDone = EventCode(0x00, kConfirmation);
constexpr uint16_t kInquiryResult = EventCode(0x01, kIndication);
constexpr uint16_t kNameResult = EventCode(0x02, kConfirmation);
constexpr uint16_t kConnectConfirm = EventCode(0x0A, kConfirmation);
constexpr uint16_t kConnectIndication = EventCode(0x0B, kIndication);
constexpr uint16_t kDisconnectIndication = EventCode(0x0E, kIndication);
constexpr uint16_t kDataIndication = EventCode(0x10, kIndication);
constexpr uint16_t kCancelDone = EventCode(0x25, kIndication);
constexpr uint16_t kDisconnectDone = EventCode(0x51, kIndication);
constexpr uint16_t kLocalName = EventCode(0x03, kConfirmation);
constexpr uint16_t kFriendlyName = EventCode(0x16, kConfirmation);
constexpr uint16_t kLocalAddress = EventCode(0x05, kConfirmation);
// Confirmations that only end a wait for themselves.
constexpr uint16_t kOtherCompletions[] = {0x0443, 0x1743, 0x1F43, 0x2243, 0x2343, 0x2843,
                                          0x4943, 0x4A43, 0x4E43, 0x4F43, 0x5069};

// The search the automatic connect runs when no device is stored: readers only.
constexpr uint32_t kAutoSearchMs = 10000;
constexpr uint32_t kReaderClass = 0x000500;
// A connect without a stored time-out (none succeeded yet) waits this long.
constexpr uint32_t kDefaultConnectMs = 3000;
constexpr uint32_t kDisconnectWaitMs = 7000;
// After opening the USB adapter, an inquiry cancel is awaited this long.
constexpr uint32_t kUsbSettleMs = 200;
// Longest sleep of a wait between looks at the adapter.
constexpr int kPollSliceMs = 5;
// A started packet whose rest stays away this long is given up.
constexpr auto kStalePacket = std::chrono::milliseconds(500);
// Remote names are asked for this many times in all before a record is written empty.
constexpr int kNameTries = 6;

bool IsZero(const Address& a) {
    return std::all_of(a.begin(), a.end(), [](uint8_t b) { return b == 0; });
}

} // namespace

CBluetoothLink::~CBluetoothLink() {
    CloseBluetoothAdapter();
}

std::vector<std::string> CBluetoothLink::ListBluetoothAdapters() {
    std::vector<std::string> names = ListUsbAdapters();
    for (std::string& module : ListComModules())
        names.push_back(std::move(module));
    return names;
}

bool CBluetoothLink::OpenBluetoothAdapter(const std::string& name) {
    CloseBluetoothAdapter();
    bool found = false;
    if (auto usb = OpenUsbAdapter(name, found)) {
        Attach(std::move(usb), name);
        // Ends an inquiry the adapter may still run from an earlier use.
        Request(kInquiryCancel, {}, kCancelDone, kUsbSettleMs);
        return true;
    }
    if (found)
        return false; // the adapter is there but did not take its settings
    const std::string device = ComModuleDevice(name);
    if (device.empty())
        return false;
    auto adapter = OpenComModule(device);
    if (!adapter)
        return false;
    Attach(std::move(adapter), name);
    return true;
}

void CBluetoothLink::Attach(std::unique_ptr<BluetoothAdapter> adapter, const std::string& name) {
    adapter_ = std::move(adapter);
    name_ = name;
    raw_.Clear();
    dataCount_ = 0;
    connected_ = false;
}

void CBluetoothLink::CloseBluetoothAdapter() {
    if (!adapter_)
        return;
    while (PollBluetoothPacket()) {
    }
    if (connected_)
        Request(kDisconnect, {0x02}, kDisconnectDone, kDisconnectWaitMs);
    adapter_.reset();
    connected_ = false;
}

CBluetoothLink::Clock::time_point CBluetoothLink::Now() const {
    return adapter_ ? adapter_->Now() : Clock::now();
}

void CBluetoothLink::ReadRaw() {
    if (!adapter_)
        return;
    const size_t n = adapter_->Read(raw_.Tail(), raw_.Room());
    raw_.Commit(n);
    if (n > 0)
        lastRawBytes_ = Now();
}

bool CBluetoothLink::PollBluetoothPacket() {
    ReadRaw();
    Packet packet;
    if (!raw_.Next(packet)) {
        // The rest of a started packet may be on its way: read once more.
        ReadRaw();
        if (!raw_.Next(packet)) {
            if (raw_.Buffered() > 0 && Now() - lastRawBytes_ > kStalePacket)
                raw_.SkipStart();
            return false;
        }
    }
    Dispatch(packet);
    return true;
}

void CBluetoothLink::Complete(uint16_t code) {
    if (code == awaited_)
        reply_ = true;
}

void CBluetoothLink::SetName(const uint8_t* text, size_t length) {
    nameBuffer_.fill(0);
    std::memcpy(nameBuffer_.data(), text, std::min(length, nameBuffer_.size()));
}

void CBluetoothLink::OnInquiryResult(const std::vector<uint8_t>& p) {
    if (p.size() < (classFilter_ ? 9u : 6u) || deviceCount_ >= kMaxDevices || inquiryCancelled_)
        return;
    Address address;
    std::copy_n(p.begin(), 6, address.begin());
    if (classFilter_ == 0) {
        devices_[deviceCount_++] = address;
        return;
    }
    const uint32_t deviceClass = p[6] | p[7] << 8 | p[8] << 16;
    if (deviceClass != classFilter_)
        return;
    devices_[deviceCount_++] = address;
    // The first reader found ends the search: results still on their way are not taken.
    inquiryCancelled_ = true;
    awaited_ = kCancelDone;
    Send(kInquiryCancel, {});
}

void CBluetoothLink::Dispatch(const Packet& packet) {
    const std::vector<uint8_t>& p = packet.payload;
    switch (packet.code) {
    case kInquiryDone:
        if (!p.empty())
            Complete(packet.code);
        break;
    case kInquiryResult:
        OnInquiryResult(p);
        break;
    case kNameResult:
        if (p.size() >= 8) {
            nameBuffer_.fill(0);
            if (p[0] == 0)
                SetName(p.data() + 8, std::min<size_t>({p[7], 30, p.size() - 8}));
            Complete(packet.code);
        }
        break;
    case kConnectConfirm:
        if (p.size() >= 2 && p[0] != 0) {
            status_ = p[0];
            reply_ = true;
        }
        break;
    case kConnectIndication:
        if (p.size() >= 9) {
            status_ = p[0];
            Complete(packet.code);
            if (status_ == 0)
                connected_ = true;
        }
        break;
    case kDisconnectIndication:
        if (p.size() >= 2)
            connected_ = false;
        Complete(packet.code);
        break;
    case kDataIndication:
        if (p.size() >= 3 && p[0] == 2) {
            const size_t announced = p[1] | static_cast<size_t>(p[2]) << 8;
            const size_t n = std::min(announced, p.size() - 3);
            const size_t kept = std::min(n, kDataCapacity - dataCount_);
            std::copy_n(p.begin() + 3, kept, data_.begin() + static_cast<ptrdiff_t>(dataCount_));
            dataCount_ += kept;
            droppedData_ += n - kept;
        }
        break;
    case kCancelDone:
    case kDisconnectDone:
        Complete(packet.code);
        break;
    case kLocalName:
    case kFriendlyName:
        if (p.size() >= 2) {
            SetName(p.data() + 2, std::min<size_t>(p[1], p.size() - 2));
            Complete(packet.code);
        }
        break;
    case kLocalAddress:
        if (p.size() >= 7) {
            std::copy_n(p.begin() + 1, 6, nameBuffer_.begin());
            Complete(packet.code);
        }
        break;
    default:
        if (std::find(std::begin(kOtherCompletions), std::end(kOtherCompletions), packet.code) !=
            std::end(kOtherCompletions))
            Complete(packet.code);
        break;
    }
}

bool CBluetoothLink::Send(uint8_t opcode, const std::vector<uint8_t>& payload) {
    if (!adapter_)
        return false;
    const std::vector<uint8_t> packet = BuildRequest(opcode, payload);
    return adapter_->Write(packet.data(), packet.size());
}

bool CBluetoothLink::AwaitReply(Clock::time_point deadline) {
    while (!reply_) {
        if (PollBluetoothPacket())
            continue;
        const auto now = Now();
        if (now >= deadline || !adapter_)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        adapter_->WaitReadable(static_cast<int>(std::min<int64_t>(left.count() + 1, kPollSliceMs)));
    }
    return true;
}

bool CBluetoothLink::Request(uint8_t opcode, const std::vector<uint8_t>& payload, uint16_t awaited,
                             uint32_t timeoutMs) {
    reply_ = false;
    awaited_ = awaited;
    const auto deadline = Now() + std::chrono::milliseconds(timeoutMs);
    if (!Send(opcode, payload))
        return false;
    return AwaitReply(deadline);
}

int CBluetoothLink::SearchBluetoothDevices(uint8_t* buffer, size_t size, uint32_t timeoutMs,
                                           uint32_t classFilter) {
    deviceCount_ = 0;
    classFilter_ = classFilter;
    inquiryCancelled_ = false;
    const uint8_t count = InquiryCount(timeoutMs);
    if (!Request(kInquiry, {count, 0, 0}, kInquiryDone, timeoutMs))
        return -1;
    size_t written = 0;
    for (size_t i = 0; i < deviceCount_; ++i) {
        const Address address = devices_[i];
        for (int tries = 1;; ++tries) {
            if (written + kRecordSize > size)
                return static_cast<int>(written);
            if (!Request(kRemoteName, std::vector<uint8_t>(address.begin(), address.end()),
                         kNameResult, timeoutMs))
                return -1;
            if (nameBuffer_[0] != 0 || tries >= kNameTries) {
                std::copy(address.begin(), address.end(), buffer + written);
                std::copy(nameBuffer_.begin(), nameBuffer_.end(), buffer + written + 6);
                written += kRecordSize;
                break;
            }
        }
    }
    return static_cast<int>(written);
}

int CBluetoothLink::ConnectBluetoothDevice(const Address& address, uint8_t parameter,
                                           uint32_t timeoutMs) {
    status_ = 0;
    std::vector<uint8_t> payload{0x02};
    payload.insert(payload.end(), address.begin(), address.end());
    payload.push_back(parameter);
    if (!Request(kConnect, payload, kConnectIndication, timeoutMs))
        return -1;
    if (!connected_)
        return status_ != 0 ? status_ : -1;
    storedAddress_ = address;
    connectParameter_ = parameter;
    connectTimeoutMs_ = timeoutMs;
    return 0;
}

bool CBluetoothLink::AutoConnect() {
    if (connected_)
        return true;
    if (lastAttempt_ && Now() - *lastAttempt_ <= kReconnectPause)
        return true; // too soon after a failure: go on without connecting
    if (IsZero(storedAddress_)) {
        uint8_t record[kRecordSize] = {};
        if (SearchBluetoothDevices(record, sizeof record, kAutoSearchMs, kReaderClass) <
            static_cast<int>(kRecordSize)) {
            lastAttempt_ = Now();
            return false;
        }
        std::this_thread::sleep_for(kReconnectPause);
        std::copy_n(record, 6, storedAddress_.begin());
    }
    const uint32_t timeoutMs = connectTimeoutMs_ ? connectTimeoutMs_ : kDefaultConnectMs;
    if (ConnectBluetoothDevice(storedAddress_, connectParameter_, timeoutMs) != 0) {
        lastAttempt_ = Now();
        return false;
    }
    return true;
}

size_t CBluetoothLink::ReadBluetoothData(uint8_t* buffer, size_t size) {
    if (!adapter_ || !AutoConnect())
        return 0;
    PollBluetoothPacket();
    const size_t n = std::min(size, dataCount_);
    std::copy_n(data_.begin(), n, buffer);
    std::copy(data_.begin() + static_cast<ptrdiff_t>(n),
              data_.begin() + static_cast<ptrdiff_t>(dataCount_), data_.begin());
    dataCount_ -= n;
    return n;
}

bool CBluetoothLink::WriteBluetoothData(const uint8_t* bytes, size_t count) {
    if (!adapter_ || !AutoConnect())
        return false;
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(count - done, kMaxDataPerPacket);
        std::vector<uint8_t> payload{0x02, static_cast<uint8_t>(n & 0xFF),
                                     static_cast<uint8_t>(n >> 8)};
        payload.insert(payload.end(), bytes + done, bytes + done + n);
        if (!Send(kData, payload))
            return false;
        done += n;
    }
    return true;
}

bool CBluetoothLink::SetAdapterBaudRate(uint32_t rate) {
    return adapter_ && adapter_->SetBaudRate(rate);
}

} // namespace vorex::links::bt
