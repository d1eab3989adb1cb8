#include "workbench/iso14443/PageTagRules.h"

#include "cards/IcManufacturer.h"

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
    return cards::IcManufacturerName(uid.size() >= 7 ? uid[0] : 0);
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
