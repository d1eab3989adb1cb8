#include "workbench/iso14443/ClassicSector.h"

#include "cards/ClassicGeometry.h"

namespace vorex::wb::mfc {

namespace geo = vorex::cards::mifare;

int TemplateRows(bool layout1k) {
    return layout1k ? 4 : 16;
}

int TemplateSectors(bool layout1k) {
    return geo::SectorCount(!layout1k);
}

Sector SectorOf(int sector, bool layout1k) {
    Sector s;
    s.first = geo::FirstBlock(sector);
    s.blocks = layout1k ? 4 : geo::BlocksIn(sector);
    s.trailerRow = s.blocks - 1;
    return s;
}

std::string LabelPrefix(const std::string& text) {
    return text.substr(0, text.find(' '));
}

std::string RowLabel(const std::string& prefix, const Sector& s, int row) {
    return prefix + " " + std::to_string(s.first + row);
}

std::array<std::string, 3> GroupLabels(const std::string& prefix, const Sector& s) {
    std::array<std::string, 3> labels;
    for (int g = 0; g < 3; ++g) {
        if (s.blocks == 16) {
            const int from = s.first + 5 * g;
            labels[static_cast<size_t>(g)] =
                prefix + " " + std::to_string(from) + " - " + std::to_string(from + 4);
        } else {
            labels[static_cast<size_t>(g)] = prefix + " " + std::to_string(s.first + g);
        }
    }
    return labels;
}

int RowTextLimit(bool trailerRow, bool valueMode, int displayMode, int byteOrder) {
    if (trailerRow)
        return 47;
    if (valueMode)
        return 11;
    if (displayMode == 0)
        return byteOrder != 0 ? 47 : 32;
    return 20;
}

int SakStatusId(unsigned sak, bool layout1k) {
    switch (sak) {
    case 0x08:
    case 0x88:
        return layout1k ? 0 : 238;
    case 0x18:
        return layout1k ? 239 : 0;
    case 0x00:
        return 240;
    default:
        return 241;
    }
}

} // namespace vorex::wb::mfc
