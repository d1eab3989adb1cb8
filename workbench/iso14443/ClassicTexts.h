#pragma once
// String-table ids of the texts of the MIFARE Classic workbench and the key-store
// dialogs (German in resources/strings_de.tsv, English in resources/VorexProgrammerEng.ts).
// The comment after each id lists the values that fill %1, %2, ...
namespace vorex::wb::mfc {

// Writing and reading rows.
inline constexpr int kTextRowEmpty = 12500;
inline constexpr int kTextValueOutOfRange = 12501; // typed text
inline constexpr int kTextBlockProblem = 12515;    // block, cause
inline constexpr int kTextIncremented = 12516;     // block
inline constexpr int kTextDecremented = 12517;     // block
inline constexpr int kTextReadForbidden = 12518;   // block, key name

// Key-store dialogs.
inline constexpr int kTextKeysStored = 12502;   // count
inline constexpr int kTextKeyNotStored = 12503; // key name, index, reason
inline constexpr int kTextNoKeysToStore = 12504;

// Reading every sector.
inline constexpr int kTextReadAll = 12505;
inline constexpr int kTextCancel = 12506;
inline constexpr int kTextReadAllDone = 12507;      // UID, sectors opened, sectors
inline constexpr int kTextReadAllCancelled = 12508; // sectors read, sectors
inline constexpr int kTextReadAllStopped = 12509;   // sector, reason
inline constexpr int kTextCardLeft = 12510;
inline constexpr int kTextSectorRead = 12511;    // sector, keys
inline constexpr int kTextSectorPartly = 12512;  // sector, keys, blocks
inline constexpr int kTextSectorClosed = 12513;  // sector
inline constexpr int kTextSectorNotRead = 12514; // sector
inline constexpr int kTextTakeKnownKeys = 12519;

} // namespace vorex::wb::mfc
