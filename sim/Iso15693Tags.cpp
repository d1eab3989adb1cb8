#include "sim/Iso15693Tags.h"

#include "sim/Scenario.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

namespace vsim {
namespace {

using nlohmann::json;

constexpr uint8_t kFlagTwoSubcarriers = 0x01;
constexpr uint8_t kFlagInventory = 0x04;
constexpr uint8_t kFlagExtension = 0x08;
constexpr uint8_t kFlagSelectOrAfi = 0x10;
constexpr uint8_t kFlagAddressedOrOneSlot = 0x20;
constexpr uint8_t kFlagOption = 0x40;

constexpr uint8_t kErrBlockUnavailable = 0x10;
constexpr uint8_t kErrAlreadyLocked = 0x11;
constexpr uint8_t kErrLocked = 0x12;
constexpr uint8_t kErrGeneral = 0x0F;
constexpr uint8_t kErrNotRecognised = 0x02;

constexpr size_t kMaxTags = 64;
constexpr size_t kMaxPlainPayload = 0xFE;

// clang-format off
const IsoTagProfile kProfiles[] = {
    // type                 mfr   chip  blocks size icref info                     opt    custom rmOnly 1sub   2byte  ro unsupp lock   type bits in UID byte 4
    {"nxp-icode-slix",      0x04, 0x01, 28,   4,   0x01, IsoInfo::Normal,         false, false, false, false, false, 0, 0x0F, true,  0x18, 0x10},
    {"nxp-icode-slix2",     0x04, 0x01, 80,   4,   0x01, IsoInfo::Normal,         false, false, false, false, false, 0, 0x0F, true,  0x18, 0x08},
    {"nxp-icode-slix-l",    0x04, 0x03, 8,    4,   0x03, IsoInfo::ReportsTooMany, false, false, false, false, false, 0, 0x0F, true,  0x10, 0x10},
    {"ti-tagit-hfi-plus",   0x07, 0x80, 64,   4,   0x00, IsoInfo::Normal,         true,  false, false, false, false, 0, 0x01, true,  0x00, 0x00},
    {"ti-tagit-hfi-pro",    0x07, 0xC4, 8,    4,   0x00, IsoInfo::None,           true,  false, false, false, false, 0, 0x01, true,  0x00, 0x00},
    {"infineon-myd",        0x05, 0x45, 0,    8,   0x00, IsoInfo::None,           false, true,  false, false, false, 3, 0x01, false, 0x00, 0x00},
    {"st-m24lr64",          0x02, 0x2C, 2048, 4,   0x2C, IsoInfo::ExtensionOnly,  false, false, false, false, true,  0, 0x01, false, 0x00, 0x00},
    {"em4233",              0x16, 0x02, 64,   4,   0x02, IsoInfo::Normal,         false, false, true,  false, false, 0, 0x01, true,  0x00, 0x00},
    {"fujitsu-mb89r118",    0x08, 0x01, 250,  8,   0x01, IsoInfo::Normal,         false, false, false, true,  false, 0, 0x01, true,  0x00, 0x00},
};
// clang-format on

// my-d memory from UID byte 5 (Infineon's chip code).
int InfineonBlocks(uint8_t chip) {
    if (chip < 0x20)
        return 128;
    if (chip < 0x40)
        return 64;
    if (chip < 0x60)
        return 32;
    if (chip < 0x80)
        return 16;
    if (chip < 0xA0)
        return 256;
    return 1;
}

// What one tag does with a request.
struct TagAnswer {
    bool silent = false;
    Bytes bytes; // response flags, then data or the error code
};

TagAnswer Ok(Bytes data = {}) {
    data.insert(data.begin(), 0x00);
    return {false, std::move(data)};
}
TagAnswer IsoError(uint8_t code) {
    return {false, {0x01, code}};
}
TagAnswer Silent() {
    return {true, {}};
}

bool Hears(const IsoTag& t, uint8_t flags) {
    return !(t.profile->oneSubcarrierOnly && (flags & kFlagTwoSubcarriers) != 0);
}

// Reads a block number of one or two bytes at params[at].
bool BlockNumber(const Bytes& params, size_t& at, bool twoBytes, int& block) {
    const size_t need = twoBytes ? 2 : 1;
    if (params.size() < at + need)
        return false;
    block = params[at];
    if (twoBytes)
        block |= params[at + 1] << 8;
    at += need;
    return true;
}

Bytes BlockData(const IsoTag& t, int block, bool withStatus) {
    Bytes out;
    if (withStatus)
        out.push_back(t.locked[static_cast<size_t>(block)] ? 0x01 : 0x00);
    const auto from = t.memory.begin() + static_cast<long>(block) * t.blockSize;
    out.insert(out.end(), from, from + t.blockSize);
    return out;
}

void StoreBlock(IsoTag& t, int block, const uint8_t* data) {
    std::copy(data, data + t.blockSize, t.memory.begin() + static_cast<long>(block) * t.blockSize);
}

TagAnswer SystemInfo(const IsoTag& t, uint8_t flags) {
    const IsoTagProfile& p = *t.profile;
    Bytes b;
    const auto start = [&](uint8_t infoFlags) {
        b.push_back(infoFlags);
        b.insert(b.end(), t.uid.begin(), t.uid.end());
        b.push_back(t.dsfid);
        b.push_back(t.afi);
    };
    switch (p.info) {
    case IsoInfo::None:
        return IsoError(p.unsupportedError);
    case IsoInfo::ExtensionOnly:
        if ((flags & kFlagExtension) == 0) {
            start(0x0B);
        } else {
            start(0x0F);
            b.push_back(static_cast<uint8_t>((t.blockCount - 1) & 0xFF));
            b.push_back(static_cast<uint8_t>((t.blockCount - 1) >> 8));
            b.push_back(static_cast<uint8_t>(t.blockSize - 1));
        }
        b.push_back(p.icReference);
        break;
    case IsoInfo::Normal:
    case IsoInfo::ReportsTooMany:
        start(0x0F);
        b.push_back(p.info == IsoInfo::ReportsTooMany ? 0x2F
                                                      : static_cast<uint8_t>(t.blockCount - 1));
        b.push_back(static_cast<uint8_t>(t.blockSize - 1));
        b.push_back(p.icReference);
        break;
    }
    b.insert(b.begin(), 0x00);
    return {false, b};
}

TagAnswer Write(IsoTag& t, int block, const uint8_t* data, size_t count) {
    if (block >= t.blockCount)
        return IsoError(kErrBlockUnavailable);
    if (count != static_cast<size_t>(t.blockSize))
        return IsoError(kErrGeneral);
    if (block < t.profile->readOnlyBlocks || t.locked[static_cast<size_t>(block)])
        return IsoError(kErrLocked);
    if (!t.ignoresWrites)
        StoreBlock(t, block, data);
    return t.writeAnswerLost ? Silent() : Ok();
}

TagAnswer Respond(IsoTag& t, uint8_t flags, uint8_t code, const Bytes& params) {
    const IsoTagProfile& p = *t.profile;
    const bool option = (flags & kFlagOption) != 0;
    const bool twoBytes = p.twoByteBlocks && (flags & kFlagExtension) != 0;
    size_t at = 0;
    int block = 0;
    if (p.customOnly && code != 0xA0)
        return IsoError(p.unsupportedError);
    // The M24LR64 works only with the protocol extension flag set in its block
    // commands and answers them with an error code otherwise.
    if (p.twoByteBlocks && !twoBytes && (code == 0x20 || code == 0x21 || code == 0x23))
        return IsoError(kErrGeneral);
    switch (code) {
    case 0x2B:
        return SystemInfo(t, flags);
    case 0x20:
        if (p.readMultipleOnly)
            return IsoError(p.unsupportedError);
        if (!BlockNumber(params, at, twoBytes, block))
            return IsoError(kErrNotRecognised);
        if (block >= t.blockCount)
            return IsoError(kErrBlockUnavailable);
        return Ok(BlockData(t, block, option));
    case 0x23: {
        if (!BlockNumber(params, at, twoBytes, block) || params.size() <= at)
            return IsoError(kErrNotRecognised);
        const int count = params[at] + 1;
        if (block + count > t.blockCount)
            return IsoError(kErrBlockUnavailable);
        Bytes out;
        for (int i = 0; i < count; ++i) {
            const Bytes one = BlockData(t, block + i, option);
            out.insert(out.end(), one.begin(), one.end());
        }
        return Ok(out);
    }
    case 0x21:
        if (!BlockNumber(params, at, twoBytes, block))
            return IsoError(kErrNotRecognised);
        // Tag-it answers a write only when the option flag asks it to wait for the EOF.
        if (p.optionForWrite && !option)
            return Silent();
        return Write(t, block, params.data() + at, params.size() - at);
    case 0x22:
        if (!p.lockBlock)
            return IsoError(p.unsupportedError);
        if (!BlockNumber(params, at, false, block))
            return IsoError(kErrNotRecognised);
        if (p.optionForWrite && !option)
            return Silent();
        if (block >= t.blockCount)
            return IsoError(kErrBlockUnavailable);
        if (t.locked[static_cast<size_t>(block)])
            return IsoError(kErrAlreadyLocked);
        t.locked[static_cast<size_t>(block)] = true;
        return Ok();
    case 0xA0: {
        // Infineon my-d: A0 05 [UID] 10 block 00 reads, 30 block 00 data writes.
        if (!p.customOnly || params.size() < 3 || params[2] != 0x00)
            return IsoError(p.unsupportedError);
        block = params[1];
        if (params[0] == 0x10) {
            if (block >= t.blockCount)
                return IsoError(kErrBlockUnavailable);
            return Ok(BlockData(t, block, false));
        }
        if (params[0] == 0x30)
            return Write(t, block, params.data() + 3, params.size() - 3);
        return IsoError(kErrNotRecognised);
    }
    default:
        return IsoError(p.unsupportedError);
    }
}

uint64_t LowBits(int bits) {
    return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

// splitmix64: deterministic UIDs for generated tags.
uint64_t NextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

bool ParseTag(const json& j, IsoTag& tag, std::string& error) {
    if (!j.is_object() || !j.contains("type") || !j.at("type").is_string()) {
        error = "an iso15693 tag needs a \"type\"";
        return false;
    }
    const std::string type = j.at("type").get<std::string>();
    const IsoTagProfile* profile = FindIsoTagProfile(type);
    if (!profile) {
        error = "unknown iso15693 tag type \"" + type + "\"";
        return false;
    }
    std::array<uint8_t, 8> uid{
        0, 0, 0, 0, profile->typeBits, profile->chip, profile->manufacturer, 0xE0};
    if (j.contains("uid")) {
        Bytes msbFirst;
        if (!j.at("uid").is_string() || !ParseHex(j.at("uid").get<std::string>(), msbFirst) ||
            msbFirst.size() != 8) {
            error = "iso15693 \"uid\" must be 16 hex digits, most significant byte first";
            return false;
        }
        std::reverse_copy(msbFirst.begin(), msbFirst.end(), uid.begin());
    }
    tag = MakeIsoTag(*profile, uid);
    try {
        const int dsfid = j.value("dsfid", 0);
        const int afi = j.value("afi", 0);
        if (dsfid < 0 || dsfid > 255 || afi < 0 || afi > 255) {
            error = "iso15693 \"dsfid\" and \"afi\" must be 0 to 255";
            return false;
        }
        tag.dsfid = static_cast<uint8_t>(dsfid);
        tag.afi = static_cast<uint8_t>(afi);
        tag.writeAnswerLost = j.value("write_answer_lost", false);
        tag.ignoresWrites = j.value("ignores_writes", false);
        tag.name = j.value("name", std::string());
        if (j.contains("blocks")) {
            const json& blocks = j.at("blocks");
            if (!blocks.is_array() || blocks.size() > static_cast<size_t>(tag.blockCount)) {
                error = "iso15693 \"blocks\" must be an array of at most " +
                        std::to_string(tag.blockCount) + " blocks for " + type;
                return false;
            }
            for (size_t i = 0; i < blocks.size(); ++i) {
                Bytes b;
                if (!blocks[i].is_string() || !ParseHex(blocks[i].get<std::string>(), b) ||
                    b.size() != static_cast<size_t>(tag.blockSize)) {
                    error = "iso15693 block " + std::to_string(i) + " must be " +
                            std::to_string(tag.blockSize) + " hex bytes";
                    return false;
                }
                StoreBlock(tag, static_cast<int>(i), b.data());
            }
        }
        if (j.contains("locked")) {
            for (const auto& b : j.at("locked")) {
                const int n = b.get<int>();
                if (n < 0 || n >= tag.blockCount) {
                    error = "iso15693 locked block " + std::to_string(n) + " does not exist";
                    return false;
                }
                tag.locked[static_cast<size_t>(n)] = true;
            }
        }
    } catch (const json::exception& e) {
        error = std::string("iso15693 tag: ") + e.what();
        return false;
    }
    return true;
}

} // namespace

const IsoTagProfile* FindIsoTagProfile(const std::string& type) {
    for (const auto& p : kProfiles)
        if (type == p.type)
            return &p;
    return nullptr;
}

std::vector<std::string> IsoTagTypes() {
    std::vector<std::string> names;
    for (const auto& p : kProfiles)
        names.emplace_back(p.type);
    return names;
}

uint64_t IsoTag::Uid64() const {
    uint64_t v = 0;
    for (size_t i = 0; i < uid.size(); ++i)
        v |= static_cast<uint64_t>(uid[i]) << (8 * i);
    return v;
}

IsoTag MakeIsoTag(const IsoTagProfile& profile, const std::array<uint8_t, 8>& uid) {
    IsoTag t;
    t.profile = &profile;
    t.uid = uid;
    t.blockCount = profile.blockCount != 0 ? profile.blockCount : InfineonBlocks(uid[5]);
    t.blockSize = profile.blockSize;
    t.memory.assign(static_cast<size_t>(t.blockCount * t.blockSize), 0x00);
    t.locked.assign(static_cast<size_t>(t.blockCount), false);
    return t;
}

Iso15693Commands::Iso15693Commands(std::vector<IsoTag> tags) : tags_(std::move(tags)) {}

bool Iso15693Commands::PutSetInField(const std::string& name) {
    std::vector<bool> in(tags_.size(), name == "all");
    if (name != "all" && name != "none") {
        const auto set = sets_.find(name);
        if (set == sets_.end())
            return false;
        for (size_t i : set->second)
            in.at(i) = true;
    }
    for (size_t i = 0; i < tags_.size(); ++i)
        tags_[i].inField = in[i];
    return true;
}

std::optional<Reply> Iso15693Commands::Handle(const Request& r, ReaderModel&) {
    if (r.command != 0x20)
        return std::nullopt;
    if (r.data.size() < 2)
        return Reply::Error(kWrongCount);
    const uint8_t flags = r.data[0];
    const uint8_t code = r.data[1];
    if ((flags & kFlagInventory) != 0 && code == 0x01)
        return Inventory(r);
    return Command(r);
}

Reply Iso15693Commands::Inventory(const Request& r) {
    const uint8_t flags = r.data[0];
    const bool oneSlot = (flags & kFlagAddressedOrOneSlot) != 0;
    size_t at = 2;
    uint8_t afi = 0;
    if ((flags & kFlagSelectOrAfi) != 0) {
        if (r.data.size() <= at)
            return Reply::Error(kWrongCount);
        afi = r.data[at++];
    }
    if (r.data.size() <= at)
        return Reply::Error(kWrongCount);
    const int maskLength = r.data[at++];
    const size_t maskBytes = static_cast<size_t>((maskLength + 7) / 8);
    if (maskLength > 64 || r.data.size() != at + maskBytes)
        return Reply::Error(kWrongCount);
    uint64_t mask = 0;
    for (size_t i = 0; i < maskBytes; ++i)
        mask |= static_cast<uint64_t>(r.data[at + i]) << (8 * i);

    const size_t slots = oneSlot ? 1 : 16;
    std::vector<std::vector<const IsoTag*>> inSlot(slots);
    const uint64_t low = LowBits(maskLength);
    for (const IsoTag& t : tags_) {
        if (!t.inField || !Hears(t, flags) || (afi != 0 && t.afi != afi) ||
            (t.Uid64() & low) != (mask & low))
            continue;
        const size_t slot = oneSlot || maskLength >= 64 ? 0 : (t.Uid64() >> maskLength) & 0x0F;
        inSlot[slot].push_back(&t);
    }
    const auto record = [](const IsoTag& t) {
        Bytes b{0x00, t.dsfid};
        b.insert(b.end(), t.uid.begin(), t.uid.end());
        return b;
    };
    // Variant-3 readers answer a one-slot inventory with the tag's response alone.
    if (r.variant == 3 && oneSlot && inSlot[0].size() <= 1) {
        if (inSlot[0].empty())
            return Reply::Error(kNoTransponder);
        return Reply::Ok(record(*inSlot[0][0]));
    }
    Bytes chain;
    for (const auto& found : inSlot) {
        if (found.size() == 1) {
            const Bytes b = record(*found[0]);
            chain.push_back(static_cast<uint8_t>(b.size() + 1));
            chain.push_back(0x00); // slot status: answered
            chain.insert(chain.end(), b.begin(), b.end());
        } else if (found.size() > 1 && r.variant != 1) {
            chain.push_back(1);
            chain.push_back(r.variant == 3 ? 0xCC : 0x02);
        } else {
            chain.push_back(1);
            chain.push_back(0x01); // no answer (variant 1 also for a collision)
        }
    }
    Reply reply = Reply::Ok(std::move(chain));
    reply.chained = true;
    return reply;
}

Reply Iso15693Commands::Command(const Request& r) {
    const uint8_t flags = r.data[0];
    const uint8_t code = r.data[1];
    size_t at = 2;
    int customMaker = -1;
    if (code >= 0xA0 && code <= 0xDF) {
        if (r.data.size() <= at)
            return Reply::Error(kWrongCount);
        customMaker = r.data[at++];
    }
    std::optional<uint64_t> address;
    if ((flags & kFlagAddressedOrOneSlot) != 0) {
        if (r.data.size() < at + 8)
            return Reply::Error(kWrongCount);
        uint64_t v = 0;
        for (size_t i = 0; i < 8; ++i)
            v |= static_cast<uint64_t>(r.data[at + i]) << (8 * i);
        address = v;
        at += 8;
    }
    const Bytes params(r.data.begin() + static_cast<long>(at), r.data.end());

    std::vector<TagAnswer> answers;
    for (IsoTag& t : tags_) {
        if (!t.inField || !Hears(t, flags) || (address && t.Uid64() != *address))
            continue;
        // Custom commands are for the tags of the maker they name; others stay quiet.
        if (customMaker >= 0 && customMaker != t.profile->manufacturer)
            continue;
        TagAnswer a = Respond(t, flags, code, params);
        if (!a.silent)
            answers.push_back(std::move(a));
    }
    const bool v2 = r.variant == 2;
    if (answers.empty())
        return v2 ? Reply::Ok({0x01}) : Reply::Error(kNoTransponder);
    if (answers.size() > 1)
        return v2 ? Reply::Ok({0x02}) : Reply::Error(kCollision);
    Bytes payload = std::move(answers.front().bytes);
    if (v2)
        payload.insert(payload.begin(), 0x00); // reader status: transponder answered
    if (payload.size() > kMaxPlainPayload)
        return Reply::Error(kWrongCount);
    return Reply::Ok(std::move(payload));
}

bool ParseIso15693(const json& s, std::vector<IsoTag>& tags, std::string& error) {
    Iso15693Commands::TagSets sets;
    return ParseIso15693(s, tags, sets, error);
}

namespace {

// "sets": {"name": [tag, ...]}: a tag is its index, its "name" or its UID as written
// in the scenario (16 hex digits, most significant byte first).
bool ParseTagSets(const json& s, const std::vector<IsoTag>& tags, Iso15693Commands::TagSets& sets,
                  std::string& error) {
    sets.clear();
    if (!s.contains("sets"))
        return true;
    if (!s.at("sets").is_object()) {
        error = "iso15693 \"sets\" must be an object";
        return false;
    }
    for (const auto& [name, list] : s.at("sets").items()) {
        if (name == "all" || name == "none" || !list.is_array()) {
            error = "iso15693 set \"" + name + "\" must be a list of tags (all and none are taken)";
            return false;
        }
        std::vector<size_t>& members = sets[name];
        for (const json& ref : list) {
            size_t found = tags.size();
            if (ref.is_number_unsigned() && ref.get<size_t>() < tags.size())
                found = ref.get<size_t>();
            Bytes msbFirst;
            const bool isUid = ref.is_string() && ParseHex(ref.get<std::string>(), msbFirst) &&
                               msbFirst.size() == 8;
            for (size_t i = 0; ref.is_string() && found == tags.size() && i < tags.size(); ++i)
                if ((!tags[i].name.empty() && tags[i].name == ref.get<std::string>()) ||
                    (isUid && std::equal(msbFirst.rbegin(), msbFirst.rend(), tags[i].uid.begin())))
                    found = i;
            if (found == tags.size()) {
                error = "iso15693 set \"" + name + "\" names no tag " + ref.dump();
                return false;
            }
            members.push_back(found);
        }
    }
    return true;
}

} // namespace

bool ParseIso15693(const json& s, std::vector<IsoTag>& tags, Iso15693Commands::TagSets& sets,
                   std::string& error) {
    tags.clear();
    if (!s.is_object()) {
        error = "\"iso15693\" must be an object";
        return false;
    }
    try {
        if (s.contains("tags")) {
            if (!s.at("tags").is_array()) {
                error = "iso15693 \"tags\" must be an array";
                return false;
            }
            for (const auto& tj : s.at("tags")) {
                IsoTag t;
                if (!ParseTag(tj, t, error))
                    return false;
                tags.push_back(std::move(t));
            }
        }
        const int count = s.value("count", 0);
        const std::string type = s.value("generated_type", std::string("nxp-icode-slix"));
        uint64_t seed = s.value("seed", 1u);
        if (count < 0 || tags.size() + static_cast<size_t>(count) > kMaxTags) {
            error = "iso15693 holds at most " + std::to_string(kMaxTags) + " tags";
            return false;
        }
        const IsoTagProfile* profile = FindIsoTagProfile(type);
        if (!profile) {
            error = "unknown iso15693 tag type \"" + type + "\"";
            return false;
        }
        std::set<uint64_t> seen;
        for (const IsoTag& t : tags)
            if (!seen.insert(t.Uid64()).second) {
                error = "iso15693 tags share a UID";
                return false;
            }
        for (int i = 0; i < count;) {
            const uint64_t r = NextRandom(seed);
            std::array<uint8_t, 8> uid{};
            for (size_t b = 0; b < 5; ++b)
                uid[b] = static_cast<uint8_t>(r >> (8 * b));
            uid[4] = static_cast<uint8_t>((uid[4] & ~profile->typeMask) | profile->typeBits);
            uid[5] = profile->chip;
            uid[6] = profile->manufacturer;
            uid[7] = 0xE0;
            IsoTag t = MakeIsoTag(*profile, uid);
            if (!seen.insert(t.Uid64()).second)
                continue;
            tags.push_back(std::move(t));
            ++i;
        }
        if (!ParseTagSets(s, tags, sets, error))
            return false;
    } catch (const json::exception& e) {
        error = std::string("iso15693: ") + e.what();
        return false;
    }
    return true;
}

} // namespace vsim
