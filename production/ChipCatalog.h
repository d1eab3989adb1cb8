#pragma once
// The chips a job may accept, by family, with the memory a job may write: user pages of
// NFC Type 2 tags (and where their configuration pages start), sectors of MIFARE
// Classic cards, blocks of ISO 15693 tags.
#include <optional>
#include <string>
#include <vector>

namespace vorex::production {

enum class Family { Ntag, Classic, Iso15693 };

struct Chip {
    const char* name;
    Family family;
    // Type 2: user pages firstUnit..lastUnit of 4 bytes; configPage 0 = no password.
    // Classic: sectors 0..lastUnit (4 blocks each below sector 32, 16 above).
    // ISO 15693: blocks 0..lastUnit of unitSize bytes.
    int firstUnit;
    int lastUnit;
    int unitSize;
    int configPage;
};

const std::vector<Chip>& Chips();
std::optional<Chip> FindChip(const std::string& name);
std::optional<Family> FamilyByName(const std::string& name);
const char* FamilyName(Family family);

// Classic geometry: blocks in a sector and the sector's first absolute block.
int ClassicBlocksInSector(int sector);
int ClassicFirstBlock(int sector);

} // namespace vorex::production
