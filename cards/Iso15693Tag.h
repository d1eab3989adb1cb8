#pragma once
// Whole ISO 15693 tags through the VOREX_ calls of an open connection `handle`: the
// memory layout, reading every block with its lock state, writing blocks back with
// read-back verification, and the JSON dump format.
#include "cards/CardTypes.h"
#include "cards/Iso15693Rules.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorex::cards::iso15693 {

constexpr unsigned kOptionFlag = 0x40;
constexpr unsigned kInfineon = 0x100;
constexpr int kManufacturerInfineon = 0x05;

// The tag a procedure talks to: its UID (8 bytes, least significant first, as the
// VOREX_ calls take it; empty = unaddressed) and the engine flags given by the user.
struct TagAddress {
    std::vector<uint8_t> uid;
    unsigned flags = 0;

    int UidLength() const { return uid.empty() ? 0 : 8; }
};

struct Layout {
    int blocks = 0;
    int blockSize = 0;
    int manufacturer = -1;
    unsigned readFlags = 0; // the address's flags, plus what the tag needs to be read
};

// Block count, block size and manufacturer from the system information. Tags of more
// than 256 blocks are read with the protocol extension flag (NeedsProtocolExtension).
// False when the call failed (VOREX_GetLastError) or named no memory.
bool GetLayout(int handle, const TagAddress& tag, Layout& layout);

struct BlockRead {
    std::vector<uint8_t> data;
    std::optional<bool> locked; // nothing when the tag reports no security status
};

// One block with its security status when the tag reports one.
bool ReadBlockWithStatus(int handle, int block, const TagAddress& tag, const Layout& layout,
                         BlockRead& out);
// One block as the tag answers it, with `flags` (no security status unless asked).
bool ReadBlock(int handle, int block, const TagAddress& tag, unsigned flags, size_t size,
               std::vector<uint8_t>& data);

// Every block of the tag with its lock state. Uses Read Multiple Blocks in chunks of
// up to `chunk` blocks (as many as fit the reader's 254-byte answer by default) where
// the tag answers it; Infineon tags and tags or readers that refuse it are read block
// by block. False at the first block that cannot be read (`failedBlock`, reason in
// VOREX_GetLastError). `progress` gets (blocks read, block count).
bool ReadAllBlocks(int handle, const TagAddress& tag, const Layout& layout,
                   std::vector<BlockRead>& blocks, int& failedBlock, const Progress& progress = {},
                   int chunk = 0);

// JSON dump: {"uid" (MSB first), "manufacturer", "block_count", "block_size",
// "blocks": [{"block", "data" (hex), "locked" (true, false or null)}]}.
std::string DumpToJson(const std::string& uidText, const Layout& layout,
                       const std::vector<BlockRead>& blocks);
// Reads a dump's blocks (block number -> bytes). False with `error` when the text is
// no such dump or a block entry is invalid or repeated; never throws.
bool ParseDump(const std::string& content, std::map<int, std::vector<uint8_t>>& blocks,
               std::string& error);
// The first block of the dump that the tag does not have or whose size differs, or -1.
int FirstMisfit(const std::map<int, std::vector<uint8_t>>& blocks, const Layout& layout);

// Writes the blocks of a dump that differ from the tag and reads each back. Stops at
// the first problem: `failedBlock` and `stage` ("read", "write", "verify"; for the
// first two VOREX_GetLastError has the reason; for "verify" `readBack` holds what the
// block reads after the write).
struct WriteResult {
    int written = 0;
    int unchanged = 0;
    int failedBlock = -1;
    std::string stage;
    std::vector<uint8_t> readBack;

    bool Ok() const { return failedBlock < 0; }
};
WriteResult WriteBlocks(int handle, const TagAddress& tag, const Layout& layout,
                        const std::map<int, std::vector<uint8_t>>& blocks,
                        const Progress& progress = {});

} // namespace vorex::cards::iso15693
