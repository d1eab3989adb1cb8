// The MIFARE Ultralight workbench's side of saving and loading dump files: its 16 pages,
// pages not read unknown; a load takes pages 4..15 into their edits, selected for
// "Schreiben" and marked yellow (pages 0..3 are never written).
#include "cards/PageMemory.h"
#include "workbench/iso14443/MifareUltralightDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>
#include <variant>

namespace vorex::wb::nfc {

std::optional<dumps::DumpChip> CMifareUltralightDlg::ShownChip() const {
    return dumps::DumpChip{dumps::Family::Pages, cards::type2::TypeForPages(kUltralightPages),
                           kUltralightPages, 4};
}

std::optional<dumpfiles::TagDump> CMifareUltralightDlg::ShownDump() {
    TakeData();
    // Empty pages (not read) become unknown bytes.
    dumps::Units pages;
    for (int p = 0; p < kUltralightPages; ++p)
        pages.emplace_back(pages_.Data(p));
    if (std::all_of(pages.begin(), pages.end(), [](const auto& page) { return page->empty(); }))
        return std::nullopt;
    return dumps::PageDumpOf(pages);
}

dumps::LoadPlan CMifareUltralightDlg::ShowDump(const dumpfiles::TagDump& dump) {
    const auto* memory = std::get_if<cards::type2::PageMemory>(&dump);
    if (!memory)
        return {};
    TakeData();
    const dumps::LoadPlan plan =
        dumps::PlanLoad(memory->bytes, 4, [](int page) { return page < kFirstWritablePage; });
    for (int p = kFirstWritablePage; p < kUltralightPages; ++p) {
        const auto& loaded = plan.units[static_cast<size_t>(p)];
        selected_[static_cast<size_t>(p)]->setChecked(loaded.has_value());
        if (loaded)
            pages_.Set(p, *loaded);
    }
    Refresh();
    for (int p = kFirstWritablePage; p < kUltralightPages; ++p)
        if (plan.units[static_cast<size_t>(p)])
            MarkLoaded(texts_[static_cast<size_t>(p)]);
    return plan;
}

} // namespace vorex::wb::nfc
