// vorexctl mifare for MIFARE Classic cards: select, read, write, value operations, the
// reader's key store, whole-card dump and restore.
#include "cards/AccessConditions.h"
#include "cards/ClassicCard.h"
#include "cards/ClassicDump.h"
#include "cards/ValueBlock.h"
#include "cli/DumpFileCli.h"
#include "cli/MifareCli.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <vorex/vorex.h>

namespace vorexctl {
namespace {

using nlohmann::json;
namespace md = vorex::cards::mifare;
using vorex::cards::Key;

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

bool GivenKeys(const Args& a, std::vector<Key>& keys, std::string& error) {
    for (const auto& text : a.All("--key")) {
        Key k;
        if (!ParseKey(text, k)) {
            error = "--key needs 12 hex digits";
            return false;
        }
        keys.push_back(k);
    }
    return true;
}

// "3 5 9".
std::string NumberList(const std::vector<int>& numbers) {
    std::string list;
    for (int n : numbers)
        list += (list.empty() ? "" : " ") + std::to_string(n);
    return list;
}

// A dump or restore that stopped because the reader or the card went away.
int Interrupted(const GlobalOptions& o, const std::string& what, const md::Interruption& i,
                const std::string& consequence) {
    const int sector = md::SectorOf(i.block);
    std::string message = what + " stopped in sector " + std::to_string(sector) + " (block " +
                          std::to_string(i.block) + "): " + i.Describe();
    if (!consequence.empty())
        message += "; " + consequence;
    if (o.json) {
        json j{{"ok", false}, {"message", message}, {"sector", sector}, {"block", i.block}};
        if (i.error)
            AddError(j, i.error);
        PrintJson(j);
    } else {
        std::fprintf(stderr, "vorexctl: %s\n", message.c_str());
    }
    return 1;
}

// The block a command works on and the key that opens it.
struct Target {
    long block = -1;
    md::KeyChoice key;
    bool keyGiven = false; // --key, --key-type or --key-index
};

bool ParseTarget(const Args& a, Target& t, std::string& error) {
    if (!a.Has("--block")) {
        error = "--block N is needed";
        return false;
    }
    long slot = 0;
    if (!a.Int("--block", 0, 255, t.block, error) ||
        !KeyTypeOption(a, "--key-type", t.key.type, error) ||
        !a.Int("--key-index", 0, 15, slot, error))
        return false;
    t.key.slot = static_cast<int>(slot);
    t.keyGiven = a.Has("--key") || a.Has("--key-type") || a.Has("--key-index");
    if (a.Has("--key")) {
        Key k;
        if (!ParseKey(a.One("--key"), k)) {
            error = "--key needs 12 hex digits";
            return false;
        }
        t.key.key = k;
    }
    return true;
}

// Selects a MIFARE Classic card, authenticates for the target block and runs `op`:
// with the key given, or else with each key a dump tries (Key A, then Key B) until
// one opens the block for the operation. `what` names the operation in messages.
int WithKey(const GlobalOptions& o, int h, const Target& t, const std::string& what,
            const std::function<bool()>& op) {
    md::CardInfo card;
    if (!md::Activate(h, card))
        return ReportFailure(o, h, "select");
    const std::string type = md::CardTypeName(card.sak);
    if (!md::IsClassic(card.sak))
        return Refuse(o, "the card in the field is no MIFARE Classic (" + type + ")");
    if (type == "classic1k" && t.block >= 64)
        return Refuse(o, "block " + std::to_string(t.block) +
                             " outside 0-63 of a MIFARE Classic 1K card");
    const int block = static_cast<int>(t.block);
    if (t.keyGiven) {
        if (!md::AuthenticateActive(h, block, t.key))
            return ReportFailure(o, h, "authenticate with key " + t.key.Describe());
        return op() ? 0 : ReportFailure(o, h, what);
    }
    int refused = 0;
    bool opened = false;
    for (int keyType : {0, 1}) {
        for (const md::KeyChoice& k : md::Candidates(keyType, {}, KeySlots(h))) {
            const bool authenticated = md::Authenticate(h, block, k);
            if (authenticated && op())
                return 0;
            const int error = VOREX_GetLastError(h);
            if (md::ReaderGone(error))
                return ReportError(o, error, what);
            opened = opened || authenticated;
            if (authenticated)
                refused = error;
        }
    }
    if (!opened)
        return Refuse(o, "no key at hand opens sector " + std::to_string(md::SectorOf(block)) +
                             " (give it with --key)");
    return ReportError(o, refused, what + " (refused with every key that opens the sector)");
}

int CmdSelect(const GlobalOptions& o, int h, const Args&) {
    md::CardInfo card;
    if (!md::Activate(h, card))
        return ReportFailure(o, h, "select");
    char atqa[8];
    std::snprintf(atqa, sizeof atqa, "%04X", card.atqa);
    const std::string type = md::CardTypeName(card.sak);
    if (o.json) {
        PrintJson({{"ok", true},
                   {"sak", card.sak},
                   {"atqa", card.atqa}, // a number, as in dumps
                   {"uid", ToHex(card.uid, "")},
                   {"type", type}});
    } else {
        std::printf("UID   %s\nSAK   %02X\nATQA  %s\ntype  %s\n", ToHex(card.uid).c_str(), card.sak,
                    atqa, type.c_str());
    }
    return 0;
}

int CmdRead(const GlobalOptions& o, int h, const Args& a) {
    Target t;
    std::string error;
    if (!ParseTarget(a, t, error))
        return UsageError(o, error);
    unsigned char block[16];
    if (const int rc = WithKey(o, h, t, "read block " + std::to_string(t.block), [&] {
            return VOREX_MifareReadBlock(h, static_cast<int>(t.block), block, 16) == 16;
        }))
        return rc;
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
        return UsageError(o, error);
    std::vector<uint8_t> data;
    if (!a.Has("--data") || !ParseHexBytes(a.All("--data"), data) || data.size() != 16)
        return UsageError(o, "--data needs 16 bytes in hex");
    if (t.block == 0)
        return Refuse(o, "block 0 is the manufacturer block and is never written");
    const bool trailer = md::IsTrailer(static_cast<int>(t.block));
    if (trailer) {
        if (!md::AccessBitsConsistent(data.data() + 6))
            return Refuse(o, "the access bits (bytes 6-8) do not fit together; a card "
                             "would block the sector for good");
        if (!a.Has("--yes"))
            return Refuse(o, "block " + std::to_string(t.block) +
                                 " is a sector trailer (keys and access bits): "
                                 "confirm with --yes");
    }
    if (const int rc = WithKey(o, h, t, "write block " + std::to_string(t.block), [&] {
            return VOREX_MifareWriteBlock(h, static_cast<int>(t.block), data.data(), 16) == 0;
        }))
        return rc;
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
    if (!ParseTarget(a, t, error) || !a.Int("--by", 0, 0x7FFFFFFF, by, error))
        return UsageError(o, error);
    if (a.Words().size() != 1 || (a.Words()[0] != "inc" && a.Words()[0] != "dec"))
        return UsageError(o, "value needs inc or dec");
    const int op = a.Words()[0] == "inc" ? 1 : 0;
    if (const int rc = WithKey(o, h, t, a.Words()[0] + " block " + std::to_string(t.block), [&] {
            return VOREX_MifareValue(h, static_cast<int>(t.block), op, static_cast<int>(by)) == 0;
        }))
        return rc;
    // Show the new value when the key may read it.
    unsigned char b[16];
    std::optional<md::ValueBlock> value;
    if (VOREX_MifareReadBlock(h, static_cast<int>(t.block), b, 16) == 16)
        value = md::DecodeValueBlock(b);
    if (o.json)
        PrintJson(
            {{"ok", true}, {"block", t.block}, {"value", value ? json(value->value) : json()}});
    else if (value)
        std::printf("block %ld now holds %d\n", t.block, value->value);
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
        return UsageError(o, "store-key needs --type A|B --index I --key HEX");
    if (!KeyTypeOption(a, "--type", type, error) || !a.Int("--index", 0, 15, index, error))
        return UsageError(o, error);
    if (!ParseKey(a.One("--key"), key))
        return UsageError(o, "--key needs 12 hex digits");
    if (index >= KeySlots(h))
        return Refuse(o, "this reader keeps keys 0 to " + std::to_string(KeySlots(h) - 1));
    if (VOREX_MifareStoreKey(h, type, static_cast<int>(index), key.data(), 6) != 0)
        return ReportFailure(o, h, "store key");
    if (o.json)
        PrintJson({{"ok", true}, {"type", type ? "B" : "A"}, {"index", index}});
    else
        std::printf("key %s%ld stored\n", type ? "B" : "A", index);
    return 0;
}

int CmdDump(const GlobalOptions& o, int h, const Args& a) {
    std::string error, format;
    std::vector<Key> given;
    auto other = LibraryFormat(a);
    if (WritesLibraryByDefault(o, a))
        other = DefaultLibraryFormat(a);
    std::optional<uint8_t> fill;
    if (!GivenKeys(a, given, error) || !FillOption(a, fill, error) ||
        (!other && !OutputFormat(a, format, error)))
        return UsageError(o, error);
    md::CardInfo card;
    if (!md::Activate(h, card))
        return ReportFailure(o, h, "select");
    const std::string type = md::CardTypeName(card.sak);
    if (!md::IsClassic(card.sak))
        return Refuse(o, "the card in the field is no MIFARE Classic (" + type + ")");
    md::ClassicReadResult r;
    {
        ProgressBar bar("dump", o);
        r = md::DumpClassic(h, card, given, KeySlots(h), std::ref(bar));
    }
    if (r.interrupted)
        return Interrupted(o, "dump", *r.interrupted,
                           a.Has("--out") ? a.One("--out") + " was not written" : "");
    if (other) {
        md::ClassicMemory m = md::FromDump(r.dump);
        m.uid = card.uid;
        m.atqa = card.atqa;
        m.sak = card.sak;
        const int rc = EmitDump(o, a, m, *other, fill,
                                {{"type", type},
                                 {"uid", ToHex(card.uid, "")},
                                 {"unreadable", r.unreadable},
                                 {"sectors_without_key", r.closedSectors}},
                                type + " " + ToHex(card.uid, "") + " dumped to " + a.One("--out"));
        if (rc == 0 && !r.unreadable.empty())
            std::fprintf(stderr,
                         "vorexctl: blocks not readable with the keys at hand (unknown in the "
                         "dump): %s\n",
                         NumberList(r.unreadable).c_str());
        return rc;
    }
    const std::string content = format == "json" ? md::ToJson(r.dump) : md::ToBinary(r.dump);
    if (a.Has("--out")) {
        const std::string unreadList = a.One("--out") + ".unread";
        if (!WriteFile(a.One("--out"), content, error))
            return Refuse(o, error);
        // The binary layout has no mark for unread blocks: they are listed beside it.
        if (format == "bin" && !r.unreadable.empty() &&
            !WriteFile(unreadList, md::UnreadList(r.dump), error))
            return Refuse(o, error);
        if (format == "bin" && r.unreadable.empty())
            std::remove(unreadList.c_str()); // a list of an earlier dump no longer fits
        if (o.json) {
            PrintJson({{"ok", true},
                       {"file", a.One("--out")},
                       {"format", format == "json" ? "json" : "mfd"},
                       {"type", type},
                       {"uid", ToHex(card.uid, "")},
                       {"unreadable", r.unreadable},
                       {"sectors_without_key", r.closedSectors}});
        } else {
            std::printf("%s %s dumped to %s\n", type.c_str(), ToHex(card.uid, "").c_str(),
                        a.One("--out").c_str());
        }
    } else if (o.json) {
        json j = json::parse(md::ToJson(r.dump));
        j["ok"] = true;
        j["unreadable"] = r.unreadable;
        j["sectors_without_key"] = r.closedSectors;
        PrintJson(j);
    } else if (format == "json") {
        std::fputs(content.c_str(), stdout);
    } else {
        std::fwrite(content.data(), 1, content.size(), stdout);
    }
    std::vector<int> keysUnknown;
    for (size_t sector = 0; sector < r.dump.keys.size(); ++sector) {
        const auto& keys = r.dump.keys[sector];
        if ((!keys.keyA || !keys.keyB) &&
            r.dump.blocks[static_cast<size_t>(md::TrailerOf(static_cast<int>(sector)))])
            keysUnknown.push_back(static_cast<int>(sector));
    }
    if (format == "bin" && !keysUnknown.empty())
        std::fprintf(stderr,
                     "vorexctl: sectors %s: a key is not known by value (opened from the "
                     "reader's key store, or not shown by the card): 000000000000 in the "
                     "trailer; give the keys with --key\n",
                     NumberList(keysUnknown).c_str());
    if (!r.unreadable.empty()) {
        const std::string list = NumberList(r.unreadable);
        std::fprintf(stderr, "vorexctl: blocks not readable with the keys at hand%s: %s\n",
                     format == "bin" ? " (zeros in the binary dump, listed in FILE.unread)"
                                     : " (null in the dump)",
                     list.c_str());
    }
    return 0;
}

json Problems(const std::vector<md::BlockProblem>& list) {
    json out = json::array();
    for (const auto& p : list) {
        json j{{"block", p.block}, {"reason", p.reason}};
        if (p.error)
            AddError(j, *p.error);
        out.push_back(j);
    }
    return out;
}

int CmdRestore(const GlobalOptions& o, int h, const Args& a) {
    std::string error, content;
    std::vector<Key> given;
    if (!a.Has("--in"))
        return UsageError(o, "restore needs --in FILE");
    if (!GivenKeys(a, given, error))
        return UsageError(o, error);
    md::ClassicDump dump;
    if (!ReadFile(a.One("--in"), content, error))
        return Refuse(o, error);
    if (!md::ParseDump(content, dump, error)) {
        // Any other dump format: blocks with unknown bytes are not written.
        const auto other = vorex::dumpfiles::ReadDump(a.One("--in"), content);
        if (!other.dump)
            return Refuse(o, other.error);
        const auto* m = std::get_if<md::ClassicMemory>(&*other.dump);
        if (!m)
            return Refuse(o, a.One("--in") + ": a " + vorex::dumpfiles::FamilyName(*other.dump) +
                                 " dump, not of a MIFARE Classic card");
        const auto writable = md::ToDump(*m);
        if (!writable)
            return Refuse(o, a.One("--in") + ": a dump of a MIFARE Classic " +
                                 md::SizeName(m->size) + " card; restore writes 1K and 4K cards");
        dump = *writable;
    } else if (dump.keys.empty()) {
        // Blocks a binary dump could not read are listed beside it; they stay as they are.
        const std::string list = a.One("--in") + ".unread";
        std::string listed;
        std::error_code ec;
        if (std::filesystem::exists(list, ec) && !ReadFile(list, listed, error))
            return Refuse(o, error);
        if (!listed.empty() && !md::ApplyUnreadList(listed, dump, error))
            return Refuse(o, list + ": " + error);
    }
    md::CardInfo card;
    if (!md::Activate(h, card))
        return ReportFailure(o, h, "select");
    const std::string type = md::CardTypeName(card.sak);
    if (type != (dump.Is4k() ? "classic4k" : "classic1k"))
        return Refuse(o, "the dump is of a " + std::string(dump.Is4k() ? "4K" : "1K") +
                             " card, the card in the field is " + type);
    // A dump of another card is written only when asked for.
    const std::vector<uint8_t> dumped =
        dump.blocks[0]
            ? std::vector<uint8_t>(dump.blocks[0]->begin(),
                                   dump.blocks[0]->begin() + static_cast<long>(card.uid.size()))
            : dump.uid;
    if (!dumped.empty() && dumped != card.uid && !a.Has("--yes"))
        return Refuse(o, "dump of " + ToHex(dumped, "") + ", card is " + ToHex(card.uid, "") +
                             ": confirm with --yes");
    md::ClassicWriteResult r;
    {
        ProgressBar bar("restore", o);
        r = md::RestoreClassic(h, dump, given, KeySlots(h), a.Has("--yes"), std::ref(bar));
    }
    const bool ok = r.failed.empty() && !r.interrupted;
    if (o.json) {
        // Counts as in every restore, the block numbers beside them.
        json j{{"ok", ok},
               {"written", r.written.size()},
               {"unchanged", r.unchanged.size()},
               {"written_blocks", r.written},
               {"unchanged_blocks", r.unchanged},
               {"unverified", r.unverified},
               {"failed", Problems(r.failed)},
               {"skipped", Problems(r.skipped)}};
        if (r.interrupted) {
            j["stopped_at"] = r.interrupted->block;
            j["message"] = "restore stopped at block " + std::to_string(r.interrupted->block) +
                           ": " + r.interrupted->Describe();
        }
        PrintJson(j);
    } else {
        std::printf("%zu written, %zu unchanged, %zu failed", r.written.size(), r.unchanged.size(),
                    r.failed.size());
        if (!r.unverified.empty())
            std::printf(" (%zu written could not be read back)", r.unverified.size());
        std::printf("\n");
        if (!r.written.empty())
            std::printf("written: %s\n", NumberList(r.written).c_str());
        for (const auto& f : r.failed)
            std::printf("block %d failed: %s\n", f.block, f.reason.c_str());
        // Skipped blocks by reason, in the order the reasons first came up.
        std::vector<std::pair<std::string, std::vector<int>>> skipped;
        for (const auto& f : r.skipped) {
            auto it = std::find_if(skipped.begin(), skipped.end(),
                                   [&](const auto& g) { return g.first == f.reason; });
            if (it == skipped.end())
                it = skipped.insert(skipped.end(), {f.reason, {}});
            it->second.push_back(f.block);
        }
        for (const auto& [reason, list] : skipped)
            std::printf("skipped (%s): %s\n", reason.c_str(), NumberList(list).c_str());
        if (r.interrupted)
            std::fprintf(stderr, "vorexctl: restore stopped at block %d: %s\n",
                         r.interrupted->block, r.interrupted->Describe().c_str());
    }
    return ok ? 0 : 1;
}

} // namespace

std::vector<Command> ClassicCommands() {
    using Spec = Args::Spec;
    const std::vector<std::string> key{"--key-type", "--key-index", "--key"};
    auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    return {
        {"select", "show UID, SAK, ATQA and card type", "",
         [](const GlobalOptions& o, const std::vector<std::string>& w) {
             return RunOnCard(o, w, CmdSelect, true);
         },
         "", Spec{}},
        {"read", "read a MIFARE Classic block", "",
         [](const GlobalOptions& o, const std::vector<std::string>& w) {
             return RunOnCard(o, w, CmdRead, true);
         },
         "--block N [KEY]", Spec{with({"--block"}, key), {}, {}}},
        {"write", "write 16 bytes (trailers need --yes; block 0 is never written)", "",
         [](const GlobalOptions& o, const std::vector<std::string>& w) {
             return RunOnCard(o, w, CmdWrite, true);
         },
         "--block N --data HEX [KEY] [--yes]", Spec{with({"--block"}, key), {"--data"}, {"--yes"}}},
        {"value", "increment or decrement a value block (V: 1)", "",
         [](const GlobalOptions& o, const std::vector<std::string>& w) {
             return RunOnCard(o, w, CmdValue);
         },
         "--block N inc|dec [--by V] [KEY]", Spec{with({"--block", "--by"}, key), {}, {}}},
        {"store-key", "put a key into the reader's key store", "",
         [](const GlobalOptions& o, const std::vector<std::string>& w) {
             return RunOnCard(o, w, CmdStoreKey, true);
         },
         "--type A|B --index I --key HEX", Spec{{"--type", "--index", "--key"}, {}, {}}},
        {"dump",
         "whole card with the store's keys, well-known keys and keys given; unreadable "
         "blocks are null in JSON and zeros in .mfd (listed in FILE.unread); own, mct and "
         "flipper mark them, pm3 needs --fill XX",
         "",
         [](const GlobalOptions& o, const std::vector<std::string>& w) {
             return RunOnCard(o, w, CmdDump, true);
         },
         "[--out FILE] [--format json|mfd|own|pm3|mct|flipper] [--fill XX] [--key HEX]...",
         Spec{{"--out", "--format", "--fill", "--key"}, {}, {}}},
        {"restore",
         "write a dump of any format back (see convert): known blocks that differ, data "
         "blocks first, trailers "
         "last and only with --yes, each read back where allowed",
         "",
         [](const GlobalOptions& o, const std::vector<std::string>& w) {
             return RunOnCard(o, w, CmdRestore, true);
         },
         "--in FILE [--yes] [--key HEX]...", Spec{{"--in", "--key"}, {}, {"--yes"}}},
    };
}

} // namespace vorexctl
