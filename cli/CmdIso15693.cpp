// vorexctl iso15693: inventory, system information, block read/write/lock, and dumps
// of a tag's blocks to JSON and back.
#include "cards/IcManufacturer.h"
#include "cards/Iso15693Tag.h"
#include "cli/Cli.h"
#include "cli/DumpFileCli.h"

#include <vorex/vorex.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <unistd.h>

namespace vorexctl {
namespace {

using nlohmann::json;
namespace iso = vorex::cards::iso15693;

constexpr int kRecordSize = 11;
// Room for what one inventory can bring back (256 rounds of 16 slots).
constexpr int kInventoryCapacity = 256 * 16 * kRecordSize;

// UID as printed (most significant byte first) -> transmission order.
bool ParseUid(const std::string& text, std::vector<uint8_t>& uid) {
    std::string compact;
    for (char c : text)
        if (c != ' ' && c != ':')
            compact += c;
    if (!ParseHexBytes({compact}, uid) || uid.size() != 8)
        return false;
    std::reverse(uid.begin(), uid.end());
    return true;
}

std::string UidText(const uint8_t* lsbFirst) {
    std::vector<uint8_t> msb(lsbFirst, lsbFirst + 8);
    std::reverse(msb.begin(), msb.end());
    return ToHex(msb, "");
}

// --uid (required when `needUid`) and --flags.
int ParseCommon(const GlobalOptions& o, const Args& a, bool needUid, iso::TagAddress& c) {
    if (auto u = a.Get("--uid")) {
        if (!ParseUid(*u, c.uid))
            return UsageError(o, "--uid needs 16 hex digits, most significant byte first");
    } else if (needUid) {
        return UsageError(o, "this command needs --uid UID");
    }
    if (auto f = a.Get("--flags")) {
        long v;
        if (!ParseInt(*f, 0, 0xFFFF, v))
            return UsageError(o, "--flags needs a number from 0 to 0xFFFF");
        c.flags = static_cast<unsigned>(v);
    }
    return 0;
}

bool ParseBlock(const std::optional<std::string>& text, int& block) {
    long v;
    if (!text || !ParseInt(*text, 0, 0xFFFF, v))
        return false;
    block = static_cast<int>(v);
    return true;
}

int Inventory(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(o, a, false, c))
        return rc;
    if (!c.uid.empty())
        return UsageError(o, "inventory takes no --uid");
    ReaderHandle h(o);
    if (!h)
        return 1;
    std::vector<uint8_t> buf(kInventoryCapacity);
    const int n = VOREX_Iso15693Inventory(h.get(), buf.data(), kInventoryCapacity, c.flags);
    if (n < 0)
        return ReportLastError(o, h.get(), "inventory");
    json tags = json::array();
    for (int i = 0; i + kRecordSize <= n; i += kRecordSize) {
        const uint8_t* r = buf.data() + i;
        const int maker = r[3 + 6];
        if (o.json)
            tags.push_back({{"uid", UidText(r + 3)},
                            {"manufacturer", maker},
                            {"manufacturer_name", vorex::cards::IcManufacturerName(maker)},
                            {"dsfid", r[2]},
                            {"response_flags", r[1]}});
        else
            std::printf("%s  %-18s DSFID %02X\n", UidText(r + 3).c_str(),
                        vorex::cards::IcManufacturerName(maker), r[2]);
    }
    if (o.json)
        PrintJson({{"ok", true}, {"tags", tags}});
    else if (n == 0)
        std::printf("no tags\n");
    return 0;
}

int Info(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(o, a, true, c))
        return rc;
    ReaderHandle h(o);
    if (!h)
        return 1;
    std::vector<uint8_t> info(64);
    const int n = VOREX_Iso15693GetSystemInfo(h.get(), info.data(), static_cast<int>(info.size()),
                                              c.uid.data(), 8, c.flags);
    if (n < 0)
        return ReportLastError(o, h.get(), "system information");
    info.resize(static_cast<size_t>(n));
    iso::Layout m;
    if (!iso::GetLayout(h.get(), c, m))
        return ReportLastError(o, h.get(), "memory size");
    const int maker = c.uid[6];
    if (o.json) {
        json j{{"ok", true},
               {"uid", UidText(c.uid.data())},
               {"manufacturer", maker},
               {"manufacturer_name", vorex::cards::IcManufacturerName(maker)},
               {"block_count", m.blocks},
               {"block_size", m.blockSize},
               {"system_info", ToHex(info, "")}};
        if (n >= 10) {
            const uint8_t f = info[0];
            size_t at = 9;
            if ((f & 0x01) && at < info.size())
                j["dsfid"] = info[at++];
            if ((f & 0x02) && at < info.size())
                j["afi"] = info[at++];
            if (f & 0x08)
                j["ic_reference"] = info.back();
        }
        PrintJson(j);
    } else {
        std::printf("uid           %s\nmanufacturer  %s (0x%02X)\nblocks        %d x %d bytes\n"
                    "system info   %s\n",
                    UidText(c.uid.data()).c_str(), vorex::cards::IcManufacturerName(maker), maker,
                    m.blocks, m.blockSize, ToHex(info).c_str());
    }
    return 0;
}

// Checks block (and data length) against the tag's size before anything is sent; a
// tag that reports no size is not checked. Returns 0 or the exit code of a refusal.
int CheckBlock(const GlobalOptions& o, int h, const iso::TagAddress& c, int block,
               const std::vector<uint8_t>* data) {
    iso::Layout m;
    if (!iso::GetLayout(h, c, m)) {
        if (iso::ReaderOrTagGone(VOREX_GetLastError(h)))
            return ReportLastError(o, h, "memory size");
        return 0;
    }
    if (block >= m.blocks)
        return Refuse(o, "block " + std::to_string(block) + " outside 0-" +
                             std::to_string(m.blocks - 1) + " of this tag");
    if (data && data->size() != static_cast<size_t>(m.blockSize))
        return Refuse(o, "--data has " + std::to_string(data->size()) +
                             " bytes, the blocks of this tag have " + std::to_string(m.blockSize));
    return 0;
}

int Read(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(o, a, true, c))
        return rc;
    int block;
    if (!ParseBlock(a.Get("--block"), block))
        return UsageError(o, "read needs --block N (0-65535)");
    ReaderHandle h(o);
    if (!h)
        return 1;
    if (const int rc = CheckBlock(o, h.get(), c, block, nullptr))
        return rc;
    std::vector<uint8_t> data;
    if (!iso::ReadBlock(h.get(), block, c, c.flags, 64, data))
        return ReportLastError(o, h.get(), "read block " + std::to_string(block));
    if (o.json)
        PrintJson({{"ok", true}, {"block", block}, {"data", ToHex(data, "")}});
    else
        std::printf("%s\n", ToHex(data).c_str());
    return 0;
}

int Write(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(o, a, true, c))
        return rc;
    int block;
    if (!ParseBlock(a.Get("--block"), block))
        return UsageError(o, "write needs --block N (0-65535)");
    std::vector<uint8_t> data;
    const auto hex = a.Get("--data");
    if (!hex || !ParseHexBytes({*hex}, data) || data.empty())
        return UsageError(
            o, hex ? "--data \"" + *hex + "\" is not hex bytes" : "write needs --data HEX",
            "iso15693 write");
    ReaderHandle h(o);
    if (!h)
        return 1;
    if (const int rc = CheckBlock(o, h.get(), c, block, &data))
        return rc;
    if (VOREX_Iso15693WriteBlock(h.get(), block, data.data(), static_cast<int>(data.size()),
                                 c.uid.data(), 8, c.flags) != 0)
        return ReportLastError(o, h.get(), "write block " + std::to_string(block));
    if (o.json)
        PrintJson({{"ok", true}, {"block", block}});
    else
        std::printf("block %d written\n", block);
    return 0;
}

int Lock(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(o, a, true, c))
        return rc;
    int from = 0, to = 0;
    if (!ParseBlock(a.Get("--from"), from) || !ParseBlock(a.Get("--to"), to) || to < from)
        return UsageError(o, "lock needs --from A --to B with A <= B");
    if (!a.Has("--yes"))
        return UsageError(o, "locking blocks cannot be undone; confirm with --yes");
    ReaderHandle h(o);
    if (!h)
        return 1;
    // The whole range is checked against the tag before the first lock.
    iso::Layout m;
    if (!iso::GetLayout(h.get(), c, m)) {
        if (iso::ReaderOrTagGone(VOREX_GetLastError(h.get())))
            return ReportLastError(o, h.get(), "memory size; nothing locked");
        m = iso::Layout{};
    }
    const iso::LockResult r = iso::LockBlocks(h.get(), c, m, from, to);
    if (!r.refused.empty()) {
        if (r.error)
            return ReportError(o, r.error, r.refused + "; nothing locked");
        return Refuse(o, r.refused + "; nothing locked");
    }
    const std::string locked = r.locked.empty() ? std::string("no block locked")
                               : r.locked.size() == 1
                                   ? "block " + std::to_string(r.locked.front()) + " locked"
                                   : "blocks " + std::to_string(r.locked.front()) + "-" +
                                         std::to_string(r.locked.back()) + " locked";
    if (o.json) {
        json j{{"ok", r.Ok()}, {"from", from}, {"to", to}, {"locked_blocks", r.locked}};
        if (!r.Ok()) {
            j["failed_block"] = r.failedBlock;
            AddError(j, r.error);
            j["message"] = "lock block " + std::to_string(r.failedBlock) + ": " +
                           ErrorMessage(r.error) + "; " + locked;
        }
        PrintJson(j);
    } else if (r.Ok()) {
        std::printf("%s\n", locked.c_str());
    } else {
        std::fprintf(stderr, "vorexctl: lock block %d: error %d: %s; %s\n", r.failedBlock, r.error,
                     ErrorMessage(r.error).c_str(), locked.c_str());
    }
    return r.Ok() ? 0 : 1;
}

int Dump(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(o, a, true, c))
        return rc;
    const auto out = a.Get("--out");
    ReaderHandle h(o);
    if (!h)
        return 1;
    iso::Layout m;
    if (!iso::GetLayout(h.get(), c, m))
        return ReportLastError(o, h.get(), "memory size");
    std::vector<iso::BlockRead> blocks;
    int failed = -1;
    {
        ProgressBar bar("dump", o);
        if (!iso::ReadAllBlocks(h.get(), c, m, blocks, failed, std::ref(bar)))
            return ReportLastError(o, h.get(), "read block " + std::to_string(failed));
    }
    const std::string dump = iso::DumpToJson(UidText(c.uid.data()), m, blocks);
    if ((a.Has("--format") && a.One("--format") != "json") || WritesLibraryByDefault(o, a)) {
        // The dump file library's formats (own, pm3, flipper).
        namespace vd = vorex::dumpfiles;
        std::string error;
        std::optional<uint8_t> fill;
        vd::Format format;
        if (!FillOption(a, fill, error) ||
            !DumpFormatOption(a, "", DefaultLibraryFormat(a), format, error))
            return UsageError(o, error);
        vd::Iso15693Memory tag;
        tag.uid.assign(c.uid.rbegin(), c.uid.rend()); // most significant byte first
        tag.blockSize = m.blockSize;
        for (const auto& b : blocks) {
            tag.bytes.insert(tag.bytes.end(), b.data.begin(), b.data.end());
            tag.locks.push_back(b.locked);
        }
        return EmitDump(o, a, tag, format, fill, {{"block_count", m.blocks}},
                        std::to_string(m.blocks) + " blocks written to " + a.One("--out"));
    }
    if (out) {
        std::string error;
        if (!WriteFile(*out, dump + "\n", error))
            return Refuse(o, error);
        if (o.json)
            PrintJson({{"ok", true}, {"file", *out}, {"block_count", m.blocks}});
        else
            std::printf("%d blocks written to %s\n", m.blocks, out->c_str());
    } else if (o.json) {
        json j = json::parse(dump);
        j["ok"] = true;
        PrintJson(j);
    } else {
        std::printf("%s\n", dump.c_str());
    }
    return 0;
}

int Restore(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(o, a, true, c))
        return rc;
    const auto in = a.Get("--in");
    if (!in)
        return UsageError(o, "restore needs --in FILE");
    std::map<int, std::vector<uint8_t>> blocks;
    std::string content, message;
    if (!ReadFile(*in, content, message, size_t{1} << 24))
        return Refuse(o, message);
    std::string dumpUid;
    if (!iso::ParseDump(content, blocks, message, &dumpUid)) {
        // Any other dump format: blocks with unknown bytes are not written.
        const auto other = vorex::dumpfiles::ReadDump(*in, content);
        const auto* tag =
            other.dump ? std::get_if<vorex::dumpfiles::Iso15693Memory>(&*other.dump) : nullptr;
        if (!tag)
            return Refuse(o, other.dump ? *in + ": a " + vorex::dumpfiles::FamilyName(*other.dump) +
                                              " dump, not of an ISO 15693 tag"
                                        : other.error);
        blocks.clear();
        const size_t size = static_cast<size_t>(tag->blockSize);
        for (int b = 0; b < tag->Blocks(); ++b)
            if (const auto v = vorex::cards::Values(tag->bytes, b * size, size))
                blocks[b] = *v;
        dumpUid = ToHex(tag->uid, "");
    }
    // A dump of another tag is written only when asked for.
    std::vector<uint8_t> dumped;
    if (ParseUid(dumpUid, dumped) && dumped != c.uid && !a.Has("--yes"))
        return Refuse(o, "dump of " + dumpUid + ", tag is " + UidText(c.uid.data()) +
                             ": confirm with --yes");
    ReaderHandle h(o);
    if (!h)
        return 1;
    iso::Layout m;
    if (!iso::GetLayout(h.get(), c, m))
        return ReportLastError(o, h.get(), "memory size");
    // Check the whole file against the tag before anything is written.
    if (const int b = iso::FirstMisfit(blocks, m); b >= 0)
        return Refuse(o, "block " + std::to_string(b) + " of " + *in + " does not fit this tag (" +
                             std::to_string(m.blocks) + " x " + std::to_string(m.blockSize) +
                             " bytes); nothing written");
    iso::WriteResult r;
    {
        ProgressBar bar("restore", o);
        r = iso::WriteBlocks(h.get(), c, m, blocks, std::ref(bar));
    }
    const bool ok = r.Ok();
    if (o.json) {
        json failed = json::array();
        for (const auto& f : r.failed) {
            json e{{"block", f.block}, {"stage", f.stage}};
            if (f.error)
                AddError(e, f.error);
            if (!f.readBack.empty())
                e["read_back"] = ToHex(f.readBack, "");
            failed.push_back(e);
        }
        json j{{"ok", ok},
               {"written", r.written},
               {"unchanged", r.unchanged},
               {"written_blocks", r.writtenBlocks},
               {"failed", failed}};
        if (r.stoppedAt >= 0) {
            j["stopped_at"] = r.stoppedAt;
            j["message"] = "restore stopped at block " + std::to_string(r.stoppedAt) +
                           ": the reader or the tag does not answer";
        }
        PrintJson(j);
        return ok ? 0 : 1;
    }
    std::printf("%d written, %d unchanged, %zu failed\n", r.written, r.unchanged, r.failed.size());
    for (const auto& f : r.failed) {
        if (f.stage == "verify")
            std::printf("block %d reads back %s after writing %s\n", f.block,
                        ToHex(f.readBack).c_str(), ToHex(blocks.at(f.block)).c_str());
        else
            std::printf("block %d failed (%s): error %d: %s\n", f.block,
                        f.stage == "verify-read" ? "read back" : f.stage.c_str(), f.error,
                        ErrorMessage(f.error).c_str());
    }
    if (r.stoppedAt >= 0)
        std::fprintf(stderr,
                     "vorexctl: restore stopped at block %d: the reader or the tag does not "
                     "answer\n",
                     r.stoppedAt);
    return ok ? 0 : 1;
}

// Parses the words (Dispatch has refused options the subcommand does not take), then
// runs it.
template <int (*Fn)(const GlobalOptions&, const Args&)>
int WithArgs(const GlobalOptions& o, const std::vector<std::string>& words) {
    static const Args::Spec kAll{{"--uid", "--block", "--data", "--from", "--to", "--out", "--in",
                                  "--flags", "--format", "--fill"},
                                 {},
                                 {"--yes"}};
    Args a;
    std::string error;
    if (!a.Parse(words, kAll, error))
        return UsageError(o, "iso15693: " + error, "iso15693");
    if (!a.Words().empty())
        return UsageError(o, "unexpected \"" + a.Words()[0] + "\"", "iso15693");
    return Fn(o, a);
}

} // namespace

int RunIso15693(const GlobalOptions& o, const std::vector<std::string>& args) {
    using Spec = Args::Spec;
    static const std::vector<Command> kSubs = {
        {"inventory", "UID, manufacturer and DSFID of each tag", "", WithArgs<Inventory>,
         "[--flags F]", Spec{{"--flags"}, {}, {}}},
        {"info", "system information and memory size", "", WithArgs<Info>, "--uid U",
         Spec{{"--uid", "--flags"}, {}, {}}},
        {"read", "one block as hex", "", WithArgs<Read>, "--uid U --block N",
         Spec{{"--uid", "--block", "--flags"}, {}, {}}},
        {"write", "writes one block", "", WithArgs<Write>, "--uid U --block N --data HEX",
         Spec{{"--uid", "--block", "--data", "--flags"}, {}, {}}},
        {"lock", "locks blocks A..B for good (checked against the tag first)", "", WithArgs<Lock>,
         "--uid U --from A --to B --yes",
         Spec{{"--uid", "--from", "--to", "--flags"}, {}, {"--yes"}}},
        {"dump",
         "all blocks with their lock state (own JSON; --format pm3|flipper, json: earlier layout)",
         "", WithArgs<Dump>, "--uid U [--out FILE] [--format json|own|pm3|flipper] [--fill XX]",
         Spec{{"--uid", "--out", "--flags", "--format", "--fill"}, {}, {}}},
        {"restore", "writes the blocks of a dump (any format) that differ and verifies each", "",
         WithArgs<Restore>, "--uid U --in FILE [--yes]",
         Spec{{"--uid", "--in", "--flags"}, {}, {"--yes"}}},
    };
    return Dispatch("iso15693", kSubs,
                    "UIDs are 16 hex digits, most significant byte first (as inventory prints\n"
                    "them). --flags F adds engine flags (e.g. 0x08 protocol extension, 0x100\n"
                    "Infineon).\n",
                    o, args);
}

} // namespace vorexctl
