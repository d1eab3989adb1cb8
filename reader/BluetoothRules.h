#pragma once
// Plain C++ rules of the Bluetooth connect step: which found devices are listed, the
// search records, and the device address as the profile and the command line keep it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorex::reader {

using BtAddress = std::array<uint8_t, 6>;

struct BtRecord {
    BtAddress address{};
    std::string name;
};

// Bytes of one search record: the address, then the name zero-padded to 32 bytes.
constexpr int kBtRecordSize = 38;
// The connect dialog's search: room for ten records, 20 s, every class of device.
constexpr int kBtSearchBytes = 380;
constexpr int kBtSearchMs = 20000;
// Its connect: parameter 1, 3 s.
constexpr int kBtConnectParameter = 1;
constexpr int kBtConnectMs = 3000;

// The records of a search result (`count` bytes; whole records only).
std::vector<BtRecord> SplitBtRecords(const uint8_t* bytes, int count);
// A reader of this program is listed: the name holds "PN7711#" and not "PN7710#".
bool IsListedBtReader(const std::string& name);
// The address as the profile keeps it ("Bluetooth"/"LastDevAddr"): bytes 0-3 are the
// low 32 bits, bytes 4-5 the next 16.
int64_t BtAddressToProfile(const BtAddress& address);
BtAddress BtAddressFromProfile(int64_t value);
bool IsZero(const BtAddress& address);
// "11:22:33:44:55:66" (byte 0 first) and back; the reading also takes twelve hex digits.
std::string BtAddressText(const BtAddress& address);
std::optional<BtAddress> ParseBtAddress(const std::string& text);

} // namespace vorex::reader
