#pragma once
// A production job as its JSON file states it: the tag family and the chips accepted,
// the serial format, the content (NDEF records or raw pages/blocks with placeholders),
// keys and access conditions of MIFARE Classic sectors, the NTAG password, ISO 15693
// AFI/DSFID and lock ranges, and whether to lock and whether to overwrite non-blank tags.
// A job is checked in full when it is read: a job that cannot be produced is refused
// with the JSON path of the field at fault, before any tag is touched.
#include "cards/AccessConditions.h"
#include "cards/CardTypes.h"
#include "production/ChipCatalog.h"
#include "production/Placeholders.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorex::production {

struct NdefItem {
    bool isUri = true;
    std::string language; // Text records
    std::string templ;    // the URI or the text, with placeholders
};

// Raw content: written from `unit` on (page, ISO 15693 block, or absolute MIFARE block)
// and padded with zeros to whole units.
struct RawItem {
    int unit = 0;
    bool hex = false; // templ expands to hex digits; otherwise to text bytes
    std::string templ;
    std::string path; // JSON path, for errors found while building a tag's image
};

struct ClassicSector {
    int sector = 0;
    cards::Key keyA{};
    cards::Key keyB{};
    cards::mifare::AccessValues access = cards::mifare::kTransportAccess;
    uint8_t userByte = 0x69;
};

struct NtagProtection {
    std::array<uint8_t, 4> password{};
    std::array<uint8_t, 2> pack{};
    int auth0 = 4; // first protected page
    bool protectReads = false;
};

struct BlockRange {
    int first = 0;
    int last = 0;
};

struct Iso15693Settings {
    std::optional<uint8_t> afi;
    std::optional<uint8_t> dsfid;
    bool lockAfi = false;
    bool lockDsfid = false;
    std::vector<BlockRange> lockBlocks;
};

struct Job {
    std::string name;
    Family family = Family::Ntag;
    std::vector<Chip> chips; // accepted chips, at least one
    SerialFormat serial;
    std::vector<NdefItem> ndef; // either NDEF records ...
    std::vector<RawItem> raw;   // ... or raw units
    std::optional<NtagProtection> ntagProtection;
    cards::Key classicTransportKey{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<ClassicSector> classicSectors;
    Iso15693Settings iso15693;
    // NTAG lock bits and the ISO 15693 locks are set only after the content was read
    // back and compared; MIFARE Classic sector trailers (keys, access values) are
    // written after that comparison in any case, since they may shut the job's own key out.
    bool lockAfterVerify = false;
    bool overwriteNonBlank = false; // else a tag with data in the job's units is refused
};

struct JobLoad {
    bool ok = false;
    Job job;
    std::string path;  // JSON path of the field at fault ("$.serial.width")
    std::string error; // "$.serial.width: must be an integer from 1 to 18"
};

JobLoad ParseJob(const std::string& jsonText);
JobLoad LoadJobFile(const std::string& fileName);

} // namespace vorex::production
