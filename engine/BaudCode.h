#pragma once
// The baud code of port names: baud rate = code / 100 * 100, format = code % 100
// (0 8N1, 1 8E1, 2 8O1, 3 8N2, anything else 8N1). 115201 is 115200 baud 8E1;
// 11501 is 11500 baud 8E1.
#include <cstdint>

namespace vorex {

struct SerialFormat {
    uint32_t baud = 19200;
    char parity = 'N';
    int stopBits = 1;
};

SerialFormat DecodeBaudCode(int code);

} // namespace vorex
