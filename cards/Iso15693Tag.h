#pragma once
// Whole ISO 15693 tags through the VOREX_ calls of an open connection `handle`: the
// memory layout, reading every block with its lock state, writing blocks back with
// read-back verification, and the JSON dump format.
#include "cards/CardTypes.h"
#include "cards/Iso15693Rules.h"

#include <functional>
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
// VOREX_GetLastError). `progress` gets (blocks read, block count). `cancelled` is
// asked between two requests; when it says yes the read stops there and returns false
// with `failedBlock` the first block not read (the blocks read so far stay in `blocks`).
bool ReadAllBlocks(int handle, const TagAddress& tag, const Layout& layout,
                   std::vector<BlockRead>& blocks, int& failedBlock, const Progress& progress = {},
                   int chunk = 0, const std::function<bool()>& cancelled = {});

// JSON dump: {"uid" (MSB first), "manufacturer", "block_count", "block_size",
// "blocks": [{"block", "data" (hex), "locked" (true, false or null)}]}.
std::string DumpToJson(const std::string& uidText, const Layout& layout,
                       const std::vector<BlockRead>& blocks);
// Reads a dump's blocks (block number -> bytes). False with `error` when the text is
// no such dump or a block entry is invalid or repeated; never throws.
// `uid` (when given) gets the dump's "uid" text, or "".
bool ParseDump(const std::string& content, std::map<int, std::vector<uint8_t>>& blocks,
               std::string& error, std::string* uid = nullptr);
// The first block of the dump that the tag does not have or whose size differs, or -1.
int FirstMisfit(const std::map<int, std::vector<uint8_t>>& blocks, const Layout& layout);

// True for engine errors that mean the reader is gone (no answer in time, nothing
// received, a connection that no longer exists) or the addressed tag no longer
// answers (no transponder): a procedure over many blocks stops there.
bool ReaderOrTagGone(int error);

// Writes the blocks of a dump that differ from the tag and reads each back. A block
// that fails is listed and the next one is tried; the procedure stops at once when the
// reader or the tag is gone (`stoppedAt`). For stage "read", "write" and "verify-read"
// `error` holds the engine error; for "verify" `readBack` holds what the block reads
// after the write.
struct BlockFailure {
    int block = 0;
    std::string stage;
    int error = 0;
    std::vector<uint8_t> readBack;
};
struct WriteResult {
    int written = 0;
    int unchanged = 0;
    std::vector<int> writtenBlocks;
    std::vector<BlockFailure> failed;
    int stoppedAt = -1; // the block at which the reader or the tag went away, or -1

    bool Ok() const { return failed.empty() && stoppedAt < 0; }
};
WriteResult WriteBlocks(int handle, const TagAddress& tag, const Layout& layout,
                        const std::map<int, std::vector<uint8_t>>& blocks,
                        const Progress& progress = {});

// Locks blocks from..to for good, in order, after checking that the tag has all of
// them: from the layout when the tag reports one (`layout` with blocks > 0), else by
// reading block `to`. Nothing is locked when the check fails (`refused` says why).
// Stops at the first lock that fails (`failedBlock`, `error`); `locked` lists the
// blocks locked before.
struct LockResult {
    std::vector<int> locked;
    std::string refused;
    int failedBlock = -1;
    int error = 0;

    bool Ok() const { return refused.empty() && failedBlock < 0; }
};
LockResult LockBlocks(int handle, const TagAddress& tag, const Layout& layout, int from, int to);

} // namespace vorex::cards::iso15693
