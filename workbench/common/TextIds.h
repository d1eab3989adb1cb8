#pragma once
// String-table ids of the texts the workbench rules hand to the dialogs (German in
// resources/strings_de.tsv, English in resources/VorexProgrammerEng.ts). The comment
// after each id lists the values that fill %1, %2, ...
namespace vorex::wb {

inline constexpr int kTextWriteSucceeded = 199; // "Schreibvorgang erfolgreich beendet"

// Card binding.
inline constexpr int kTextBoundCardMissing = 12300; // shown UID
inline constexpr int kTextOtherCardInField = 12301; // shown UID, UID in the field
inline constexpr int kTextNoCardInField = 12302;

// Writes of several blocks or pages.
inline constexpr int kTextWriteBlockFailed = 12303;   // block, cause
inline constexpr int kTextWritePageFailed = 12304;    // page, cause
inline constexpr int kTextWriteBlocksSummary = 12305; // failed, tried, lines
inline constexpr int kTextWritePagesSummary = 12306;  // failed, tried, lines

// Unwritten edits.
inline constexpr int kTextDiscardOneBlock = 12307; // block
inline constexpr int kTextDiscardBlocks = 12308;   // count, blocks
inline constexpr int kTextDiscardOnePage = 12309;  // page
inline constexpr int kTextDiscardPages = 12310;    // count, pages

// ASCII texts.
inline constexpr int kTextNoSingleByteCode = 12311; // character, U+XXXX, position

// MIFARE Classic trailer.
inline constexpr int kTextTrailerKeyMissing = 12312;    // key name, sector
inline constexpr int kTextTrailerKeyNotHex = 12313;     // key name, sector, text
inline constexpr int kTextTrailerAccessUnknown = 12314; // sector
inline constexpr int kTextTrailerHead = 12315;          // sector, block, 16 bytes
inline constexpr int kTextTrailerDataRights = 12316;    // blocks, read, write, inc., dec.
inline constexpr int kTextTrailerOwnRights = 12317;     // six holders
inline constexpr int kTextTrailerKeyFrozen = 12318;     // key name
inline constexpr int kTextTrailerAccessFrozen = 12319;
inline constexpr int kTextTrailerQuestion = 12320;

// ISO 15693 tag log.
inline constexpr int kTextTagLogFolderFailed = 12321; // folder, reason
inline constexpr int kTextTagLogOpenFailed = 12322;   // file, reason
inline constexpr int kTextTagLogWriteFailed = 12323;  // file, reason
inline constexpr int kTextTagLogNoFolder = 12324;

} // namespace vorex::wb
