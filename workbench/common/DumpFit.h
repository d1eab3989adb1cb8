#pragma once
// Whether a dump file fits the chip a workbench shows, and the file formats a workbench
// offers for its family. A file of another family, chip type or size is refused before
// anything of it is shown; the refusal names both chips.
#include "dumpfiles/DumpFiles.h"

#include <optional>
#include <string>
#include <vector>

namespace vorex::wb::dumps {

enum class Family { Classic, Pages, Iso15693 };

// A chip as far as a dump tells it: family, type name ("" when the file does not say),
// units (blocks or pages) and their size.
struct DumpChip {
    Family family = Family::Classic;
    std::string type;
    size_t units = 0;
    size_t unitSize = 0;
};

DumpChip ChipOfDump(const dumpfiles::TagDump& dump);
// The type of an ISO 15693 tag: its IC manufacturer (UID byte 6, after E0).
std::string Iso15693Type(uint8_t manufacturer);
// "MIFARE Classic 1K (64 × 16 Bytes)", "NTAG213 (45 × 4 Bytes)",
// "ISO 15693 NXP Semiconductors (28 × 4 Bytes)".
std::string ChipText(const DumpChip& chip);
// Same family, unit count and unit size, and the same type where both name one.
bool Fits(const DumpChip& file, const DumpChip& shown);

// A dump in a format, as a save writes it. Unknown bytes the format cannot mark are
// refused (lossy, no content) unless fill is set, then written as 00 and counted. A
// content that does not read back as a dump of the same chip (00 filled into block 0
// under a known UID) is refused with the reader's reason.
struct SavedDump {
    std::string content;
    size_t lossy = 0; // unknown bytes the format cannot mark
    std::string error;
};
SavedDump SaveDump(dumpfiles::Format format, const dumpfiles::TagDump& dump, bool fill);

// The formats a workbench of that family saves, in the order of its file dialog.
std::vector<dumpfiles::Format> SaveFormats(Family family);
// The formats it loads (the reader tells them apart by content).
std::vector<dumpfiles::Format> LoadFormats(Family family);
// The file name patterns of a format ("*.json", "*.bin *.mfd *.dump").
std::string FormatPatterns(dumpfiles::Format format);
// The format a save writes: an extension that names one format the workbench offers
// (.mct, .nfc, .bin, ...) decides; a .json name or none leaves it to the file dialog's
// filter (ours or the Proxmark3's JSON), and without one it is ours.
dumpfiles::Format ChosenFormat(const std::string& path, std::optional<dumpfiles::Format> filter,
                               const std::vector<dumpfiles::Format>& offered);
// The path with the format's extension appended when it has none of that format.
std::string PathForFormat(const std::string& path, dumpfiles::Format format);

} // namespace vorex::wb::dumps
