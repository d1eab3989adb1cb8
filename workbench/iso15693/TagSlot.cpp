#include "workbench/iso15693/TagSlot.h"

#include <algorithm>

namespace vorex::wb::iso {

namespace {
constexpr unsigned kOptionFlag = 0x40;
constexpr uint8_t kInfineon = 5;
} // namespace

std::vector<Uid> SplitInventory(const uint8_t* answer, int count) {
    std::vector<Uid> uids;
    if (!answer)
        return uids;
    for (int at = 0; at + kInventoryRecord <= count; at += kInventoryRecord) {
        if ((answer[at] & 0x0F) != 0)
            continue;
        Uid uid{};
        std::copy(answer + at + 3, answer + at + kInventoryRecord, uid.begin());
        uids.push_back(uid);
    }
    return uids;
}

int BlocksPerRow(int availableWidth, int blockSize) {
    if (blockSize <= 0)
        return 1;
    const int n = std::max(availableWidth, 0) / (blockSize * 24);
    if (blockSize >= 16)
        return std::max(n, 1);
    int perRow = 1;
    for (int candidate : {2, 4, 8, 16, 32})
        if (candidate <= n)
            perRow = candidate;
    return perRow;
}

ReadRequest ReadRequestFor(const TagSlot& slot, unsigned requestFlags) {
    ReadRequest r;
    r.withSecurityStatus = slot.manufacturer != kInfineon;
    r.flags = requestFlags | (r.withSecurityStatus ? kOptionFlag : 0);
    r.expected = slot.blockSize + (r.withSecurityStatus ? 1 : 0);
    if (cards::iso15693::NeedsProtocolExtension(slot.blockCount))
        r.flags |= cards::iso15693::kProtocolExtension;
    return r;
}

unsigned WriteFlagsFor(const TagSlot& slot, unsigned requestFlags) {
    return requestFlags | (cards::iso15693::NeedsProtocolExtension(slot.blockCount)
                               ? cards::iso15693::kProtocolExtension
                               : 0);
}

bool IsServiceBlock(const TagSlot& slot, int block) {
    return slot.manufacturer == kInfineon && block < 3;
}

} // namespace vorex::wb::iso
