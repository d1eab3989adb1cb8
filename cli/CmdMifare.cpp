// vorexctl mifare: ISO 14443A cards on the reader. MIFARE Classic select, read,
// write, value operations, key store, whole-card dump and restore; Ultralight and
// NFC Type 2 page dumps and writes.
#include "Cli.h"
#include "MifareDump.h"
#include "Vorex_SDKApp.h"
#include "vorex.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace vorexctl {
namespace {

using nlohmann::json;
namespace md = mifare;
using Key = std::array<uint8_t, 6>;

constexpr size_t kMaxDumpFile = 1 << 20;

// ---- Arguments ----------------------------------------------------------------------

// Words after the subcommand: "--name value" options (--data and --key may take
// several words), "--yes", and plain words.
struct Args {
    std::map<std::string, std::vector<std::string>> options;
    std::vector<std::string> words;
    bool yes = false;

    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::string One(const std::string& name) const {
        auto it = options.find(name);
        return it == options.end() || it->second.empty() ? std::string() : it->second.front();
    }
};

bool ParseArgs(const std::vector<std::string>& in, size_t from, Args& out, std::string& error) {
    static const char* const kValued[] = {"--block",  "--key-type", "--key-index", "--data", "--by",
                                          "--type",   "--index",    "--key",       "--out",  "--in",
                                          "--format", "--page",     "--password"};
    for (size_t i = from; i < in.size(); ++i) {
        const std::string& a = in[i];
        if (a == "--yes") {
            out.yes = true;
            continue;
        }
        if (a.rfind("--", 0) != 0) {
            out.words.push_back(a);
            continue;
        }
        if (std::find(std::begin(kValued), std::end(kValued), a) == std::end(kValued)) {
            error = "unknown option " + a;
            return false;
        }
        auto& values = out.options[a];
        const bool multi = a == "--data";
        const size_t before = values.size();
        while (i + 1 < in.size() && in[i + 1].rfind("--", 0) != 0) {
            values.push_back(in[++i]);
            if (!multi)
                break;
        }
        if (values.size() == before) {
            error = a + " needs a value";
            return false;
        }
    }
    return true;
}

bool IntOption(const Args& a, const std::string& name, long min, long max, long& out,
               std::string& error) {
    if (!a.Has(name))
        return true;
    if (!ParseInt(a.One(name), min, max, out)) {
        error = name + " needs a number from " + std::to_string(min) + " to " + std::to_string(max);
        return false;
    }
    return true;
}

bool KeyTypeOption(const Args& a, const std::string& name, int& out, std::string& error) {
    if (!a.Has(name))
        return true;
    const std::string v = a.One(name);
    if (v == "A" || v == "a")
        out = 0;
    else if (v == "B" || v == "b")
        out = 1;
    else {
        error = name + " must be A or B";
        return false;
    }
    return true;
}

bool ParseKey(const std::string& text, Key& key) {
    std::vector<uint8_t> b;
    if (!ParseHexBytes({text}, b) || b.size() != 6)
        return false;
    std::copy(b.begin(), b.end(), key.begin());
    return true;
}

// ---- Card access ----------------------------------------------------------------------

struct CardInfo {
    uint16_t atqa = 0;
    uint8_t sak = 0;
    std::vector<uint8_t> uid;
};

std::string TypeOf(uint8_t sak) {
    switch (sak) {
    case 0x00:
        return "ultralight/type2";
    case 0x08:
    case 0x88:
        return "classic1k";
    case 0x18:
        return "classic4k";
    default:
        return "unknown";
    }
}

// Request and select: the card in the field, ready for commands.
bool Activate(int h, CardInfo& card) {
    unsigned char uid[10];
    if (VOREX_MifareRequest(h, &card.atqa) != 0)
        return false;
    const int n = VOREX_MifareSelect(h, uid, sizeof uid, &card.sak);
    if (n < 0)
        return false;
    card.uid.assign(uid, uid + n);
    return true;
}

// Reports a problem found here (not by the reader); returns 1.
int Refuse(const GlobalOptions& o, const std::string& message) {
    if (o.json)
        PrintJson({{"ok", false}, {"message", message}});
    else
        std::fprintf(stderr, "vorexctl: %s\n", message.c_str());
    return 1;
}

// Reports a failed call; a failure that left no error number gets a text of its own.
int Fail(const GlobalOptions& o, int h, const std::string& context) {
    const int error = VOREX_GetLastError(h);
    if (error == 0)
        return Refuse(o, context + ": the reader's answer was empty or too long");
    return ReportLastError(o, h, context);
}

// A way to open a sector: a key from the reader's key store, or key bytes given.
struct KeyChoice {
    int type = 0; // 0 = Key A, 1 = Key B
    int slot = 0;
    std::optional<Key> key;

    std::string Describe() const {
        std::string s = type ? "B" : "A";
        return key ? s + " " + ToHex(key->data(), 6, "") : s + " slot " + std::to_string(slot);
    }
};

// Wakes and selects the card again (a refused command leaves it idle) and
// authenticates for the block.
bool Authenticate(int h, int block, const KeyChoice& k) {
    CardInfo card;
    if (!Activate(h, card))
        return false;
    return VOREX_MifareAuthenticate(h, k.key ? k.key->data() : nullptr, k.key ? 6 : 0, k.type,
                                    k.slot, block) == 0;
}

int KeySlots(int h) {
    auto port = VorexEngine().Find(h);
    const uint32_t t = port ? port->DeviceType() : 0;
    const bool small = (t & 1) && ((t >= 0x190 && t <= 0x19F) || (t >= 0x400 && t <= 0x40F));
    return small ? 12 : 16;
}

// Every key to try, of one key type: the keys given first, then the store's slots.
std::vector<KeyChoice> Candidates(int h, int type, const std::vector<Key>& given) {
    std::vector<KeyChoice> out;
    for (const Key& k : given)
        out.push_back({type, 0, k});
    for (int slot = 0; slot < KeySlots(h); ++slot)
        out.push_back({type, slot, std::nullopt});
    return out;
}

// The first choice of the key type that authenticates for the sector, if any.
std::optional<KeyChoice> FindKey(int h, int sector, int type, const std::vector<Key>& given) {
    for (const KeyChoice& k : Candidates(h, type, given))
        if (Authenticate(h, md::FirstBlock(sector), k))
            return k;
    return std::nullopt;
}

class Progress {
public:
    Progress(const char* what, int total)
        : what_(what), total_(total), shown_(isatty(STDERR_FILENO) != 0) {}
    ~Progress() {
        if (shown_)
            std::fputs("\r\033[K", stderr);
    }
    void Step(int done) {
        if (!shown_ || total_ <= 0)
            return;
        const int width = 30, filled = done * width / total_;
        std::fprintf(stderr, "\r%s [%s%s] %d/%d", what_, std::string(filled, '#').c_str(),
                     std::string(width - filled, ' ').c_str(), done, total_);
        std::fflush(stderr);
    }

private:
    const char* what_;
    int total_;
    bool shown_;
};

bool ReadFile(const std::string& path, std::string& content, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), {});
    if (content.size() > kMaxDumpFile) {
        error = path + " is too large for a dump";
        return false;
    }
    return true;
}

bool WriteFile(const std::string& path, const std::string& content, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// "json" or "bin" from --format or the file's extension.
bool OutputFormat(const Args& a, std::string& format, std::string& error) {
    format = a.One("--format");
    if (format.empty())
        format = EndsWith(a.One("--out"), ".json") || !a.Has("--out") ? "json" : "bin";
    if (format == "mfd")
        format = "bin";
    if (format != "json" && format != "bin") {
        error = "--format must be json or mfd";
        return false;
    }
    return true;
}

// ---- Classic commands ---------------------------------------------------------------

struct Target {
    long block = -1;
    int keyType = 0;
    long keyIndex = 0;
    std::optional<Key> key;
};

bool ParseTarget(const Args& a, Target& t, std::string& error) {
    if (!a.Has("--block")) {
        error = "--block N is needed";
        return false;
    }
    if (!IntOption(a, "--block", 0, 255, t.block, error) ||
        !KeyTypeOption(a, "--key-type", t.keyType, error) ||
        !IntOption(a, "--key-index", 0, 15, t.keyIndex, error))
        return false;
    if (a.Has("--key")) {
        Key k;
        if (!ParseKey(a.One("--key"), k)) {
            error = "--key needs 12 hex digits";
            return false;
        }
        t.key = k;
    }
    return true;
}

// Selects a MIFARE Classic card and authenticates for the target block.
int OpenClassic(const GlobalOptions& o, int h, const Target& t, CardInfo& card) {
    if (!Activate(h, card))
        return Fail(o, h, "select");
    const std::string type = TypeOf(card.sak);
    if (type != "classic1k" && type != "classic4k")
        return Refuse(o, "the card in the field is no MIFARE Classic (" + type + ")");
    if (type == "classic1k" && t.block >= 64)
        return Refuse(o, "a MIFARE Classic 1K card has blocks 0 to 63");
    const KeyChoice k{t.keyType, static_cast<int>(t.keyIndex), t.key};
    if (VOREX_MifareAuthenticate(h, k.key ? k.key->data() : nullptr, k.key ? 6 : 0, k.type, k.slot,
                                 static_cast<int>(t.block)) != 0)
        return Fail(o, h, "authenticate with key " + k.Describe());
    return 0;
}

int CmdSelect(const GlobalOptions& o, int h, const Args&) {
    CardInfo card;
    if (!Activate(h, card))
        return Fail(o, h, "select");
    char atqa[8];
    std::snprintf(atqa, sizeof atqa, "%04X", card.atqa);
    if (o.json) {
        PrintJson({{"ok", true},
                   {"sak", card.sak},
                   {"atqa", atqa},
                   {"uid", ToHex(card.uid, "")},
                   {"type", TypeOf(card.sak)}});
    } else {
        std::printf("UID   %s\nSAK   %02X\nATQA  %s\ntype  %s\n", ToHex(card.uid).c_str(), card.sak,
                    atqa, TypeOf(card.sak).c_str());
    }
    return 0;
}

int CmdRead(const GlobalOptions& o, int h, const Args& a) {
    Target t;
    std::string error;
    if (!ParseTarget(a, t, error))
        return UsageError(error);
    CardInfo card;
    if (const int rc = OpenClassic(o, h, t, card))
        return rc;
    unsigned char block[16];
    if (VOREX_MifareReadBlock(h, static_cast<int>(t.block), block, 16) != 16)
        return Fail(o, h, "read block " + std::to_string(t.block));
    if (o.json)
        PrintJson({{"ok", true}, {"block", t.block}, {"data", ToHex(block, 16, "")}});
    else
        std::printf("%s\n", ToHex(block, 16).c_str());
    return 0;
}

int CmdWrite(const GlobalOptions& o, int h, const Args& a) {
    Target t;
    std::string error;
    if (!ParseTarget(a, t, error))
        return UsageError(error);
    std::vector<uint8_t> data;
    if (!a.Has("--data") || !ParseHexBytes(a.options.at("--data"), data) || data.size() != 16)
        return UsageError("--data needs 16 bytes in hex");
    if (t.block == 0)
        return Refuse(o, "block 0 is the manufacturer block and is never written");
    const bool trailer = t.block == md::TrailerOf(md::SectorOf(static_cast<int>(t.block)));
    if (trailer) {
        if (!md::AccessBitsConsistent(data.data() + 6))
            return Refuse(o, "the access bits (bytes 6-8) do not fit together; a card "
                             "would block the sector for good");
        if (!a.yes)
            return Refuse(o, "block " + std::to_string(t.block) +
                                 " is a sector trailer (keys and access bits): "
                                 "confirm with --yes");
    }
    CardInfo card;
    if (const int rc = OpenClassic(o, h, t, card))
        return rc;
    if (VOREX_MifareWriteBlock(h, static_cast<int>(t.block), data.data(), 16) != 0)
        return Fail(o, h, "write block " + std::to_string(t.block));
    unsigned char back[16];
    const bool readable = VOREX_MifareReadBlock(h, static_cast<int>(t.block), back, 16) == 16;
    const bool same = readable && (trailer ? std::equal(back + 6, back + 10, data.begin() + 6)
                                           : std::equal(back, back + 16, data.begin()));
    if (readable && !same)
        return Refuse(o, "block " + std::to_string(t.block) + " reads back differently");
    if (o.json)
        PrintJson({{"ok", true}, {"block", t.block}, {"verified", readable}});
    else
        std::printf("block %ld written%s\n", t.block,
                    readable ? " and verified" : " (cannot be read back with this key)");
    return 0;
}

int CmdValue(const GlobalOptions& o, int h, const Args& a) {
    Target t;
    std::string error;
    long by = 1;
    if (!ParseTarget(a, t, error) || !IntOption(a, "--by", 0, 0x7FFFFFFF, by, error))
        return UsageError(error);
    if (a.words.size() != 1 || (a.words[0] != "inc" && a.words[0] != "dec"))
        return UsageError("value needs inc or dec");
    CardInfo card;
    if (const int rc = OpenClassic(o, h, t, card))
        return rc;
    const int op = a.words[0] == "inc" ? 1 : 0;
    if (VOREX_MifareValue(h, static_cast<int>(t.block), op, static_cast<int>(by)) != 0)
        return Fail(o, h, a.words[0] + " block " + std::to_string(t.block));
    // Show the new value when the key may read it.
    unsigned char b[16];
    std::optional<int32_t> value;
    if (VOREX_MifareReadBlock(h, static_cast<int>(t.block), b, 16) == 16)
        value = static_cast<int32_t>(static_cast<uint32_t>(b[0] | b[1] << 8 | b[2] << 16) |
                                     static_cast<uint32_t>(b[3]) << 24);
    if (o.json)
        PrintJson({{"ok", true}, {"block", t.block}, {"value", value ? json(*value) : json()}});
    else if (value)
        std::printf("block %ld now holds %d\n", t.block, *value);
    else
        std::printf("block %ld changed by %ld\n", t.block, op ? by : -by);
    return 0;
}

int CmdStoreKey(const GlobalOptions& o, int h, const Args& a) {
    int type = 0;
    long index = -1;
    Key key;
    std::string error;
    if (!a.Has("--type") || !a.Has("--index") || !a.Has("--key"))
        return UsageError("store-key needs --type A|B --index I --key HEX");
    if (!KeyTypeOption(a, "--type", type, error) || !IntOption(a, "--index", 0, 15, index, error))
        return UsageError(error);
    if (!ParseKey(a.One("--key"), key))
        return UsageError("--key needs 12 hex digits");
    if (index >= KeySlots(h))
        return Refuse(o, "this reader keeps keys 0 to " + std::to_string(KeySlots(h) - 1));
    if (VOREX_MifareStoreKey(h, type, static_cast<int>(index), key.data(), 6) != 0)
        return Fail(o, h, "store key");
    if (o.json)
        PrintJson({{"ok", true}, {"type", type ? "B" : "A"}, {"index", index}});
    else
        std::printf("key %s%ld stored\n", type ? "B" : "A", index);
    return 0;
}

bool GivenKeys(const Args& a, std::vector<Key>& keys, std::string& error) {
    if (!a.Has("--key"))
        return true;
    for (const auto& text : a.options.at("--key")) {
        Key k;
        if (!ParseKey(text, k)) {
            error = "--key needs 12 hex digits";
            return false;
        }
        keys.push_back(k);
    }
    return true;
}

int CmdDump(const GlobalOptions& o, int h, const Args& a) {
    std::string error, format;
    std::vector<Key> given;
    if (!GivenKeys(a, given, error) || !OutputFormat(a, format, error))
        return UsageError(error);
    CardInfo card;
    if (!Activate(h, card))
        return Fail(o, h, "select");
    const std::string type = TypeOf(card.sak);
    if (type != "classic1k" && type != "classic4k")
        return Refuse(o, "the card in the field is no MIFARE Classic (" + type + ")");
    md::ClassicDump dump;
    const bool is4k = type == "classic4k";
    dump.blocks.assign(is4k ? 256 : 64, std::nullopt);
    dump.keys.assign(static_cast<size_t>(md::SectorCount(is4k)), md::SectorKeys{});
    dump.uid = card.uid;
    dump.sak = card.sak;
    dump.atqa = card.atqa;
    std::vector<int> unreadable, closed;
    Progress progress("dump", md::SectorCount(is4k));
    for (int s = 0; s < md::SectorCount(is4k); ++s) {
        progress.Step(s);
        std::vector<KeyChoice> keys;
        for (int type2 : {0, 1})
            if (auto k = FindKey(h, s, type2, given))
                keys.push_back(*k);
        if (keys.empty())
            closed.push_back(s);
        // The session of the last successful read goes on until a read is refused
        // (which leaves the card idle).
        int session = -1;
        for (int b = md::FirstBlock(s); b <= md::TrailerOf(s); ++b) {
            for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
                unsigned char data[16];
                if (session != i && !Authenticate(h, b, keys[static_cast<size_t>(i)]))
                    continue;
                session = i;
                if (VOREX_MifareReadBlock(h, b, data, 16) != 16) {
                    session = -1;
                    continue;
                }
                dump.blocks[static_cast<size_t>(b)].emplace();
                std::copy(data, data + 16, dump.blocks[static_cast<size_t>(b)]->begin());
                break;
            }
            if (!dump.blocks[static_cast<size_t>(b)])
                unreadable.push_back(b);
        }
        // Keys the dump can tell: keys given that opened the sector, and Key B where the
        // trailer lets it be read.
        md::SectorKeys& sk = dump.keys[static_cast<size_t>(s)];
        for (const KeyChoice& k : keys)
            if (k.key)
                (k.type ? sk.keyB : sk.keyA) = *k.key;
        auto& trailer = dump.blocks[static_cast<size_t>(md::TrailerOf(s))];
        if (trailer) {
            const int condition = md::TrailerCondition(trailer->data() + 6);
            if (!sk.keyB && condition >= 0 && md::KeyBReadable(condition)) {
                sk.keyB.emplace();
                std::copy(trailer->begin() + 10, trailer->end(), sk.keyB->begin());
            }
            if (sk.keyA)
                std::copy(sk.keyA->begin(), sk.keyA->end(), trailer->begin());
            if (sk.keyB)
                std::copy(sk.keyB->begin(), sk.keyB->end(), trailer->begin() + 10);
        }
    }
    progress.Step(md::SectorCount(is4k));
    const std::string content = format == "json" ? md::ToJson(dump) : md::ToBinary(dump);
    if (a.Has("--out")) {
        const std::string unreadList = a.One("--out") + ".unread";
        if (!WriteFile(a.One("--out"), content, error))
            return Refuse(o, error);
        // The binary layout has no mark for unread blocks: they are listed beside it.
        if (format == "bin" && !unreadable.empty() &&
            !WriteFile(unreadList, md::UnreadList(dump), error))
            return Refuse(o, error);
        if (format == "bin" && unreadable.empty())
            std::remove(unreadList.c_str()); // a list of an earlier dump no longer fits
        if (o.json) {
            PrintJson({{"ok", true},
                       {"file", a.One("--out")},
                       {"format", format == "json" ? "json" : "mfd"},
                       {"type", type},
                       {"uid", ToHex(card.uid, "")},
                       {"unreadable", unreadable},
                       {"sectors_without_key", closed}});
        } else {
            std::printf("%s %s dumped to %s\n", type.c_str(), ToHex(card.uid, "").c_str(),
                        a.One("--out").c_str());
        }
    } else if (o.json) {
        json j = json::parse(md::ToJson(dump));
        j["ok"] = true;
        j["unreadable"] = unreadable;
        j["sectors_without_key"] = closed;
        PrintJson(j);
    } else if (format == "json") {
        std::fputs(content.c_str(), stdout);
    } else {
        std::fwrite(content.data(), 1, content.size(), stdout);
    }
    if (!unreadable.empty()) {
        std::string list;
        for (int b : unreadable)
            list += (list.empty() ? "" : " ") + std::to_string(b);
        std::fprintf(stderr, "vorexctl: blocks not readable with the keys at hand%s: %s\n",
                     format == "bin" ? " (zeros in the binary dump, listed in FILE.unread)"
                                     : " (null in the dump)",
                     list.c_str());
    }
    return 0;
}

int CmdRestore(const GlobalOptions& o, int h, const Args& a) {
    std::string error, content;
    std::vector<Key> given;
    if (!a.Has("--in"))
        return UsageError("restore needs --in FILE");
    if (!GivenKeys(a, given, error))
        return UsageError(error);
    md::ClassicDump dump;
    if (!ReadFile(a.One("--in"), content, error) || !md::ParseDump(content, dump, error))
        return Refuse(o, a.One("--in") + ": " + error);
    if (dump.keys.empty()) {
        // Blocks a binary dump could not read are listed beside it; they stay as they are.
        const std::string list = a.One("--in") + ".unread";
        std::string listed;
        if (std::ifstream(list) &&
            (!ReadFile(list, listed, error) || !md::ApplyUnreadList(listed, dump, error)))
            return Refuse(o, list + ": " + error);
    }
    CardInfo card;
    if (!Activate(h, card))
        return Fail(o, h, "select");
    const std::string type = TypeOf(card.sak);
    if (type != (dump.Is4k() ? "classic4k" : "classic1k"))
        return Refuse(o, "the dump is of a " + std::string(dump.Is4k() ? "4K" : "1K") +
                             " card, the card in the field is " + type);
    const bool fromJson = !dump.keys.empty();
    // Data blocks first, trailers last: a new trailer may change the keys.
    std::vector<int> order;
    for (int s = 0; s < md::SectorCount(dump.Is4k()); ++s)
        for (int b = md::FirstBlock(s); b < md::TrailerOf(s); ++b)
            order.push_back(b);
    for (int s = 0; s < md::SectorCount(dump.Is4k()); ++s)
        order.push_back(md::TrailerOf(s));

    json written = json::array(), unverified = json::array(), failed = json::array(),
         skipped = json::array();
    std::map<int, std::vector<KeyChoice>> keysOf; // per sector, found when first needed
    Progress progress("restore", static_cast<int>(order.size()));
    int step = 0;
    for (int b : order) {
        progress.Step(step++);
        const auto& data = dump.blocks[static_cast<size_t>(b)];
        const int s = md::SectorOf(b);
        const bool trailer = b == md::TrailerOf(s);
        if (b == 0 || !data)
            continue; // the manufacturer block is never written; unread blocks stay
        if (trailer) {
            std::string why;
            if (!md::AccessBitsConsistent(data->data() + 6))
                why = "access bits do not fit together";
            else if (fromJson && (!dump.keys[static_cast<size_t>(s)].keyA ||
                                  !dump.keys[static_cast<size_t>(s)].keyB))
                why = "keys of the sector are not in the dump";
            else if (!fromJson && std::all_of(data->begin(), data->begin() + 6,
                                              [](uint8_t v) { return v == 0; }))
                why = "Key A is 000000000000 as cards read it back; use a JSON dump made "
                      "with --key";
            else if (!a.yes)
                why = "sector trailer: confirm with --yes";
            if (!why.empty()) {
                skipped.push_back({{"block", b}, {"reason", why}});
                continue;
            }
        }
        if (!keysOf.count(s)) {
            auto& list = keysOf[s];
            for (int t : {0, 1})
                if (auto k = FindKey(h, s, t, given))
                    list.push_back(*k);
        }
        bool done = false;
        int lastError = 0;
        for (const KeyChoice& k : keysOf[s]) {
            if (!Authenticate(h, b, k)) {
                lastError = VOREX_GetLastError(h);
                continue;
            }
            if (VOREX_MifareWriteBlock(h, b, data->data(), 16) != 0) {
                lastError = VOREX_GetLastError(h);
                continue;
            }
            done = true;
            unsigned char back[16];
            if (VOREX_MifareReadBlock(h, b, back, 16) != 16) {
                unverified.push_back(b);
            } else if (!(trailer ? std::equal(back + 6, back + 10, data->begin() + 6)
                                 : std::equal(back, back + 16, data->begin()))) {
                failed.push_back({{"block", b}, {"reason", "reads back differently"}});
                break;
            }
            written.push_back(b);
            break;
        }
        if (!done)
            failed.push_back({{"block", b},
                              {"reason", keysOf[s].empty() ? "no key of the store opens the sector"
                                                           : "not writable"},
                              {"error", lastError}});
    }
    progress.Step(step);
    const bool ok = failed.empty();
    if (o.json) {
        PrintJson({{"ok", ok},
                   {"written", written},
                   {"unverified", unverified},
                   {"failed", failed},
                   {"skipped", skipped}});
    } else {
        std::printf("%zu blocks written (%zu could not be read back)\n", written.size(),
                    unverified.size());
        for (const auto& f : failed)
            std::printf("block %d failed: %s\n", f["block"].get<int>(),
                        f["reason"].get<std::string>().c_str());
        for (const auto& f : skipped)
            std::printf("block %d skipped: %s\n", f["block"].get<int>(),
                        f["reason"].get<std::string>().c_str());
    }
    return ok ? 0 : 1;
}

// ---- Page-based tags ----------------------------------------------------------------

// hidden: the tag hid pages behind its password, so only the capability container
// can name it.
std::string PageTagName(const std::vector<std::array<uint8_t, 4>>& pages, bool hidden) {
    if (pages.size() < 4)
        return "type2";
    const auto& cc = pages[3];
    if (hidden)
        return cc[2] == 0x12   ? "ntag213"
               : cc[2] == 0x3E ? "ntag215"
               : cc[2] == 0x6D ? "ntag216"
                               : "type2";
    if (pages.size() == 16 && cc[0] != 0xE1)
        return "ultralight";
    if (cc[0] == 0xE1 && cc[2] == 0x12 && pages.size() == 45)
        return "ntag213";
    if (cc[0] == 0xE1 && cc[2] == 0x3E && pages.size() == 135)
        return "ntag215";
    if (cc[0] == 0xE1 && cc[2] == 0x6D && pages.size() == 231)
        return "ntag216";
    return pages.size() == 16 ? "ultralight" : "type2";
}

// An NTAG password (--password, 4 bytes) for PWD_AUTH: the reader's authenticate
// with a 4-byte key.
using Password = std::optional<std::array<uint8_t, 4>>;

bool PasswordOption(const Args& a, Password& out, std::string& error) {
    if (!a.Has("--password"))
        return true;
    std::vector<uint8_t> b;
    if (!ParseHexBytes({a.One("--password")}, b) || b.size() != 4) {
        error = "--password needs 4 bytes in hex";
        return false;
    }
    out.emplace();
    std::copy(b.begin(), b.end(), out->begin());
    return true;
}

bool Unlock(int h, const Password& password) {
    return !password || VOREX_MifareAuthenticate(h, password->data(), 4, 0, 0, 0) == 0;
}

int OpenPageTag(const GlobalOptions& o, int h, CardInfo& card, const Password& password = {}) {
    if (!Activate(h, card))
        return Fail(o, h, "select");
    if (card.sak != 0x00)
        return Refuse(o, "the card in the field is no Ultralight or Type 2 tag (" +
                             TypeOf(card.sak) + ")");
    if (!Unlock(h, password))
        return Fail(o, h, "password");
    return 0;
}

// The first page past the data area the capability container announces (0 when it
// announces none).
size_t AnnouncedEnd(const std::vector<std::array<uint8_t, 4>>& pages) {
    return pages.size() > 3 && pages[3][0] == 0xE1 ? 4 + 2 * size_t{pages[3][2]} : 0;
}

// Reads four pages at a time until the tag refuses, then finds the real end inside
// the last group page by page. A sector select that fails ends the memory too, as
// the read would otherwise go to the sector still selected.
bool ReadPages(int h, int limit, const Password& password,
               std::vector<std::array<uint8_t, 4>>& pages) {
    // The size of a Type 2 tag is found by reading: a bar only for the Ultralight.
    pages.clear();
    auto port = VorexEngine().Find(h);
    int groups = 0;
    Progress progress("read", limit <= 16 ? limit : 0);
    for (int p = 0; p < limit; p += 4) {
        progress.Step(p);
        unsigned char data[16];
        if (VOREX_MifareReadBlock(h, p, data, 16) != 16 || (port && port->SectorCache() != p >> 8))
            break;
        for (int i = 0; i < 4; ++i) {
            pages.emplace_back();
            std::copy(data + 4 * i, data + 4 * i + 4, pages.back().begin());
        }
        ++groups;
    }
    if (groups == 0)
        return false;
    const int last = 4 * (groups - 1);
    pages.resize(static_cast<size_t>(last));
    CardInfo card;
    if (!Activate(h, card) || !Unlock(h, password)) // selecting again ends PWD_AUTH
        return false;
    for (int p = last; p < last + 4 && p < limit; ++p) {
        unsigned char data[4];
        if (VOREX_MifareReadBlock(h, p, data, 4) != 4 || (port && port->SectorCache() != p >> 8))
            break;
        pages.emplace_back();
        std::copy(data, data + 4, pages.back().begin());
    }
    return true;
}

int CmdPageDump(const GlobalOptions& o, int h, const Args& a, bool ultralight) {
    std::string error, format;
    if (!OutputFormat(a, format, error))
        return UsageError(error);
    Password password;
    if (!PasswordOption(a, password, error))
        return UsageError(error);
    CardInfo card;
    if (const int rc = OpenPageTag(o, h, card, password))
        return rc;
    std::vector<std::array<uint8_t, 4>> pages;
    if (!ReadPages(h, ultralight ? 16 : 256 * 256, password, pages))
        return Fail(o, h, "read");
    // A tag that stops answering inside the data area it announces hides the rest
    // behind its password (NTAG AUTH0 with read protection): that is no memory end.
    const bool hidden = pages.size() < AnnouncedEnd(pages);
    const std::string type = PageTagName(pages, hidden);
    if (hidden && !o.json)
        std::fprintf(stderr,
                     "vorexctl: pages from %zu on are read-protected (the tag announces data "
                     "up to page %zu): the dump is incomplete, --password unlocks them\n",
                     pages.size(), AnnouncedEnd(pages) - 1);
    json list = json::array();
    std::string binary;
    for (const auto& p : pages) {
        list.push_back(ToHex(p.data(), 4, ""));
        binary.append(reinterpret_cast<const char*>(p.data()), 4);
    }
    json j{{"type", type}, {"uid", ToHex(card.uid, "")}, {"page_count", pages.size()}};
    if (hidden)
        j["protected_from"] = pages.size();
    j["pages"] = list;
    if (a.Has("--out")) {
        if (!WriteFile(a.One("--out"), format == "json" ? j.dump(1) + "\n" : binary, error))
            return Refuse(o, error);
        if (o.json) {
            json out{{"ok", true},
                     {"file", a.One("--out")},
                     {"type", type},
                     {"uid", ToHex(card.uid, "")},
                     {"page_count", pages.size()}};
            if (hidden)
                out["protected_from"] = pages.size();
            PrintJson(out);
        } else
            std::printf("%s %s: %zu pages dumped to %s\n", type.c_str(),
                        ToHex(card.uid, "").c_str(), pages.size(), a.One("--out").c_str());
    } else if (o.json) {
        json out = j;
        out["ok"] = true;
        PrintJson(out);
    } else {
        std::printf("%s UID %s, %zu pages\n", type.c_str(), ToHex(card.uid).c_str(), pages.size());
        for (size_t p = 0; p < pages.size(); ++p)
            std::printf("%03zu  %s\n", p, ToHex(pages[p].data(), 4).c_str());
    }
    return 0;
}

int CmdPageWrite(const GlobalOptions& o, int h, const Args& a) {
    long page = -1;
    std::string error;
    if (!a.Has("--page") || !IntOption(a, "--page", 0, 0xFFFF, page, error))
        return UsageError(error.empty() ? "--page N is needed" : error);
    std::vector<uint8_t> data;
    if (!a.Has("--data") || !ParseHexBytes(a.options.at("--data"), data) || data.empty() ||
        data.size() % 4 != 0)
        return UsageError("--data needs a multiple of 4 bytes in hex");
    const long count = static_cast<long>(data.size() / 4);
    if (page < 2)
        return Refuse(o, "pages 0 and 1 hold the UID and are never written");
    if (page <= 3 && !a.yes)
        return Refuse(o, "pages 2 and 3 hold lock and one-time bits that can never be "
                         "cleared: confirm with --yes");
    Password password;
    if (!PasswordOption(a, password, error))
        return UsageError(error);
    CardInfo card;
    if (const int rc = OpenPageTag(o, h, card, password))
        return rc;
    json done = json::array();
    for (long i = 0; i < count; ++i) {
        const int p = static_cast<int>(page + i);
        const uint8_t* d = data.data() + 4 * i;
        if (VOREX_MifareWriteBlock(h, p, d, 4) != 0)
            return Fail(o, h, "write page " + std::to_string(p));
        unsigned char back[4];
        if (VOREX_MifareReadBlock(h, p, back, 4) != 4)
            return Fail(o, h, "read back page " + std::to_string(p));
        // Lock and one-time pages only OR bits in: the bits written must be set.
        const bool orPage = p == 2 || p == 3;
        bool same = true;
        for (int k = orPage && p == 2 ? 2 : 0; k < 4; ++k)
            same = same && (orPage ? (back[k] & d[k]) == d[k] : back[k] == d[k]);
        if (!same)
            return Refuse(o, "page " + std::to_string(p) + " reads back differently");
        done.push_back(p);
    }
    if (o.json)
        PrintJson({{"ok", true}, {"pages", done}});
    else
        std::printf("%ld page(s) from %ld written and verified\n", count, page);
    return 0;
}

} // namespace

int RunMifare(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (args.empty())
        return UsageError("mifare needs a subcommand (see vorexctl mifare --help)");
    std::string sub = args[0];
    size_t from = 1;
    bool pageTag = false, ultralight = false;
    if (sub == "ultralight" || sub == "ntag") {
        if (args.size() < 2 || (args[1] != "dump" && args[1] != "write"))
            return UsageError(sub + " needs dump or write");
        pageTag = true;
        ultralight = sub == "ultralight";
        sub = args[1];
        from = 2;
    }
    Args a;
    std::string error;
    if (!ParseArgs(args, from, a, error))
        return UsageError(error);
    using Fn = int (*)(const GlobalOptions&, int, const Args&);
    Fn fn = nullptr;
    if (pageTag) {
        if (sub == "write")
            fn = CmdPageWrite;
        else
            fn = ultralight ? +[](const GlobalOptions& g, int h,
                                  const Args& x) { return CmdPageDump(g, h, x, true); }
                            : +[](const GlobalOptions& g, int h, const Args& x) {
                                  return CmdPageDump(g, h, x, false);
                              };
    } else {
        static const std::pair<const char*, Fn> kSubs[] = {
            {"select", CmdSelect},     {"read", CmdRead}, {"write", CmdWrite},
            {"value", CmdValue},       {"dump", CmdDump}, {"restore", CmdRestore},
            {"store-key", CmdStoreKey}};
        for (const auto& [name, f] : kSubs)
            if (sub == name)
                fn = f;
    }
    if (!fn)
        return UsageError("unknown mifare subcommand \"" + sub + "\"");
    if ((sub == "select" || sub == "dump") && !a.words.empty())
        return UsageError("unexpected \"" + a.words[0] + "\"");
    ReaderHandle h(o);
    if (!h)
        return 1;
    return fn(o, h.get(), a);
}

} // namespace vorexctl
