#include "reader/BluetoothRules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace vorex::reader {
namespace {

constexpr size_t kNameBytes = 32;

} // namespace

std::vector<BtRecord> SplitBtRecords(const uint8_t* bytes, int count) {
    std::vector<BtRecord> records;
    for (int at = 0; bytes && at + kBtRecordSize <= count; at += kBtRecordSize) {
        BtRecord r;
        std::copy_n(bytes + at, r.address.size(), r.address.begin());
        const char* name = reinterpret_cast<const char*>(bytes + at + 6);
        r.name.assign(name, strnlen(name, kNameBytes));
        records.push_back(std::move(r));
    }
    return records;
}

bool IsListedBtReader(const std::string& name) {
    return name.find("PN7711#") != std::string::npos && name.find("PN7710#") == std::string::npos;
}

int64_t BtAddressToProfile(const BtAddress& a) {
    uint64_t v = 0;
    for (size_t i = a.size(); i-- > 0;)
        v = v << 8 | a[i];
    return static_cast<int64_t>(v);
}

BtAddress BtAddressFromProfile(int64_t value) {
    BtAddress a{};
    auto v = static_cast<uint64_t>(value);
    for (uint8_t& b : a) {
        b = static_cast<uint8_t>(v & 0xFF);
        v >>= 8;
    }
    return a;
}

bool IsZero(const BtAddress& address) {
    return std::all_of(address.begin(), address.end(), [](uint8_t b) { return b == 0; });
}

std::string BtAddressText(const BtAddress& a) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", a[0], a[1], a[2], a[3], a[4],
                  a[5]);
    return text;
}

std::optional<BtAddress> ParseBtAddress(const std::string& text) {
    std::string digits;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
        else if (c != ':' || i % 3 != 2 || text.size() != 17)
            return std::nullopt;
    }
    if (digits.size() != 12)
        return std::nullopt;
    BtAddress a{};
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = static_cast<uint8_t>(std::stoi(digits.substr(2 * i, 2), nullptr, 16));
    return a;
}

} // namespace vorex::reader
