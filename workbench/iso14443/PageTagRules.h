#pragma once
// Rules the MIFARE Ultralight and NFC Type 2 workbenches share and that need no widget:
// which cards the select answer refuses, the chip maker named by the UID, the label of a
// grid row of four pages, and which engine error's text a failed page write shows.
#include "workbench/common/TextRef.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorex::wb::nfc {

// Status text for a card that is no page tag: 238 (MIFARE 1K, SAK 08/88), 239 (4K,
// SAK 18), 241 (any other SAK but 00, shown with the SAK); 0 for a page tag (SAK 00).
int RefusalTextId(uint8_t sak);

// The IC maker of the first UID byte; UIDs shorter than 7 bytes count as code 0.
std::string MakerName(const std::vector<uint8_t>& uid);

// "%03d - %03d": the first and last page of a row starting at firstPage.
std::string PageRowLabel(int firstPage);

// What a write does with a page.
enum class PageWrite {
    Skip,        // not to be written (not selected or unchanged, or one of pages 0..3)
    WrongLength, // to be written but not 4 bytes: "Page %d hat falsche Datenlänge %d"
    Write,
};

// The error whose text a refused page write shows: 246 is shown as 241.
int WriteErrorCode(int error);

// Why the card library found no NDEF message or a damaged one, as a text of the
// string table with its numbers as values; id 0 for a reason it does not know (shown
// as the library gives it).
TextRef NdefReasonText(const std::string& error);

// String-table ids of the page-tag workbenches' own texts; the comment lists what
// fills %1, %2.
inline constexpr int kTextWrongPageLength = 12600; // length
inline constexpr int kTextPageReadBackDiffers = 12601;
inline constexpr int kTextPageNotTried = 12602;      // page that failed
inline constexpr int kTextTagGoneEditsKept = 12603;  // shown UID
inline constexpr int kTextOtherTagEditsKept = 12604; // shown UID, UID in the field
inline constexpr int kTextReadPageFailed = 12605;    // page, cause
inline constexpr int kTextAsciiKept = 12620;         // page, character, U+XXXX

} // namespace vorex::wb::nfc
