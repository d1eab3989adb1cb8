#pragma once
// String-table ids of the ISO 15693 workbench's own texts (German in
// resources/strings_de.tsv, English in resources/VorexProgrammerEng.ts). The comment
// after each id lists the values that fill %1, %2, ...
namespace vorex::wb::iso {

inline constexpr int kTextReadCancelled = 12400;     // blocks read, block count
inline constexpr int kTextWriteCancelled = 12401;    // blocks tried, blocks to write
inline constexpr int kTextOneSubcarrierTags = 12402; // count, UIDs

} // namespace vorex::wb::iso
