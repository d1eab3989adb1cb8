#pragma once
// MIFARE Classic memory layout: 1K cards have 16 sectors of 4 blocks, 4K cards 32
// sectors of 4 blocks and then 8 sectors of 16 blocks. The last block of a sector is
// its trailer (Key A, access bytes, user byte, Key B). Also the card kind a select
// answer's SAK names.
#include <cstdint>
#include <string>

namespace vorex::cards::mifare {

int SectorCount(bool is4k);
int BlockCount(bool is4k);
int FirstBlock(int sector);
int BlocksIn(int sector);
inline int TrailerOf(int sector) {
    return FirstBlock(sector) + BlocksIn(sector) - 1;
}
int SectorOf(int block);
inline bool IsTrailer(int block) {
    return block == TrailerOf(SectorOf(block));
}
// Access group of a block: 0, 1, 2 for the data blocks (blocks 0-4, 5-9, 10-14 of a
// 16-block sector), 3 for the trailer.
int AccessGroupOf(int block);

// Card kind of a SAK: "ultralight/type2" (00), "classic1k" (08, 88), "classic4k" (18),
// else "unknown".
std::string CardTypeName(uint8_t sak);
inline bool IsClassic(uint8_t sak) {
    return sak == 0x08 || sak == 0x88 || sak == 0x18;
}
inline bool IsClassic4k(uint8_t sak) {
    return sak == 0x18;
}

} // namespace vorex::cards::mifare
