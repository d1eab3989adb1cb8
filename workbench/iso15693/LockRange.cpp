#include "workbench/iso15693/LockRange.h"

#include <algorithm>

namespace vorex::wb::iso {

BlockRange ClampStoredRange(unsigned from, unsigned to, unsigned highest) {
    return {std::min(from, highest), std::min(to, highest)};
}

BlockRange BlocksToLock(int mode, BlockRange chosen, int blockCount) {
    if (mode == 1)
        return {0, static_cast<unsigned>(std::max(blockCount - 1, 0))};
    return chosen;
}

} // namespace vorex::wb::iso
