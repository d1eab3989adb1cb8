#include "engine/IsoAnswer.h"
#include <vorex/vorex_errors.h>

namespace vorex::iso {

int IsoErrorNumber(uint8_t code) {
    switch (code) {
    case 0x01:
        return VOREX_ERR_ISO_NOT_SUPPORTED;
    case 0x02:
        return VOREX_ERR_ISO_NOT_RECOGNISED;
    case 0x03:
        return VOREX_ERR_ISO_OPTION;
    case 0x0F:
        return VOREX_ERR_ISO_GENERAL;
    case 0x10:
        return VOREX_ERR_ISO_NO_BLOCK;
    case 0x11:
        return VOREX_ERR_ISO_LOCKED_ALREADY;
    case 0x12:
        return VOREX_ERR_ISO_BLOCK_LOCKED;
    case 0x13:
        return VOREX_ERR_ISO_PROGRAMMING;
    case 0x14:
        return VOREX_ERR_ISO_LOCKING;
    default:
        return (code >= 0xA0 && code <= 0xDF) ? static_cast<int>(code)
                                              : static_cast<int>(VOREX_ERR_ISO_OTHER);
    }
}

bool EvaluateIsoAnswer(std::vector<uint8_t>& p, uint8_t variant, int& error) {
    error = 0;
    if (p.empty()) {
        error = VOREX_ERR_ISO_ANSWER;
        return false;
    }
    if (variant == 2) {
        const uint8_t status = p.front();
        p.erase(p.begin());
        switch (status) {
        case 1:
            error = VOREX_ERR_NO_TRANSPONDER;
            return false;
        case 2:
            error = VOREX_ERR_COLLISION;
            return false;
        case 8:
            error = VOREX_ERR_CHECKSUM;
            return false;
        default:
            break;
        }
    }
    if (p.empty()) {
        error = VOREX_ERR_SHORT_ANSWER;
        return false;
    }
    const uint8_t flags = p.front();
    p.erase(p.begin());
    if ((flags & 0x01) == 0)
        return true;
    if (p.empty()) {
        error = VOREX_ERR_ISO_ANSWER;
        return false;
    }
    error = IsoErrorNumber(p.front());
    return false;
}

} // namespace vorex::iso
