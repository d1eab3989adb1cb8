#include "workbench/iso15693/TagNaming.h"

#include "workbench/common/CardBinding.h"

#include <cinttypes>
#include <cstdio>

namespace vorex::wb::iso {

namespace {

int NxpChip(const Uid& uid) {
    const uint8_t type = uid[5];
    const uint8_t sub = uid[4];
    switch (type) {
    case 1:
        switch ((sub >> 3) & 3) {
        case 1:
            return 247; // ICode SLIX2 S26
        case 2:
            return 246; // ICode SLIX S20
        default:
            return 235; // ICode SL2 ICS20
        }
    case 2:
        return (sub & 0x10) ? 248 : 236; // SLIX S53 / SL2 ICS53
    case 3:
        return (sub & 0x10) ? 249 : 237; // SLIX S50 / SL2 ICS50
    default:
        return 204; // ICode SL2
    }
}

int TiChip(const Uid& uid) {
    switch (uid[5]) {
    case 0x00:
    case 0x01:
    case 0x80:
    case 0x81:
        return 234; // TagIt HF-I Plus
    case 0xC4:
    case 0xC5:
        return 233; // TagIt HF-I Pro
    default:
        return 202; // TagIt HF-I
    }
}

} // namespace

int ChipNameId(const Uid& uid) {
    switch (uid[6]) {
    case 0x02:
        return 221;
    case 0x04:
        return NxpChip(uid);
    case 0x05:
        return 203;
    case 0x07:
        return TiChip(uid);
    case 0x08:
        return 222;
    case 0x16:
        return 219;
    case 0x17:
        return 223;
    case 0x39:
        return 243;
    default:
        return 205;
    }
}

uint64_t SerialValue(const Uid& uid) {
    uint64_t value = 0;
    for (int i = 5; i >= 0; --i)
        value = value << 8 | uid[static_cast<size_t>(i)];
    return value;
}

std::string SerialText(const Uid& uid) {
    char text[24];
    std::snprintf(text, sizeof text, "%012" PRIX64, SerialValue(uid));
    return text;
}

std::string UidText(const Uid& uid) {
    return wb::UidText({uid.begin(), uid.end()}, wb::UidOrder::LsbFirst);
}

const char* TagLogName(uint8_t manufacturer) {
    switch (manufacturer) {
    case 0x02:
        return " ISO15693 STM ";
    case 0x04:
        return " ISO15693 ICode ";
    case 0x05:
        return " ISO15693 My-D ";
    case 0x07:
        return " ISO15693 TagIt ";
    case 0x08:
        return " ISO 15693 Fujitsu ";
    case 0x16:
        return " ISO 15693 EM ";
    case 0x17:
        return " ISO 15693 KSW ";
    default:
        return " ISO15693 Chip unbekannt ";
    }
}

std::string TagLogLine(const std::string& time, uint8_t manufacturer, const Uid& uid) {
    return time + TagLogName(manufacturer) + "-> HEX - " + SerialText(uid) + "\r\n";
}

std::string MarkTagLogName(const std::string& fileName) {
    const std::string marker = " ISO15693";
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return fileName + marker + ".pos";
    if (fileName.find(marker) != std::string::npos)
        return fileName;
    return fileName.substr(0, dot) + marker + fileName.substr(dot);
}

} // namespace vorex::wb::iso
