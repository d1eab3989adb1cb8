// The MIFARE Classic workbench's side of saving and loading dump files. A save holds the
// sector on show (the rest of the card unknown), or after "Alle Sektoren lesen" the whole
// card read with the sector on show as it stands in the rows; a load takes
// the file's blocks of that sector into the data rows, selected for "Schreiben" and
// marked yellow. Block 0 and the trailer are never loaded: the trailer is written only
// through the access-condition editor.
#include "workbench/iso14443/ClassicSector.h"
#include "workbench/iso14443/Mifare1KDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>
#include <variant>

namespace vorex::wb::mfc {

namespace {
cards::mifare::ClassicSize SizeOf(bool layout1k) {
    return layout1k ? cards::mifare::ClassicSize::K1 : cards::mifare::ClassicSize::K4;
}
} // namespace

std::optional<dumps::DumpChip> CMifare1KDlg::ShownChip() const {
    const auto size = SizeOf(layout1k_);
    return dumps::DumpChip{dumps::Family::Classic,
                           "MIFARE Classic " + cards::mifare::SizeName(size),
                           static_cast<size_t>(cards::mifare::BlockCountOf(size)), 16};
}

std::optional<dumpfiles::TagDump> CMifare1KDlg::ShownDump() {
    TakeData();
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    dumps::Units rows(static_cast<size_t>(s.blocks));
    for (int r = 0; r < s.blocks; ++r)
        if (rowData_[static_cast<size_t>(r)].size() == 16)
            rows[static_cast<size_t>(r)] = rowData_[static_cast<size_t>(r)];
    const bool anyRow =
        std::any_of(rows.begin(), rows.end(), [](const auto& row) { return row.has_value(); });
    auto shown = dumps::ClassicSectorDumpOf(SizeOf(layout1k_), uid_, s.first, rows);
    // After "Alle Sektoren lesen" the dialog holds the whole card: the file holds every
    // sector read, with the keys that opened them and the card's own ATQA and SAK; the
    // rows on show (which may hold edits) take precedence for their sector.
    if (card_ && card_->dump.uid == uid_) {
        cards::mifare::ClassicMemory whole = cards::mifare::FromDump(card_->dump);
        if (whole.bytes.size() == shown.bytes.size()) {
            for (size_t i = 0; i < shown.bytes.size(); ++i)
                if (shown.bytes[i])
                    whole.bytes[i] = shown.bytes[i];
            return whole;
        }
    }
    if (!anyRow)
        return std::nullopt;
    return shown;
}

dumps::LoadPlan CMifare1KDlg::ShowDump(const dumpfiles::TagDump& dump) {
    const auto* memory = std::get_if<cards::mifare::ClassicMemory>(&dump);
    if (!memory)
        return {};
    TakeData();
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    const auto from = memory->bytes.begin() + static_cast<long>(memory->BlockOffset(s.first));
    const cards::MaybeBytes sector(from, from + 16L * s.blocks);
    dumps::LoadPlan plan = dumps::PlanLoad(
        sector, 16, [&](int r) { return r == s.trailerRow || IsManufacturerRow(r); });
    for (int r = 0; r < s.blocks; ++r) {
        const auto& loaded = plan.units[static_cast<size_t>(r)];
        rowSelected_[static_cast<size_t>(r)] = loaded.has_value();
        if (!loaded)
            continue;
        rowData_[static_cast<size_t>(r)] = *loaded;
        if (r < 15)
            valueMode_[static_cast<size_t>(r)] = false;
    }
    Refresh();
    for (int r = 0; r < s.blocks; ++r)
        if (plan.units[static_cast<size_t>(r)])
            MarkLoaded(rowEdit_[static_cast<size_t>(r)]);
    // The status names blocks of the card.
    for (auto* list : {&plan.unknown, &plan.kept})
        for (int& r : *list)
            r += s.first;
    return plan;
}

} // namespace vorex::wb::mfc
