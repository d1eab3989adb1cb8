#include "engine/links/lan/LanDatagram.h"

#include <algorithm>
#include <cstring>

namespace vorex::lan {

namespace {

constexpr size_t kAddressAt = 0, kHostBitsAt = 6, kGatewayAt = 12, kPortAt = 20;
constexpr size_t kNameHighAt = 84, kNameLowAt = 112, kModelAt = 93, kRecord3NameAt = 102;

bool ValidRecord(int record) {
    return record >= 0 && record <= kLastRecord;
}

Ipv4 ReadIp(const Bytes& p, size_t at) {
    return Ipv4{{p[at], p[at + 1], p[at + 2], p[at + 3]}};
}

void WriteIp(Bytes& p, size_t at, const Ipv4& ip) {
    std::copy(ip.bytes.begin(), ip.bytes.end(), p.begin() + static_cast<std::ptrdiff_t>(at));
}

// Up to eight characters from `at`, cut at the first zero byte.
std::string Field8(const Bytes& p, size_t at) {
    std::string s;
    for (size_t i = at; i < at + 8 && p[i] != 0; ++i)
        s.push_back(static_cast<char>(p[i]));
    return s;
}

// Eight bytes of `text` from `from`, zero-padded.
void WriteField8(Bytes& p, size_t at, const std::string& text, size_t from) {
    for (size_t i = 0; i < 8; ++i)
        p[at + i] = from + i < text.size() ? static_cast<uint8_t>(text[from + i]) : 0;
}

} // namespace

Bytes RecordQuery(int record) {
    if (!ValidRecord(record))
        return {};
    return {0x00, 0x01, 0x00, static_cast<uint8_t>(record == 0 ? 0xF8 : 0xE0 + record)};
}

Bytes RecordWrite(int record, const Bytes& payload) {
    if (!ValidRecord(record))
        return {};
    Bytes b = record == 0 ? Bytes{0x00, 0x00, 0x00, 0xFD}
                          : Bytes{0x00, 0x01, 0x00, static_cast<uint8_t>(0xC0 + record)};
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

uint8_t QueryAnswerType(int record) {
    return static_cast<uint8_t>(record == 0 ? 0xF9 : 0xD0 + record);
}

uint8_t WriteAnswerType(int record) {
    return static_cast<uint8_t>(record == 0 ? 0xFB : 0xB0 + record);
}

Bytes ProbeRequest() {
    return {0x00, 0x01, 0x00, 0xF6};
}

Bytes RestartRequest() {
    return {0x00, 0x00, 0x00, 0x03, 0x58, 0x33};
}

Bytes AddressSetupRequest(const Bytes& setup, bool extended) {
    Bytes b{0x00, 0x00, 0x00, 0xFC, 'I', 'P', '-', 'S', 'E', 'T', 'U', 'P'};
    if (extended) {
        b.push_back('E');
        b.push_back('X');
    } else {
        b.push_back(0);
        b.push_back(0);
    }
    b.insert(b.end(), setup.begin(), setup.end());
    return b;
}

Bytes ExtendedSetup(const Mac& mac, const Ipv4& address, uint16_t port, const Ipv4& mask,
                    const Ipv4& gateway, const std::string& name) {
    Bytes b(mac.begin(), mac.end());
    b.insert(b.end(), address.bytes.begin(), address.bytes.end());
    b.push_back(static_cast<uint8_t>(port & 0xFF));
    b.push_back(static_cast<uint8_t>(port >> 8));
    b.insert(b.end(), mask.bytes.begin(), mask.bytes.end());
    b.insert(b.end(), gateway.bytes.begin(), gateway.bytes.end());
    for (size_t i = 0; i < 16; ++i)
        b.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
    return b;
}

Bytes ShortSetup(const Mac& mac, const Ipv4& address) {
    Bytes b{mac[4], mac[5]};
    b.insert(b.end(), address.bytes.begin(), address.bytes.end());
    return b;
}

bool SplitDatagram(const uint8_t* data, size_t size, uint8_t& type, Bytes& payload) {
    if (data == nullptr || size < kHeaderBytes)
        return false;
    type = data[3];
    payload.assign(data + kHeaderBytes, data + size);
    return true;
}

std::optional<Record0> ReadRecord0(const Bytes& p) {
    if (p.size() < kRecordMinBytes)
        return std::nullopt;
    Record0 r;
    r.address = ReadIp(p, kAddressAt);
    r.hostBits = p[kHostBitsAt];
    r.gateway = ReadIp(p, kGatewayAt);
    r.port = static_cast<uint16_t>(p[kPortAt] | p[kPortAt + 1] << 8);
    r.name = Field8(p, kNameLowAt) + Field8(p, kNameHighAt);
    return r;
}

bool StoreRecord0(Bytes& p, const Record0& r) {
    if (p.size() < kRecordMinBytes)
        return false;
    WriteIp(p, kAddressAt, r.address);
    p[kHostBitsAt] = static_cast<uint8_t>(std::min(r.hostBits, 32u));
    WriteIp(p, kGatewayAt, r.gateway);
    p[kPortAt] = static_cast<uint8_t>(r.port & 0xFF);
    p[kPortAt + 1] = static_cast<uint8_t>(r.port >> 8);
    WriteField8(p, kNameLowAt, r.name, 0);
    WriteField8(p, kNameHighAt, r.name, 8);
    return true;
}

bool StoreRecord3Name(Bytes& p, const std::string& name) {
    if (p.size() != kRecord3Bytes)
        return false;
    WriteField8(p, kRecord3NameAt, name, 8);
    return true;
}

std::string BracketName(const std::string& name) {
    return "[" + name.substr(0, 16) + "]";
}

std::string DiscoveryEntry(const Bytes& record0, const Ipv4& sender) {
    const auto r = ReadRecord0(record0);
    if (!r)
        return {};
    const std::string port = "-" + std::to_string(r->port);
    if (r->address == sender)
        return sender.Text() + port;
    return BracketName(r->name) + sender.Text() + port;
}

std::string ModelText(const Bytes& record2) {
    if (record2.size() < kRecord2MinBytes)
        return {};
    const auto begin = record2.begin() + kModelAt;
    const auto end = std::find(begin, record2.end(), uint8_t{0});
    if (end == record2.end())
        return {}; // not terminated inside the datagram
    return std::string(begin, end);
}

bool IsOwnModel(const Bytes& record2) {
    return ModelText(record2).rfind("VX-", 0) == 0;
}

std::optional<ProbeAnswer> ReadProbeAnswer(const Bytes& p) {
    if (p.size() < kProbeMinBytes)
        return std::nullopt;
    ProbeAnswer a;
    a.makerTag = p[11] == 'N' && p[12] == 'V' && p[13] == 'K';
    std::copy(p.begin() + 20, p.begin() + 26, a.mac.begin());
    return a;
}

} // namespace vorex::lan
