#pragma once
// The datagram protocol LAN readers answer on UDP port 30718: building the requests,
// and reading the answers. Every reader works on the bytes received and never looks
// outside them; a datagram that is too short for what is asked is refused.
#include "engine/links/lan/Ipv4.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorex::lan {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kDatagramPort = 30718;
constexpr uint16_t kDefaultTcpPort = 10001;
constexpr size_t kHeaderBytes = 4;
constexpr size_t kRecordMinBytes = 120;  // record answers and record 0
constexpr size_t kRecord2MinBytes = 126; // model text at offset 93
constexpr size_t kRecord3Bytes = 126;
constexpr size_t kProbeMinBytes = 26;
constexpr int kLastRecord = 15;
constexpr uint8_t kProbeAnswerType = 0xF7;

// Requests. Records are 0..15; other numbers give an empty request.
Bytes RecordQuery(int record);
Bytes RecordWrite(int record, const Bytes& payload);
Bytes ProbeRequest();
Bytes RestartRequest();
// "IP-SETUP", then "EX" (extended) or 00 00 (short), then the setup payload.
Bytes AddressSetupRequest(const Bytes& setup, bool extended);
// Type byte of the answer to a record query or write.
uint8_t QueryAnswerType(int record);
uint8_t WriteAnswerType(int record);

using Mac = std::array<uint8_t, 6>;
// MAC + address + port (little-endian) + mask + gateway + name (16, zero-padded).
Bytes ExtendedSetup(const Mac& mac, const Ipv4& address, uint16_t port, const Ipv4& mask,
                    const Ipv4& gateway, const std::string& name);
// The last two MAC bytes + address.
Bytes ShortSetup(const Mac& mac, const Ipv4& address);

// A received datagram cut into its type byte (header byte 3) and payload. False for
// datagrams shorter than the header.
bool SplitDatagram(const uint8_t* data, size_t size, uint8_t& type, Bytes& payload);

// The fields of a record-0 payload.
struct Record0 {
    Ipv4 address; // 0.0.0.0: the reader obtains its address automatically
    unsigned hostBits = 0;
    Ipv4 gateway;
    uint16_t port = 0;
    std::string name; // "%.8s%.8s": characters 1-8 at 112, 9-16 at 84
};
std::optional<Record0> ReadRecord0(const Bytes& payload);
// Writes the fields back into a payload of at least 120 bytes, leaving every other byte
// as it is. Only the name's first 16 characters are stored.
bool StoreRecord0(Bytes& payload, const Record0& record);
// Characters 9-16 of the name into a record-3 payload (exactly 126 bytes).
bool StoreRecord3Name(Bytes& payload, const std::string& name);

// "[%.8s%.8s]"
std::string BracketName(const std::string& name);

// Discovery entry of a record-0 answer from `sender`: "a.b.c.d-port" when the
// configured address is the sender, else "[name]sender-port". Empty when the payload is
// not a record 0.
std::string DiscoveryEntry(const Bytes& record0, const Ipv4& sender);

// True when a record-2 payload names one of the system's readers (model text at 93,
// zero-terminated inside the payload, beginning "VX-").
bool IsOwnModel(const Bytes& record2);
// Model text of a record-2 payload, empty when there is none.
std::string ModelText(const Bytes& record2);

struct ProbeAnswer {
    bool makerTag = false; // "NVK" at 11..13
    Mac mac{};             // 20..25
};
std::optional<ProbeAnswer> ReadProbeAnswer(const Bytes& payload);

} // namespace vorex::lan
