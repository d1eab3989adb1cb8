#include "engine/BaudCode.h"

namespace vorex {

SerialFormat DecodeBaudCode(int code) {
    SerialFormat f;
    if (code < 0)
        code = 0;
    f.baud = static_cast<uint32_t>(code / 100 * 100);
    switch (code % 100) {
    case 1:
        f.parity = 'E';
        break;
    case 2:
        f.parity = 'O';
        break;
    case 3:
        f.stopBits = 2;
        break;
    default:
        break;
    }
    return f;
}

} // namespace vorex
