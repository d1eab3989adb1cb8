#include "workbench/common/DumpUnits.h"

#include "cards/AccessConditions.h"

#include <algorithm>

namespace vorex::wb::dumps {

cards::MaybeBytes BytesOfUnits(const Units& units, size_t unitSize) {
    cards::MaybeBytes bytes(units.size() * unitSize);
    for (size_t u = 0; u < units.size(); ++u) {
        const auto& unit = units[u];
        if (!unit || unit->size() != unitSize)
            continue;
        std::copy(unit->begin(), unit->end(), bytes.begin() + static_cast<long>(u * unitSize));
    }
    return bytes;
}

int LoadPlan::Loaded() const {
    return static_cast<int>(std::count_if(units.begin(), units.end(),
                                          [](const auto& unit) { return unit.has_value(); }));
}

cards::iso15693::Iso15693Memory Iso15693DumpOf(const std::array<uint8_t, 8>& inventoryUid,
                                               int blockSize, const Units& blocks,
                                               const std::vector<std::optional<bool>>& locks) {
    cards::iso15693::Iso15693Memory m;
    m.uid.assign(inventoryUid.rbegin(), inventoryUid.rend());
    m.blockSize = blockSize;
    m.bytes = BytesOfUnits(blocks, static_cast<size_t>(blockSize));
    m.locks.assign(blocks.size(), std::nullopt);
    for (size_t b = 0; b < blocks.size() && b < locks.size(); ++b)
        if (blocks[b])
            m.locks[b] = locks[b];
    return m;
}

cards::type2::PageMemory PageDumpOf(const Units& pages) {
    cards::type2::PageMemory m;
    m.type = cards::type2::TypeForPages(pages.size());
    m.bytes = BytesOfUnits(pages, 4);
    return m;
}

cards::mifare::ClassicMemory ClassicSectorDumpOf(cards::mifare::ClassicSize size,
                                                 const std::vector<uint8_t>& uid, int firstBlock,
                                                 const Units& rows) {
    auto m = cards::mifare::ClassicMemory::Unknown(size);
    m.uid = uid;
    // The workbench takes only cards whose SAK fits its layout; their ATQA and SAK are
    // the standard ones of that size (7-byte UIDs set the double-size bit).
    if (!uid.empty()) {
        const bool k4 = size == cards::mifare::ClassicSize::K4;
        m.atqa = static_cast<uint16_t>((k4 ? 0x0002 : 0x0004) | (uid.size() == 7 ? 0x0040 : 0));
        m.sak = size == cards::mifare::ClassicSize::Mini ? 0x09 : k4 ? 0x18 : 0x08;
    }
    const int blocks = std::min(static_cast<int>(rows.size()), m.Blocks() - firstBlock);
    for (int r = 0; r < blocks && firstBlock >= 0; ++r) {
        const auto& row = rows[static_cast<size_t>(r)];
        if (!row || row->size() != 16)
            continue;
        const size_t at = m.BlockOffset(firstBlock + r);
        const bool trailer = r == blocks - 1;
        for (size_t i = 0; i < 16; ++i)
            m.bytes[at + i] = (*row)[i];
        if (!trailer)
            continue;
        for (size_t i = 0; i < 6; ++i)
            m.bytes[at + i].reset();
        const int condition = cards::mifare::TrailerCondition(row->data() + 6);
        if (!cards::mifare::AccessBitsConsistent(row->data() + 6) ||
            !cards::mifare::KeyBReadable(condition))
            for (size_t i = 10; i < 16; ++i)
                m.bytes[at + i].reset();
    }
    return m;
}

} // namespace vorex::wb::dumps
