#include "cards/ClassicGeometry.h"

namespace vorex::cards::mifare {

int SectorCount(bool is4k) {
    return is4k ? 40 : 16;
}
int BlockCount(bool is4k) {
    return is4k ? 256 : 64;
}
int FirstBlock(int sector) {
    return sector < 32 ? 4 * sector : 128 + 16 * (sector - 32);
}
int BlocksIn(int sector) {
    return sector < 32 ? 4 : 16;
}
int SectorOf(int block) {
    return block < 128 ? block / 4 : 32 + (block - 128) / 16;
}

int AccessGroupOf(int block) {
    const int sector = SectorOf(block);
    const int offset = block - FirstBlock(sector);
    if (block == TrailerOf(sector))
        return 3;
    return BlocksIn(sector) == 4 ? offset : offset / 5;
}

std::string CardTypeName(uint8_t sak) {
    switch (sak) {
    case 0x00:
        return "ultralight/type2";
    case 0x08:
    case 0x88:
        return "classic1k";
    case 0x18:
        return "classic4k";
    default:
        return "unknown";
    }
}

} // namespace vorex::cards::mifare
