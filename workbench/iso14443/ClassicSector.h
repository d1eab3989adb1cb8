#pragma once
// Layout rules of the MIFARE Classic workbench: one class serves the 1K template (four
// rows, 16 sector tabs) and the 4K template (sixteen rows, 40 sector tabs, 16-block
// sectors from sector 32 on). Rows are the blocks of the current sector; the last
// block of the sector is the trailer row.
#include <array>
#include <string>

namespace vorex::wb::mfc {

// Template ids of the two layouts.
inline constexpr int kTemplate1K = 225;
inline constexpr int kTemplate4K = 226;

int TemplateRows(bool layout1k);
int TemplateSectors(bool layout1k);

struct Sector {
    int first = 0;      // absolute block of row 0
    int blocks = 4;     // rows the sector uses
    int trailerRow = 3; // its last row
};
// The sector's geometry in the layout (16-block sectors only in the 4K layout).
Sector SectorOf(int sector, bool layout1k);

// The first word of a check-box text ("Block 0" -> "Block").
std::string LabelPrefix(const std::string& text);
// Label of a data row: prefix + " " + its absolute block.
std::string RowLabel(const std::string& prefix, const Sector& s, int row);
// Labels of the three data access groups: single blocks in 4-block sectors, ranges
// "f - f+4", "f+5 - f+9", "f+10 - f+14" in 16-block sectors.
std::array<std::string, 3> GroupLabels(const std::string& prefix, const Sector& s);

// Text limit of a row's edit.
int RowTextLimit(bool trailerRow, bool valueMode, int displayMode, int byteOrder);

// Status text id for a select answer's SAK on this layout: 0 when the card fits,
// 238 (a 1K card on the 4K layout), 239 (a 4K card on the 1K layout), 240 (SAK 00,
// Ultralight) or 241 (unknown chip, shown with the SAK).
int SakStatusId(unsigned sak, bool layout1k);

} // namespace vorex::wb::mfc
