#include "workbench/iso14443/PageTagRules.h"

#include "cards/IcManufacturer.h"

#include <cctype>
#include <cstdio>
#include <utility>

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

TextRef NdefReasonText(const std::string& error) {
    // The library's reasons with their numbers as %1, %2, ...
    static const std::pair<const char*, int> kReasons[] = {
        {"no NDEF capability container in page %1", 12610},
        {"no NDEF message in the data area", 12611},
        {"TLV at byte %1 has no length", 12612},
        {"TLV at byte %1 (%2 bytes) runs past the memory read", 12613},
        {"record %1: message-begin flag is wrong", 12614},
        {"record %1: header runs past the message", 12615},
        {"record %1: type, id and payload (%2 bytes) run past the message (%3 bytes left)", 12616},
        {"record %1: Text record without its status byte", 12617},
        {"record %1: Text record: the language code is longer than the payload", 12618},
        {"the message ends without its last record", 12619},
    };
    std::string pattern;
    std::vector<std::string> values;
    for (size_t i = 0; i < error.size();) {
        if (!std::isdigit(static_cast<unsigned char>(error[i]))) {
            pattern += error[i++];
            continue;
        }
        size_t end = i;
        while (end < error.size() && std::isdigit(static_cast<unsigned char>(error[end])))
            ++end;
        values.push_back(error.substr(i, end - i));
        pattern += "%" + std::to_string(values.size());
        i = end;
    }
    for (const auto& [reason, id] : kReasons)
        if (pattern == reason)
            return {id, values};
    return {};
}

} // namespace vorex::wb::nfc
