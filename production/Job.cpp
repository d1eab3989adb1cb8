#include "production/Job.h"

#include "production/TagImage.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>

namespace vorex::production {

namespace {

using nlohmann::json;

struct JobError {
    std::string path;
    std::string message;
};

[[noreturn]] void Refuse(const std::string& path, const std::string& message) {
    throw JobError{path, message};
}

// One JSON object of the job and its path; a key the job format does not know is an
// error (a misspelt "lock_after_verify" must not be ignored silently).
class Object {
public:
    Object(const json& value, std::string path, std::initializer_list<const char*> known)
        : value_(value), path_(std::move(path)) {
        if (!value_.is_object())
            Refuse(path_, "must be an object");
        std::set<std::string> names(known.begin(), known.end());
        for (const auto& [key, ignored] : value_.items())
            if (!names.count(key))
                Refuse(path_ + "." + key, "is not a field of this object");
    }

    std::string Path(const std::string& key) const { return path_ + "." + key; }
    bool Has(const std::string& key) const { return value_.contains(key); }
    const json& At(const std::string& key) const {
        if (!Has(key))
            Refuse(Path(key), "is missing");
        return value_.at(key);
    }

    std::string String(const std::string& key) const {
        const json& v = At(key);
        if (!v.is_string())
            Refuse(Path(key), "must be a string");
        return v.get<std::string>();
    }
    std::string String(const std::string& key, const std::string& fallback) const {
        return Has(key) ? String(key) : fallback;
    }
    int64_t Integer(const std::string& key, int64_t low, int64_t high) const {
        const json& v = At(key);
        if (!v.is_number_integer() || v.get<int64_t>() < low || v.get<int64_t>() > high)
            Refuse(Path(key), "must be an integer from " + std::to_string(low) + " to " +
                                  std::to_string(high));
        return v.get<int64_t>();
    }
    int64_t Integer(const std::string& key, int64_t low, int64_t high, int64_t fallback) const {
        return Has(key) ? Integer(key, low, high) : fallback;
    }
    bool Bool(const std::string& key, bool fallback) const {
        if (!Has(key))
            return fallback;
        if (!At(key).is_boolean())
            Refuse(Path(key), "must be true or false");
        return At(key).get<bool>();
    }
    const json& Array(const std::string& key) const {
        const json& v = At(key);
        if (!v.is_array())
            Refuse(Path(key), "must be an array");
        return v;
    }
    // Exactly `size` bytes given as hex digits.
    template <size_t N> std::array<uint8_t, N> Bytes(const std::string& key) const {
        std::string text = String(key);
        std::array<uint8_t, N> out{};
        if (text.size() != 2 * N)
            Refuse(Path(key), "must be " + std::to_string(N) + " bytes as " +
                                  std::to_string(2 * N) + " hex digits");
        for (size_t i = 0; i < N; ++i) {
            unsigned value = 0;
            std::istringstream in(text.substr(2 * i, 2));
            if (!(in >> std::hex >> value) ||
                !std::isxdigit(static_cast<unsigned char>(text[2 * i])) ||
                !std::isxdigit(static_cast<unsigned char>(text[2 * i + 1])))
                Refuse(Path(key), "must be hex digits only");
            out[i] = static_cast<uint8_t>(value);
        }
        return out;
    }

private:
    const json& value_;
    std::string path_;
};

std::string Item(const std::string& path, size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

void ReadContent(const Object& job, Job& out) {
    Object content(job.At("content"), job.Path("content"), {"ndef", "raw"});
    if (content.Has("ndef") == content.Has("raw"))
        Refuse(content.Path("ndef"), "give either \"ndef\" records or \"raw\" units");
    if (content.Has("ndef")) {
        if (out.family == Family::Classic)
            Refuse(content.Path("ndef"),
                   "NDEF content is for ntag and iso15693 jobs; give MIFARE Classic content "
                   "as raw blocks");
        const json& records = content.Array("ndef");
        if (records.empty())
            Refuse(content.Path("ndef"), "needs at least one record");
        for (size_t i = 0; i < records.size(); ++i) {
            std::string path = Item(content.Path("ndef"), i);
            Object r(records[i], path, {"type", "uri", "text", "language"});
            std::string type = r.String("type");
            NdefItem item;
            if (type == "uri") {
                Object(records[i], path, {"type", "uri"});
                item.templ = r.String("uri");
            } else if (type == "text") {
                Object(records[i], path, {"type", "text", "language"});
                item.isUri = false;
                item.templ = r.String("text");
                item.language = r.String("language", "en");
                if (item.language.empty() || item.language.size() > 63)
                    Refuse(r.Path("language"), "must be a language code of 1 to 63 bytes");
            } else {
                Refuse(r.Path("type"), "must be \"uri\" or \"text\"");
            }
            out.ndef.push_back(std::move(item));
        }
        return;
    }
    const json& items = content.Array("raw");
    if (items.empty())
        Refuse(content.Path("raw"), "needs at least one entry");
    for (size_t i = 0; i < items.size(); ++i) {
        std::string path = Item(content.Path("raw"), i);
        RawItem item;
        item.path = path;
        if (out.family == Family::Classic) {
            Object r(items[i], path, {"sector", "block", "hex", "text"});
            int sector = static_cast<int>(r.Integer("sector", 0, 39));
            int block = static_cast<int>(r.Integer("block", 0, ClassicBlocksInSector(sector) - 2));
            item.unit = ClassicFirstBlock(sector) + block;
        } else {
            const char* unit = out.family == Family::Ntag ? "page" : "block";
            Object r(items[i], path, {unit, "hex", "text"});
            item.unit = static_cast<int>(r.Integer(unit, 0, 255));
        }
        Object r(items[i], path, {"sector", "block", "page", "hex", "text"});
        if (r.Has("hex") == r.Has("text"))
            Refuse(path, "give either \"hex\" or \"text\"");
        item.hex = r.Has("hex");
        item.templ = r.String(item.hex ? "hex" : "text");
        out.raw.push_back(std::move(item));
    }
}

void ReadNtag(const Object& job, Job& out) {
    Object n(job.At("ntag"), job.Path("ntag"), {"password", "pack", "auth0", "protect_reads"});
    NtagProtection p;
    p.password = n.Bytes<4>("password");
    p.pack = n.Bytes<2>("pack");
    p.auth0 = static_cast<int>(n.Integer("auth0", 0, 255, 4));
    p.protectReads = n.Bool("protect_reads", false);
    for (size_t i = 0; i < out.chips.size(); ++i)
        if (out.chips[i].configPage == 0)
            Refuse(Item(job.Path("chips"), i), std::string(out.chips[i].name) +
                                                   " has no password; it cannot take the "
                                                   "\"ntag\" protection");
    out.ntagProtection = p;
}

void ReadClassic(const Object& job, Job& out, int sectors) {
    Object c(job.At("mifare_classic"), job.Path("mifare_classic"), {"transport_key", "sectors"});
    if (c.Has("transport_key"))
        out.classicTransportKey = c.Bytes<6>("transport_key");
    if (!c.Has("sectors"))
        return;
    const json& list = c.Array("sectors");
    std::set<int> seen;
    for (size_t i = 0; i < list.size(); ++i) {
        std::string path = Item(c.Path("sectors"), i);
        Object s(list[i], path, {"sector", "key_a", "key_b", "access", "user_byte"});
        ClassicSector sector;
        sector.sector = static_cast<int>(s.Integer("sector", 0, sectors - 1));
        if (!seen.insert(sector.sector).second)
            Refuse(s.Path("sector"), "sector " + std::to_string(sector.sector) + " is given twice");
        sector.keyA = s.Bytes<6>("key_a");
        sector.keyB = s.Bytes<6>("key_b");
        if (s.Has("user_byte"))
            sector.userByte = s.Bytes<1>("user_byte")[0];
        const json& access = s.Array("access");
        if (access.size() != 4)
            Refuse(s.Path("access"), "must hold four access values (blocks 0, 1, 2, trailer)");
        for (size_t g = 0; g < 4; ++g) {
            if (!access[g].is_number_integer() || access[g].get<int>() < 0 ||
                access[g].get<int>() > 7)
                Refuse(Item(s.Path("access"), g), "must be an access value from 0 to 7");
            sector.access[g] = access[g].get<int>();
        }
        out.classicSectors.push_back(sector);
    }
}

void ReadIso15693(const Object& job, Job& out, int blocks) {
    Object v(job.At("iso15693"), job.Path("iso15693"),
             {"afi", "dsfid", "lock_afi", "lock_dsfid", "lock_blocks"});
    if (v.Has("afi"))
        out.iso15693.afi = static_cast<uint8_t>(v.Integer("afi", 0, 255));
    if (v.Has("dsfid"))
        out.iso15693.dsfid = static_cast<uint8_t>(v.Integer("dsfid", 0, 255));
    out.iso15693.lockAfi = v.Bool("lock_afi", false);
    out.iso15693.lockDsfid = v.Bool("lock_dsfid", false);
    if (out.iso15693.lockAfi && !out.iso15693.afi)
        Refuse(v.Path("lock_afi"), "locks an AFI the job does not set (\"afi\" is missing)");
    if (out.iso15693.lockDsfid && !out.iso15693.dsfid)
        Refuse(v.Path("lock_dsfid"), "locks a DSFID the job does not set (\"dsfid\" is missing)");
    if (v.Has("lock_blocks")) {
        const json& ranges = v.Array("lock_blocks");
        for (size_t i = 0; i < ranges.size(); ++i) {
            Object r(ranges[i], Item(v.Path("lock_blocks"), i), {"first", "last"});
            BlockRange range;
            range.first = static_cast<int>(r.Integer("first", 0, blocks - 1));
            range.last = static_cast<int>(r.Integer("last", range.first, blocks - 1));
            out.iso15693.lockBlocks.push_back(range);
        }
    }
    bool locks = out.iso15693.lockAfi || out.iso15693.lockDsfid || !out.iso15693.lockBlocks.empty();
    if (locks && !out.lockAfterVerify)
        Refuse(job.Path("lock_after_verify"),
               "must be true when the job names ISO 15693 locks (they are set only after "
               "verification)");
}

// The values that make a tag's content longest: the widest serial, the longest UID.
TagValues WidestValues(const Job& job) {
    TagValues tag;
    tag.serial = LastSerial(job.serial.width);
    tag.uid.assign(job.family == Family::Iso15693 ? 8 : 7, 0xAA);
    tag.date = "2099-12-31";
    return tag;
}

Job Read(const json& root) {
    Object job(root, "$",
               {"name", "family", "chips", "serial", "content", "ntag", "mifare_classic",
                "iso15693", "lock_after_verify", "overwrite_non_blank"});
    Job out;
    out.name = job.String("name");
    if (out.name.empty() || out.name.size() > 200)
        Refuse(job.Path("name"), "must be a name of 1 to 200 characters");
    std::string familyName = job.String("family");
    auto family = FamilyByName(familyName);
    if (!family)
        Refuse(job.Path("family"), "must be \"ntag\", \"mifare_classic\" or \"iso15693\"");
    out.family = *family;
    const json& chips = job.Array("chips");
    if (chips.empty())
        Refuse(job.Path("chips"), "needs at least one accepted chip");
    for (size_t i = 0; i < chips.size(); ++i) {
        std::string path = Item(job.Path("chips"), i);
        if (!chips[i].is_string())
            Refuse(path, "must be a chip name");
        auto chip = FindChip(chips[i].get<std::string>());
        if (!chip)
            Refuse(path, "\"" + chips[i].get<std::string>() + "\" is not a known chip");
        if (chip->family != out.family)
            Refuse(path, std::string(chip->name) + " is not of the family " + familyName);
        out.chips.push_back(*chip);
    }
    Object serial(job.At("serial"), job.Path("serial"), {"prefix", "width", "start", "step"});
    out.serial.prefix = serial.String("prefix", "");
    out.serial.width = static_cast<int>(serial.Integer("width", 1, 18));
    int64_t largest = WidestValues(out).serial;
    out.serial.start = serial.Integer("start", 0, largest, 1);
    out.serial.step = serial.Integer("step", 1, largest, 1);
    out.lockAfterVerify = job.Bool("lock_after_verify", false);
    out.overwriteNonBlank = job.Bool("overwrite_non_blank", false);
    ReadContent(job, out);

    int smallest = out.chips.front().lastUnit;
    for (const Chip& chip : out.chips)
        smallest = std::min(smallest, chip.lastUnit);
    if (job.Has("ntag") && out.family != Family::Ntag)
        Refuse(job.Path("ntag"), "is only for ntag jobs");
    if (job.Has("mifare_classic") && out.family != Family::Classic)
        Refuse(job.Path("mifare_classic"), "is only for mifare_classic jobs");
    if (job.Has("iso15693") && out.family != Family::Iso15693)
        Refuse(job.Path("iso15693"), "is only for iso15693 jobs");
    if (job.Has("ntag"))
        ReadNtag(job, out);
    if (job.Has("mifare_classic"))
        ReadClassic(job, out, smallest + 1);
    if (job.Has("iso15693"))
        ReadIso15693(job, out, smallest + 1);

    // The content must fit every accepted chip with the widest values it can take.
    TagValues widest = WidestValues(out);
    for (const Chip& chip : out.chips) {
        TagImage image = BuildImage(out, chip, widest);
        if (!image.ok)
            Refuse(image.path, image.error);
    }
    return out;
}

} // namespace

JobLoad ParseJob(const std::string& jsonText) {
    JobLoad load;
    json root = json::parse(jsonText, nullptr, false);
    if (root.is_discarded()) {
        load.path = "$";
        load.error = "$: the job file is not valid JSON";
        return load;
    }
    try {
        load.job = Read(root);
        load.ok = true;
    } catch (const JobError& e) {
        load.path = e.path;
        load.error = e.path + ": " + e.message;
    }
    return load;
}

JobLoad LoadJobFile(const std::string& fileName) {
    // A job file is a page of JSON; anything far larger is not one.
    constexpr std::streamsize kLargestJob = 1 << 20;
    std::ifstream in(fileName, std::ios::binary);
    std::string text(kLargestJob + 1, '\0');
    if (in)
        in.read(text.data(), kLargestJob + 1);
    if (!in && !in.eof()) {
        JobLoad load;
        load.error = fileName + ": cannot be read";
        return load;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > static_cast<size_t>(kLargestJob)) {
        JobLoad load;
        load.path = "$";
        load.error = fileName + ": larger than 1 MiB, not a job file";
        return load;
    }
    JobLoad load = ParseJob(text);
    if (!load.ok)
        load.error = fileName + ": " + load.error;
    return load;
}

} // namespace vorex::production
