#pragma once
// The range of blocks the operator chooses to lock: the stored range is lowered to the
// tag's highest block; "Alle" locks every block.

namespace vorex::wb::iso {

struct BlockRange {
    unsigned from = 0;
    unsigned to = 0;
    bool operator==(const BlockRange&) const = default;
};

// The stored range as the dialog opens it: each end lowered to highest.
BlockRange ClampStoredRange(unsigned from, unsigned to, unsigned highest);

// The blocks to lock: the range for "Blöcke" (mode 0), every block for "Alle".
BlockRange BlocksToLock(int mode, BlockRange chosen, int blockCount);

} // namespace vorex::wb::iso
