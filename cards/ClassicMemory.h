#pragma once
// A MIFARE Classic card's memory as dump files hold it: Mini (5 sectors), 1K (16), 2K
// (32) or 4K (40), every byte known or unknown. The keys and access bytes of a sector
// are the bytes of its trailer: Key A 0-5, access bytes 6-9 (with the user byte), Key B
// 10-15.
#include "cards/CardTypes.h"
#include "cards/ClassicDump.h"
#include "cards/MaybeBytes.h"

#include <optional>
#include <string>
#include <vector>

namespace vorex::cards::mifare {

enum class ClassicSize { Mini, K1, K2, K4 };

int BlockCountOf(ClassicSize size);  // 20, 64, 128, 256
int SectorCountOf(ClassicSize size); // 5, 16, 32, 40
// The size with that many blocks, if any.
std::optional<ClassicSize> SizeWithBlocks(size_t blocks);
// "MINI", "1K", "2K", "4K".
std::string SizeName(ClassicSize size);
std::optional<ClassicSize> SizeNamed(const std::string& name);

struct ClassicMemory {
    ClassicSize size = ClassicSize::K1;
    MaybeBytes bytes;             // 16 per block
    std::vector<uint8_t> uid;     // empty when unknown
    std::optional<uint16_t> atqa; // the value (0x0004 for a 1K; on air 04 00)
    std::optional<uint8_t> sak;

    // A memory of that size with every byte unknown.
    static ClassicMemory Unknown(ClassicSize size);

    int Blocks() const { return BlockCountOf(size); }
    int Sectors() const { return SectorCountOf(size); }
    size_t BlockOffset(int block) const { return static_cast<size_t>(block) * 16; }
    bool BlockKnown(int block) const { return AllKnown(bytes, BlockOffset(block), 16); }
    std::optional<Key> KeyA(int sector) const;
    std::optional<Key> KeyB(int sector) const;
    // Access bytes 6-8 and the user byte, when known.
    std::optional<std::vector<uint8_t>> AccessBytes(int sector) const;

    bool operator==(const ClassicMemory&) const = default;
};

// A UID and the check byte of block 0: the 4-byte UID when its BCC (byte 4) fits.
std::optional<std::vector<uint8_t>> FourByteUid(const ClassicMemory& m);

// From the dump procedures' form: a block read is known; a trailer's keys are known
// only when the dump knows them (cards read Key A as zeros); a dump without key list
// (binary) keeps every byte of a read trailer.
ClassicMemory FromDump(const ClassicDump& dump);
// To the form the restore procedure writes: a block is there only when all 16 bytes
// are known; known keys go to the key list. Only 1K and 4K cards have that form.
std::optional<ClassicDump> ToDump(const ClassicMemory& m);

} // namespace vorex::cards::mifare
