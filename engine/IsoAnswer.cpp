#include "IsoAnswer.h"

namespace vorex::iso {

int IsoErrorNumber(uint8_t code) {
    switch (code) {
    case 0x01:
        return 32;
    case 0x02:
        return 33;
    case 0x03:
        return 34;
    case 0x0F:
        return 35;
    case 0x10:
        return 36;
    case 0x11:
        return 37;
    case 0x12:
        return 38;
    case 0x13:
        return 39;
    case 0x14:
        return 40;
    default:
        return (code >= 0xA0 && code <= 0xDF) ? code : 41;
    }
}

bool EvaluateIsoAnswer(std::vector<uint8_t>& p, uint8_t variant, int& error) {
    error = 0;
    if (p.empty()) {
        error = 42;
        return false;
    }
    if (variant == 2) {
        const uint8_t status = p.front();
        p.erase(p.begin());
        switch (status) {
        case 1:
            error = 21;
            return false;
        case 2:
            error = 23;
            return false;
        case 8:
            error = 10;
            return false;
        default:
            break;
        }
    }
    if (p.empty()) {
        error = 9;
        return false;
    }
    const uint8_t flags = p.front();
    p.erase(p.begin());
    if ((flags & 0x01) == 0)
        return true;
    if (p.empty()) {
        error = 42;
        return false;
    }
    error = IsoErrorNumber(p.front());
    return false;
}

} // namespace vorex::iso
