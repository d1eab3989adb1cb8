#include "production/ChipCatalog.h"

namespace vorex::production {

const std::vector<Chip>& Chips() {
    static const std::vector<Chip> chips = {
        {"NTAG210", Family::Ntag, 4, 15, 4, 0x10},
        {"NTAG212", Family::Ntag, 4, 35, 4, 0x25},
        {"NTAG213", Family::Ntag, 4, 39, 4, 0x29},
        {"NTAG215", Family::Ntag, 4, 129, 4, 0x83},
        {"NTAG216", Family::Ntag, 4, 225, 4, 0xE3},
        {"ULTRALIGHT", Family::Ntag, 4, 15, 4, 0},
        {"ULTRALIGHT_EV1_48", Family::Ntag, 4, 15, 4, 0x10},
        {"ULTRALIGHT_EV1_128", Family::Ntag, 4, 35, 4, 0x25},
        {"MIFARE_CLASSIC_MINI", Family::Classic, 0, 4, 16, 0},
        {"MIFARE_CLASSIC_1K", Family::Classic, 0, 15, 16, 0},
        {"MIFARE_CLASSIC_4K", Family::Classic, 0, 39, 16, 0},
        {"ICODE_SLIX", Family::Iso15693, 0, 27, 4, 0},
        {"ICODE_SLIX_S", Family::Iso15693, 0, 39, 4, 0},
        {"ICODE_SLIX_L", Family::Iso15693, 0, 7, 4, 0},
        {"ICODE_SLIX2", Family::Iso15693, 0, 79, 4, 0},
        {"TAGIT_HFI_PLUS", Family::Iso15693, 0, 63, 4, 0},
    };
    return chips;
}

std::optional<Chip> FindChip(const std::string& name) {
    for (const Chip& chip : Chips())
        if (name == chip.name)
            return chip;
    return std::nullopt;
}

std::optional<Family> FamilyByName(const std::string& name) {
    for (Family f : {Family::Ntag, Family::Classic, Family::Iso15693})
        if (name == FamilyName(f))
            return f;
    return std::nullopt;
}

const char* FamilyName(Family family) {
    switch (family) {
    case Family::Ntag:
        return "ntag";
    case Family::Classic:
        return "mifare_classic";
    case Family::Iso15693:
        return "iso15693";
    }
    return "";
}

int ClassicBlocksInSector(int sector) {
    return sector < 32 ? 4 : 16;
}

int ClassicFirstBlock(int sector) {
    return sector < 32 ? sector * 4 : 128 + (sector - 32) * 16;
}

} // namespace vorex::production
