// The ISO 15693 workbench's side of saving and loading dump files: the tag on the
// current tab as the grid shows it, and a loaded file's blocks as changed (yellow) cells
// that "Seite Schreiben" writes. Locked blocks and Infineon service blocks stay as read.
#include "ui/EditableListCtrl.h"
#include "workbench/common/BlockGridLayout.h"
#include "workbench/common/ByteText.h"
#include "workbench/common/CellText.h"
#include "workbench/iso15693/ISO15693Dlg.h"

#include <variant>

namespace vorex::wb::iso {

std::optional<dumps::DumpChip> CISO15693Dlg::ShownChip() const {
    const TagSlot& slot = CurrentSlot();
    if (tags_.empty() || currentIndex_ >= TagCount() || grid_->rowCount() == 0 ||
        storedText_.size() != slot.blockCount)
        return std::nullopt;
    return dumps::DumpChip{dumps::Family::Iso15693, dumps::Iso15693Type(slot.manufacturer),
                           slot.blockCount, slot.blockSize};
}

std::optional<dumpfiles::TagDump> CISO15693Dlg::ShownDump() {
    if (!ShownChip())
        return std::nullopt;
    const TagSlot& slot = CurrentSlot();
    const bool withStatus =
        ReadRequestFor(slot, static_cast<unsigned>(requestFlags_)).withSecurityStatus;
    dumps::Units blocks(slot.blockCount);
    std::vector<std::optional<bool>> locks(slot.blockCount);
    for (int block = 0; block < slot.blockCount; ++block) {
        const auto b = static_cast<size_t>(block);
        const GridCell at = CellOfBlock(block, slot.blocksPerRow);
        const std::string text = ByteString(grid_->CellText(at.row, at.column));
        std::vector<uint8_t> bytes;
        if (text.empty() || !TextToBlock(text, slot.blockSize, DisplayMode(), bytes))
            continue;
        blocks[b] = std::move(bytes);
        if (withStatus && !storedText_[b].isEmpty())
            locks[b] = b < lockState_.size() && IsLocked(lockState_[b]);
    }
    return dumps::Iso15693DumpOf(tags_[static_cast<size_t>(currentIndex_)], slot.blockSize, blocks,
                                 locks);
}

dumps::LoadPlan CISO15693Dlg::ShowDump(const dumpfiles::TagDump& dump) {
    const auto* memory = std::get_if<cards::iso15693::Iso15693Memory>(&dump);
    if (!memory)
        return {};
    const TagSlot& slot = CurrentSlot();
    const dumps::LoadPlan plan = dumps::PlanLoad(memory->bytes, slot.blockSize, [&](int block) {
        const auto b = static_cast<size_t>(block);
        return IsServiceBlock(slot, block) || (b < lockState_.size() && IsLocked(lockState_[b]));
    });
    for (size_t b = 0; b < plan.units.size(); ++b) {
        if (!plan.units[b])
            continue;
        const GridCell at = CellOfBlock(static_cast<int>(b), slot.blocksPerRow);
        grid_->SetCellText(
            at.row, at.column,
            FromByteString(BytesToText(*plan.units[b], slot.blockSize, kHex, kLsbFirst)));
    }
    grid_->viewport()->update();
    return plan;
}

} // namespace vorex::wb::iso
