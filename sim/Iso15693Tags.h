#pragma once
// ISO 15693 transponders in the stand-in reader's field and the reader's pass-through
// command 0x20 to them: 16-slot and one-slot inventory with mask matching, system
// information, block reads, writes and locks, with the vendor quirks the engine
// works around (see sim/README.md, section iso15693).
#include "sim/ReaderModel.h"

#include <array>
#include <cstdint>
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace vsim {

// How a tag answers Get System Information.
enum class IsoInfo {
    Normal,        // flags 0x0F, one-byte block count
    None,          // not supported
    ExtensionOnly, // memory size only with the protocol extension flag (two-byte count)
    ReportsTooMany // reports 0x2F blocks minus one (ICODE SLIX-L)
};

// What a kind of tag is and how it behaves; taken from public data sheets.
struct IsoTagProfile {
    const char* type;
    uint8_t manufacturer;
    uint8_t chip;   // UID byte 5 of generated UIDs
    int blockCount; // 0: follows from UID byte 5 (Infineon my-d)
    int blockSize;
    uint8_t icReference;
    IsoInfo info;
    bool optionForWrite;    // write and lock need the option flag (TI)
    bool customOnly;        // only the custom A0 read/write (Infineon my-d)
    bool readMultipleOnly;  // no Read Single Block (EM)
    bool oneSubcarrierOnly; // ignores requests with two subcarriers (Fujitsu)
    bool twoByteBlocks;     // block commands need the protocol extension: two-byte numbers (ST)
    int readOnlyBlocks;     // blocks 0 .. n-1 refuse writes
    uint8_t unsupportedError;
    bool lockBlock;   // knows ISO Lock Block (ST locks per sector instead)
    uint8_t typeMask; // bits of UID byte 4 that name the chip within its family
    uint8_t typeBits; //   and their value (ICODE SLIX, SLIX2, SLIX-L)
};

// The profiles, looked up by type name; null for an unknown name.
const IsoTagProfile* FindIsoTagProfile(const std::string& type);
std::vector<std::string> IsoTagTypes();

struct IsoTag {
    const IsoTagProfile* profile = nullptr;
    std::array<uint8_t, 8> uid{}; // transmission order: least significant byte first
    uint8_t dsfid = 0;
    uint8_t afi = 0;
    int blockCount = 0;
    int blockSize = 0;
    Bytes memory;
    std::vector<bool> locked;
    bool writeAnswerLost = false; // programs the block but its answer never arrives
    bool ignoresWrites = false;   // answers writes with success but keeps its data
    std::string name;             // optional, for naming it in a set
    bool inField = true;          // only tags in the field hear requests

    uint64_t Uid64() const;
};

// A tag of the profile with that UID (LSB first), memory zeroed.
IsoTag MakeIsoTag(const IsoTagProfile& profile, const std::array<uint8_t, 8>& uid);

class Iso15693Commands : public CommandSet {
public:
    explicit Iso15693Commands(std::vector<IsoTag> tags = {});
    std::optional<Reply> Handle(const Request& request, ReaderModel& reader) override;

    // All tags, in the field or not; take the model's Lock() while the reader is served.
    std::vector<IsoTag>& Tags() { return tags_; }

    // Named sets of tags (indices into Tags()). PutSetInField puts exactly the tags of
    // the set in the field; "all" and "none" are always known. False for an unknown name.
    using TagSets = std::map<std::string, std::vector<size_t>>;
    void SetTagSets(TagSets sets) { sets_ = std::move(sets); }
    bool PutSetInField(const std::string& name);
    const TagSets& Sets() const { return sets_; }

private:
    Reply Inventory(const Request& request);
    Reply Command(const Request& request);
    std::vector<IsoTag> tags_;
    TagSets sets_;
};

// Builds the tags of a scenario's "iso15693" section and its named tag sets.
bool ParseIso15693(const nlohmann::json& section, std::vector<IsoTag>& tags, std::string& error);
bool ParseIso15693(const nlohmann::json& section, std::vector<IsoTag>& tags,
                   Iso15693Commands::TagSets& sets, std::string& error);

} // namespace vsim
