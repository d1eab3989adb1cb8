#pragma once
// The ISO 15693 workbench's view of one found tag and the request details that follow
// from it: how the inventory answer splits into UIDs, how many blocks a grid row
// shows, and the flags and answer length of block reads and writes.
#include "cards/Iso15693Rules.h"
#include "workbench/iso15693/TagNaming.h"

#include <cstdint>
#include <vector>

namespace vorex::wb::iso {

constexpr int kMaxTags = 16;
constexpr int kInventoryRecord = 11;
constexpr int kInventoryCapacity = kMaxTags * kInventoryRecord; // 176 bytes

struct TagSlot {
    uint8_t manufacturer = 0;
    uint8_t blockSize = 4;
    uint8_t blocksPerRow = 4;
    uint16_t blockCount = 64;
};

// The UIDs of the records of an inventory answer (slot status, response flags, DSFID,
// UID): records whose slot status has its low four bits 0; a partial record at the end
// is left out.
std::vector<Uid> SplitInventory(const uint8_t* answer, int count);

// Blocks per grid row for a grid whose usable width (client width minus scroll bar
// minus the 100-pixel label column) is availableWidth: 24 pixels per byte; below 16
// bytes per block a power of two up to 32, else as many as fit; at least 1.
int BlocksPerRow(int availableWidth, int blockSize);

// A block read: flags, answer length, and whether the answer starts with the block
// security status (option flag). Infineon tags (manufacturer 5) are read without the
// option flag; tags with more than 256 blocks need the protocol extension flag
// (cards::iso15693::NeedsProtocolExtension).
struct ReadRequest {
    unsigned flags = 0;
    int expected = 0;
    bool withSecurityStatus = false;
};
ReadRequest ReadRequestFor(const TagSlot& slot, unsigned requestFlags);
unsigned WriteFlagsFor(const TagSlot& slot, unsigned requestFlags);
// Infineon my-d tags keep read-only service data in blocks 0..2.
bool IsServiceBlock(const TagSlot& slot, int block);
// The lock rule of a block security status is the card library's.
using cards::iso15693::IsLocked;

} // namespace vorex::wb::iso
