#include "workbench/iso14443/PageTagRules.h"

#include <cstdio>

namespace vorex::wb::nfc {

int RefusalTextId(uint8_t sak) {
    switch (sak) {
    case 0x00:
        return 0;
    case 0x08:
    case 0x88:
        return 238;
    case 0x18:
        return 239;
    default:
        return 241;
    }
}

std::string MakerName(const std::vector<uint8_t>& uid) {
    const int code = uid.size() >= 7 ? uid[0] : 0;
    switch (code) {
    case 0x02:
        return "STMicroelectronics";
    case 0x04:
        return "NXP Semiconductors";
    case 0x05:
        return "Infineon";
    case 0x07:
        return "Texas Instruments";
    case 0x08:
        return "Fujitsu";
    case 0x12:
        return "INSIDE";
    case 0x15:
        return "Atmel";
    case 0x16:
        return "EM Microelectronic";
    case 0x17:
        return "KSW Microtec GmbH";
    case 0x39:
        return "Silicon Craft";
    case 0x3D:
        return "HID Global";
    default:
        return "Unknown";
    }
}

std::string PageRowLabel(int firstPage) {
    char text[32];
    std::snprintf(text, sizeof text, "%03d - %03d", firstPage, firstPage + 3);
    return text;
}

int WriteErrorCode(int error) {
    return error == 246 ? 241 : error;
}

} // namespace vorex::wb::nfc
