// The NFC Type 2 workbench's side of saving and loading dump files: the pages read (up
// to the first page the tag refused) as the grid shows them; a load puts the file's
// pages 4 and up into the grid as changed (yellow) cells that "Schreiben" writes.
#include "cards/PageMemory.h"
#include "workbench/common/ByteText.h"
#include "workbench/iso14443/NFCType2Dlg.h"

#include <variant>

namespace vorex::wb::nfc {

namespace {
int PagesRead(const Type2Memory& memory) {
    return static_cast<int>(memory.TagBytes().size() / kBytesPerPage);
}
} // namespace

std::optional<dumps::DumpChip> CNFCType2Dlg::ShownChip() const {
    const int pages = PagesRead(memory_);
    if (pages == 0)
        return std::nullopt;
    return dumps::DumpChip{dumps::Family::Pages,
                           cards::type2::TypeForPages(static_cast<size_t>(pages)),
                           static_cast<size_t>(pages), kBytesPerPage};
}

std::optional<dumpfiles::TagDump> CNFCType2Dlg::ShownDump() {
    if (!ShownChip())
        return std::nullopt;
    TakeData();
    dumps::Units pages;
    for (int p = 0; p < PagesRead(memory_); ++p)
        pages.emplace_back(memory_.Current(p));
    return dumps::PageDumpOf(pages);
}

dumps::LoadPlan CNFCType2Dlg::ShowDump(const dumpfiles::TagDump& dump) {
    const auto* memory = std::get_if<cards::type2::PageMemory>(&dump);
    if (!memory)
        return {};
    TakeData();
    const dumps::LoadPlan plan =
        dumps::PlanLoad(memory->bytes, kBytesPerPage, [](int page) { return page < kFixedPages; });
    for (size_t p = 0; p < plan.units.size(); ++p)
        if (plan.units[p])
            memory_.Take(static_cast<int>(p),
                         BytesToText(*plan.units[p], kBytesPerPage, kHex, kLsbFirst), kHex,
                         kLsbFirst);
    Refresh();
    return plan;
}

} // namespace vorex::wb::nfc
