#pragma once
// String-table ids of the texts of saving and loading dump files in the workbenches
// (German in resources/strings_de.tsv, English in resources/VorexProgrammerEng.ts). The
// comment after each id lists the values that fill %1, %2, ...
namespace vorex::wb {

inline constexpr int kTextDumpNothingShown = 12800;
inline constexpr int kTextDumpNoChipShown = 12801;
inline constexpr int kTextDumpAskFill = 12802; // unknown bytes, format
inline constexpr int kTextDumpNotSaved = 12803;
inline constexpr int kTextDumpSaveFailed = 12804;   // file, reason
inline constexpr int kTextDumpSaved = 12805;        // file, format
inline constexpr int kTextDumpFilled = 12806;       // bytes
inline constexpr int kTextDumpLoadFailed = 12807;   // file, reason
inline constexpr int kTextDumpOtherChip = 12808;    // file, chip of the file, chip shown
inline constexpr int kTextDumpLoaded = 12809;       // file, blocks or pages
inline constexpr int kTextDumpUnknownUnits = 12810; // blocks or pages
inline constexpr int kTextDumpKeptUnits = 12811;    // blocks or pages
inline constexpr int kTextDumpCyclicRunning = 12812;
inline constexpr int kTextDumpBinary = 12813;
inline constexpr int kTextDumpOwn = 12814;
inline constexpr int kTextDumpAllFiles = 12815;
inline constexpr int kTextDumpSave = 12816;
inline constexpr int kTextDumpLoad = 12817;
inline constexpr int kTextDumpHexOnly = 12818;

} // namespace vorex::wb
