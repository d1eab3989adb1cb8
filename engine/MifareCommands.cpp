#include "engine/MifareCommands.h"

#include <algorithm>
#include <cstring>

namespace vorex::mifare {

namespace {

// Parameters of one request fit behind the frame's single length byte.
constexpr int kMaxParameters = 255;

bool Send(CVorex_Port& port, std::vector<uint8_t> request) {
    port.Transmit() = std::move(request);
    return port.Exchange();
}

bool SendForStatus(CVorex_Port& port, std::vector<uint8_t> request) {
    return Send(port, std::move(request)) && port.TakeStatus();
}

// Refuses a request that cannot be sent as asked, without sending anything.
bool Refuse(CVorex_Port& port) {
    port.SetLastError(kBadParameter);
    return false;
}

uint8_t Low(int v) {
    return static_cast<uint8_t>(v & 0xFF);
}

} // namespace

bool Request(CVorex_Port& port, uint16_t* answer) {
    port.SetSectorCache(0);
    std::vector<uint8_t> payload;
    if (!Send(port, {0x30}) || !port.TakeAnswer(payload))
        return false;
    if (payload.size() != 2) {
        port.SetLastError(kShortAnswer);
        return false;
    }
    if (answer)
        *answer = static_cast<uint16_t>(payload[0] | payload[1] << 8);
    return true;
}

int Select(CVorex_Port& port, uint8_t* buffer, int capacity, uint8_t* first) {
    port.SetSectorCache(0);
    if (first)
        *first = 0;
    if (!buffer || capacity < 0)
        capacity = 0;
    std::vector<uint8_t> payload;
    if (!Send(port, {0x31}) || !port.TakeAnswer(payload))
        return -1;
    if (payload.empty() || payload.size() > static_cast<size_t>(capacity) + 1)
        return -1;
    if (first)
        *first = payload[0];
    const size_t uidLength = payload.size() - 1;
    if (uidLength > 0)
        std::memcpy(buffer, payload.data() + 1, uidLength);
    return static_cast<int>(uidLength);
}

bool Authenticate(CVorex_Port& port, const uint8_t* key, int keyLength, int keyType, int keyNumber,
                  int block) {
    if (!key || keyLength < 0)
        keyLength = 0;
    if (keyLength + 4 > kMaxParameters)
        return Refuse(port);
    std::vector<uint8_t> request{0x33, Low(keyLength)};
    if (keyLength > 0)
        request.insert(request.end(), key, key + keyLength);
    request.push_back(Low(block));
    request.push_back(Low(keyType));
    request.push_back(Low(keyNumber));
    return SendForStatus(port, std::move(request));
}

void SelectSector(CVorex_Port& port, int32_t block) {
    const int32_t sector = block >> 8;
    if (sector == port.SectorCache())
        return;
    if (SendForStatus(port, {0x3A, Low(sector)}))
        port.SetSectorCache(sector);
}

int ReadBlock(CVorex_Port& port, int32_t block, uint8_t* buffer, int capacity) {
    if (!buffer || capacity < 0)
        capacity = 0;
    SelectSector(port, block);
    std::vector<uint8_t> payload;
    if (!Send(port, {0x34, Low(block)}) || !port.TakeAnswer(payload))
        return -1;
    const size_t count = std::min(payload.size(), static_cast<size_t>(capacity));
    if (count > 0)
        std::memcpy(buffer, payload.data(), count);
    return static_cast<int>(count);
}

bool WriteBlock(CVorex_Port& port, int32_t block, const uint8_t* data, int count) {
    if (count < 0 || (count > 0 && !data) || count + 1 > kMaxParameters)
        return Refuse(port);
    SelectSector(port, block);
    std::vector<uint8_t> request{0x35, Low(block)};
    if (count > 0)
        request.insert(request.end(), data, data + count);
    return SendForStatus(port, std::move(request));
}

bool Value(CVorex_Port& port, int block, int operation, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    return SendForStatus(port, {0x38, Low(block), Low(operation), static_cast<uint8_t>(v),
                                static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                                static_cast<uint8_t>(v >> 24)});
}

bool StoreKey(CVorex_Port& port, int keyType, int keyNumber, const uint8_t* key, int keyLength) {
    if (keyLength < 0 || (keyLength > 0 && !key) || keyLength + 2 > kMaxParameters)
        return Refuse(port);
    std::vector<uint8_t> request{0x39, Low(keyType), Low(keyNumber)};
    if (keyLength > 0)
        request.insert(request.end(), key, key + keyLength);
    return SendForStatus(port, std::move(request));
}

} // namespace vorex::mifare
