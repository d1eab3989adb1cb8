#pragma once
// The blocks or pages a workbench shows, as dump files hold them. A workbench shows a
// unit (block, page) whole or not at all; a file's unit may have unknown bytes. Saving
// turns what is shown into a tag-memory model, units not shown becoming unknown bytes;
// loading picks the units of a file that the workbench can show as edited cells.
#include "cards/ClassicMemory.h"
#include "cards/Iso15693Memory.h"
#include "cards/PageMemory.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace vorex::wb::dumps {

using Bytes = std::vector<uint8_t>;
// Per unit the bytes shown, or nothing.
using Units = std::vector<std::optional<Bytes>>;

// Known bytes for the shown units, unknown ones for the rest; a unit of another size
// than unitSize counts as not shown.
cards::MaybeBytes BytesOfUnits(const Units& units, size_t unitSize);

// What a load puts into the cells: per unit of the file the bytes to show as edited, or
// nothing for a unit that stays as the workbench shows it.
struct LoadPlan {
    Units units;
    std::vector<int> unknown; // units with unknown bytes in the file
    std::vector<int> kept;    // units the workbench never writes (fixed, locked, trailer)
    int Loaded() const;
};
// keep(unit) says which units stay as shown whatever the file holds.
template <typename Keep>
LoadPlan PlanLoad(const cards::MaybeBytes& bytes, size_t unitSize, Keep keep);

// ISO 15693: the UID as the inventory answers it (least significant byte first), the
// blocks shown and per block its lock state when read (none when the tag was read
// without the security status).
cards::iso15693::Iso15693Memory Iso15693DumpOf(const std::array<uint8_t, 8>& inventoryUid,
                                               int blockSize, const Units& blocks,
                                               const std::vector<std::optional<bool>>& locks);

// Ultralight / NTAG: the pages shown; the chip named from the page count.
cards::type2::PageMemory PageDumpOf(const Units& pages);

// MIFARE Classic: the rows of one sector as a card of that size; with a UID the ATQA
// and SAK of that size. Key A of a trailer is
// unknown (cards read it as zeros); Key B is known only where the access bits let the
// card show it.
cards::mifare::ClassicMemory ClassicSectorDumpOf(cards::mifare::ClassicSize size,
                                                 const std::vector<uint8_t>& uid, int firstBlock,
                                                 const Units& rows);

// ---- template definition ----

template <typename Keep>
LoadPlan PlanLoad(const cards::MaybeBytes& bytes, size_t unitSize, Keep keep) {
    LoadPlan plan;
    if (unitSize == 0)
        return plan;
    const size_t count = bytes.size() / unitSize;
    plan.units.resize(count);
    for (size_t u = 0; u < count; ++u) {
        const int unit = static_cast<int>(u);
        if (keep(unit)) {
            plan.kept.push_back(unit);
            continue;
        }
        if (auto values = cards::Values(bytes, u * unitSize, unitSize))
            plan.units[u] = std::move(*values);
        else
            plan.unknown.push_back(unit);
    }
    return plan;
}

} // namespace vorex::wb::dumps
