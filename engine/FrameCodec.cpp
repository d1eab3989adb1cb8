#include "engine/FrameCodec.h"
#include <vorex/vorex_errors.h>

namespace vorex::frame {

uint16_t Crc16(const uint8_t* data, size_t count) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

size_t HeaderBytes(uint8_t variant) {
    return variant <= 1 ? 4 : 3;
}
size_t LengthPosition(uint8_t variant) {
    return variant == 0 ? 3 : 2;
}
size_t CheckBytes(uint8_t variant) {
    return variant == 0 ? 1 : variant == 1 ? 2 : 0;
}
int StartByte(uint8_t variant) {
    return variant == 0 ? kStartVariant0 : variant == 1 ? -1 : kStartVariant23;
}

namespace {

bool IsWriteLike(uint8_t isoCode) {
    return isoCode == 0x21 || isoCode == 0x22 || isoCode == 0x27 || isoCode == 0x29;
}

uint8_t Xor(const uint8_t* data, size_t count) {
    uint8_t x = 0;
    for (size_t i = 0; i < count; ++i)
        x ^= data[i];
    return x;
}

// Index of the closing 0xFF of a chained answer whose first block starts at `pos`,
// or `count` when it is not (yet) in the buffer.
size_t ChainEnd(const uint8_t* buffer, size_t count, size_t pos) {
    while (pos < count) {
        if (buffer[pos] == kChained)
            return pos;
        pos += static_cast<size_t>(buffer[pos]) + 1;
    }
    return count;
}

int MapVariant0(uint8_t status) {
    switch (status) {
    case 3:
    case 25:
        return VOREX_ERR_COLLISION;
    case 7:
        return VOREX_ERR_ISO_FRAMING;
    default:
        return status;
    }
}

int MapVariant23(uint8_t status, uint8_t lastCommand) {
    switch (status) {
    case 0xA0:
        return VOREX_ERR_UNKNOWN_COMMAND;
    case 0xA4:
        return VOREX_ERR_WRONG_COUNT_SENT;
    case 0x88:
        return VOREX_ERR_STATUS_88;
    case 0xCC:
        return VOREX_ERR_COLLISION;
    case 0xC4:
    case 0xC5:
        return VOREX_ERR_NO_TRANSPONDER;
    default:
        return status == lastCommand ? 0 : VOREX_ERR_UNEXPECTED_STATUS;
    }
}

} // namespace

bool AnswersCommand(uint8_t status, uint8_t lastCommand) {
    return MapVariant23(status, lastCommand) != 16;
}

void TranslateRequest(std::vector<uint8_t>& r, uint8_t variant) {
    if (variant < 2 || r.empty())
        return;
    const bool v2 = variant == 2;
    switch (r[0]) {
    case 0x20: {
        const uint8_t code = r.size() > 2 ? r[2] : 0;
        r[0] = v2 ? 0x28 : 0x21;
        const uint8_t inserted = v2 ? (IsWriteLike(code) ? 1 : 0) : (IsWriteLike(code) ? 8 : 4);
        r.insert(r.begin() + 1, inserted);
        break;
    }
    case 0x21:
        r[0] = 0x29;
        break;
    case 0xF0:
        r[0] = v2 ? 0x0B : 0x60;
        break;
    case 0xF5:
        r[0] = (r.size() > 1 && r[1] != 0) ? 0x0C : 0x0D;
        if (r.size() > 1)
            r.erase(r.begin() + 1);
        break;
    case 0xF6:
    case 0xF7:
        r[0] = 0x07;
        break;
    case 0xF9:
    case 0xFA:
        if (v2)
            r[0] = 0x0E;
        break;
    case 0xFF:
        if (v2)
            r[0] = 0x0F;
        break;
    default:
        break;
    }
}

uint8_t BuildFrame(std::vector<uint8_t>& r, uint8_t variant, uint8_t busAddress) {
    if (r.empty())
        return 0;
    TranslateRequest(r, variant);
    const uint8_t command = r[0];
    r.insert(r.begin() + 1, static_cast<uint8_t>(r.size() - 1));
    switch (variant) {
    case 1: {
        r.insert(r.begin(), busAddress);
        const uint16_t crc = Crc16(r.data(), r.size());
        r.push_back(static_cast<uint8_t>(crc & 0xFF));
        r.push_back(static_cast<uint8_t>(crc >> 8));
        break;
    }
    case 2:
    case 3:
        r.insert(r.begin(), kStartVariant23);
        break;
    default:
        r.insert(r.begin(), {kStartVariant0, busAddress});
        r.push_back(Xor(r.data() + 1, r.size() - 1));
        break;
    }
    return command;
}

bool AnswerComplete(const uint8_t* buffer, size_t count, uint8_t variant) {
    if (count < HeaderBytes(variant))
        return false;
    const size_t lengthPos = LengthPosition(variant);
    const uint8_t length = buffer[lengthPos];
    if (length == kChained) {
        const size_t q = ChainEnd(buffer, count, lengthPos + 1);
        return q < count && count > q + CheckBytes(variant);
    }
    return count >= static_cast<size_t>(length) + (variant <= 1 ? 5 : 3);
}

bool TakeAnswer(std::vector<uint8_t>& f, uint8_t variant, uint8_t lastCommand, int& error) {
    error = 0;
    if (f.empty()) {
        error = VOREX_ERR_NOTHING_RECEIVED;
        return false;
    }
    const size_t lengthPos = LengthPosition(variant);
    const size_t check = CheckBytes(variant);
    const size_t header = lengthPos + 1;
    if (variant <= 1) {
        // A frame too short for header and check, or whose length byte does not
        // describe exactly the bytes received, cannot carry a valid check.
        if (f.size() < header + check) {
            error = VOREX_ERR_CHECKSUM;
            return false;
        }
        const size_t checked = f.size() - check;
        if (variant == 1) {
            const uint16_t crc = Crc16(f.data(), checked);
            if (f[checked] != (crc & 0xFF) || f[checked + 1] != (crc >> 8)) {
                error = VOREX_ERR_CHECKSUM;
                return false;
            }
        } else if (f[checked] != Xor(f.data() + 1, checked - 1)) {
            error = VOREX_ERR_CHECKSUM;
            return false;
        }
        const bool chained = f[lengthPos] == kChained;
        const size_t end = chained ? ChainEnd(f.data(), checked, header) : header + f[lengthPos];
        if (end != checked - (chained ? 1 : 0) || (chained && end >= checked)) {
            error = VOREX_ERR_CHECKSUM;
            return false;
        }
        const uint8_t status = f[lengthPos - 1];
        if (variant == 1 && status != 0) {
            error = status;
            return false;
        }
        if (variant == 0 && status != 0) {
            if (status != 0x20) {
                error = MapVariant0(status);
                return false;
            }
            error = VOREX_ERR_ISO_NOT_SUPPORTED; // the answer is still delivered
        }
        f.erase(f.begin() + static_cast<std::ptrdiff_t>(end), f.end());
        f.erase(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(header));
        return true;
    }
    if (f.size() < header) {
        error = VOREX_ERR_SHORT_ANSWER;
        return false;
    }
    const int mapped = MapVariant23(f[1], lastCommand);
    if (mapped != 0) {
        error = mapped;
        return false;
    }
    size_t end;
    if (f[lengthPos] == kChained) {
        end = ChainEnd(f.data(), f.size(), header);
        if (end == f.size()) // no closing 0xFF found: the last byte is taken for it
            end = f.size() > header ? f.size() - 1 : header;
    } else {
        end = header + f[lengthPos];
        if (end > f.size()) {
            error = VOREX_ERR_SHORT_ANSWER;
            return false;
        }
    }
    f.erase(f.begin() + static_cast<std::ptrdiff_t>(end), f.end());
    f.erase(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(header));
    return true;
}

} // namespace vorex::frame
