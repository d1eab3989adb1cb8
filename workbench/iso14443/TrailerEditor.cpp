#include "workbench/iso14443/TrailerEditor.h"

#include "workbench/common/ByteText.h"

namespace vorex::wb::mfc {

namespace mf = vorex::cards::mifare;

namespace {

constexpr size_t kKeyLength = 12;

void PutKey(std::vector<uint8_t>& row, size_t at, const std::string& text) {
    if (text.size() != kKeyLength)
        return;
    const std::vector<uint8_t> key = wb::TextToBytes(text, 6, wb::kHex, wb::kLsbFirst);
    std::copy(key.begin(), key.end(), row.begin() + static_cast<std::ptrdiff_t>(at));
}

} // namespace

uint8_t UserByteOf(const std::string& text) {
    unsigned value = 0;
    for (char c : text) {
        const uint8_t digit = wb::HexDigitValue(c);
        if (digit == 255)
            break;
        value = (value * 16 + digit) & 0xFF;
    }
    return static_cast<uint8_t>(value);
}

void EncodeTrailer(std::vector<uint8_t>& row, const TrailerFields& fields) {
    row.resize(16, 0);
    const std::array<uint8_t, 3> access = mf::EncodeAccessBytes(fields.access);
    std::copy(access.begin(), access.end(), row.begin() + 6);
    row[9] = UserByteOf(fields.userByte);
    PutKey(row, 0, fields.keyA);
    PutKey(row, 10, fields.keyB);
}

bool DecodeTrailer(const std::vector<uint8_t>& row, TrailerFields& fields) {
    if (row.size() != 16)
        return false;
    if (const auto access = mf::DecodeAccessBytes(row.data() + 6))
        fields.access = *access;
    static const char kDigits[] = "0123456789ABCDEF";
    fields.userByte = {kDigits[row[9] >> 4], kDigits[row[9] & 0x0F]};
    return true;
}

RightsGrid ShowAccessRights(const mf::AccessValues& access) {
    RightsGrid grid;
    for (size_t g = 0; g < 3; ++g) {
        const uint8_t word = mf::DataRights(access[g]);
        for (unsigned c = 0; c < 4; ++c) {
            grid.data[g][2 * c] = (word >> c & 1) != 0;
            grid.data[g][2 * c + 1] = (word >> (c + 4) & 1) != 0;
        }
    }
    const uint16_t word = mf::TrailerRights(access[3]);
    for (unsigned c = 0; c < 6; ++c) {
        grid.trailer[2 * c] = (word >> c & 1) != 0;
        grid.trailer[2 * c + 1] = (word >> (c + 8) & 1) != 0;
    }
    return grid;
}

} // namespace vorex::wb::mfc
