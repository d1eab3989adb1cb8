// vorexctl iso15693: inventory, system information, block read/write/lock, and dumps
// of a tag's blocks to JSON and back.
#include "cards/Iso15693Tag.h"
#include "cli/Cli.h"

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

const char* ManufacturerName(int code) {
    switch (code) {
    case 0x02:
        return "ST";
    case 0x04:
        return "NXP";
    case 0x05:
        return "Infineon";
    case 0x07:
        return "Texas Instruments";
    case 0x08:
        return "Fujitsu";
    case 0x16:
        return "EM";
    case 0x17:
        return "KSW";
    case 0x39:
        return "SIC";
    default:
        return "unknown";
    }
}

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
int ParseCommon(const Args& a, bool needUid, iso::TagAddress& c) {
    if (auto u = a.Get("--uid")) {
        if (!ParseUid(*u, c.uid))
            return UsageError("--uid needs 16 hex digits, most significant byte first");
    } else if (needUid) {
        return UsageError("this command needs --uid UID");
    }
    if (auto f = a.Get("--flags")) {
        long v;
        if (!ParseInt(*f, 0, 0xFFFF, v))
            return UsageError("--flags needs a number from 0 to 0xFFFF");
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
    if (int rc = ParseCommon(a, false, c))
        return rc;
    if (!c.uid.empty())
        return UsageError("inventory takes no --uid");
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
                            {"manufacturer_name", ManufacturerName(maker)},
                            {"dsfid", r[2]},
                            {"response_flags", r[1]}});
        else
            std::printf("%s  %-17s DSFID %02X\n", UidText(r + 3).c_str(), ManufacturerName(maker),
                        r[2]);
    }
    if (o.json)
        PrintJson({{"ok", true}, {"tags", tags}});
    else if (n == 0)
        std::printf("no tags\n");
    return 0;
}

int Info(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(a, true, c))
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
               {"manufacturer_name", ManufacturerName(maker)},
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
                    UidText(c.uid.data()).c_str(), ManufacturerName(maker), maker, m.blocks,
                    m.blockSize, ToHex(info).c_str());
    }
    return 0;
}

int Read(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(a, true, c))
        return rc;
    int block;
    if (!ParseBlock(a.Get("--block"), block))
        return UsageError("read needs --block N (0-65535)");
    ReaderHandle h(o);
    if (!h)
        return 1;
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
    if (int rc = ParseCommon(a, true, c))
        return rc;
    int block;
    if (!ParseBlock(a.Get("--block"), block))
        return UsageError("write needs --block N (0-65535)");
    std::vector<uint8_t> data;
    const auto hex = a.Get("--data");
    if (!hex || !ParseHexBytes({*hex}, data) || data.empty())
        return UsageError("write needs --data HEX");
    ReaderHandle h(o);
    if (!h)
        return 1;
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
    if (int rc = ParseCommon(a, true, c))
        return rc;
    int from = 0, to = 0;
    if (!ParseBlock(a.Get("--from"), from) || !ParseBlock(a.Get("--to"), to) || to < from)
        return UsageError("lock needs --from A --to B with A <= B");
    if (!a.Has("--yes"))
        return UsageError("locking blocks cannot be undone; confirm with --yes");
    ReaderHandle h(o);
    if (!h)
        return 1;
    for (int b = from; b <= to; ++b) {
        if (VOREX_Iso15693LockBlock(h.get(), b, c.uid.data(), 8, c.flags) != 0)
            return ReportLastError(o, h.get(), "lock block " + std::to_string(b));
        if (!o.json)
            std::printf("block %d locked\n", b);
    }
    if (o.json)
        PrintJson({{"ok", true}, {"from", from}, {"to", to}});
    return 0;
}

int Dump(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(a, true, c))
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
        ProgressBar bar("dump");
        if (!iso::ReadAllBlocks(h.get(), c, m, blocks, failed, std::ref(bar)))
            return ReportLastError(o, h.get(), "read block " + std::to_string(failed));
    }
    const std::string dump = iso::DumpToJson(UidText(c.uid.data()), m, blocks);
    if (out) {
        std::string error;
        if (!WriteFile(*out, dump + "\n", error)) {
            std::fprintf(stderr, "vorexctl: cannot write %s\n", out->c_str());
            return 1;
        }
        if (o.json)
            PrintJson({{"ok", true}, {"file", *out}, {"block_count", m.blocks}});
        else
            std::printf("%d blocks written to %s\n", m.blocks, out->c_str());
    } else {
        std::printf("%s\n", dump.c_str());
    }
    return 0;
}

int Restore(const GlobalOptions& o, const Args& a) {
    iso::TagAddress c;
    if (int rc = ParseCommon(a, true, c))
        return rc;
    const auto in = a.Get("--in");
    if (!in)
        return UsageError("restore needs --in FILE");
    std::map<int, std::vector<uint8_t>> blocks;
    std::string content, message;
    if (!ReadFile(*in, content, message, size_t{1} << 24) ||
        !iso::ParseDump(content, blocks, message)) {
        std::fprintf(stderr, "vorexctl: %s\n",
                     message.rfind("cannot read", 0) == 0 ? message.c_str()
                                                          : (*in + ": " + message).c_str());
        return 1;
    }
    ReaderHandle h(o);
    if (!h)
        return 1;
    iso::Layout m;
    if (!iso::GetLayout(h.get(), c, m))
        return ReportLastError(o, h.get(), "memory size");
    // Check the whole file against the tag before anything is written.
    if (const int b = iso::FirstMisfit(blocks, m); b >= 0) {
        std::fprintf(stderr, "vorexctl: block %d of %s does not fit this tag (%d x %d bytes)\n", b,
                     in->c_str(), m.blocks, m.blockSize);
        return 1;
    }
    iso::WriteResult r;
    {
        ProgressBar bar("restore");
        r = iso::WriteBlocks(h.get(), c, m, blocks, std::ref(bar));
    }
    const std::string at = std::to_string(r.failedBlock);
    if (r.stage == "read")
        return ReportLastError(o, h.get(), "read block " + at);
    if (r.stage == "write")
        return ReportLastError(o, h.get(), "write block " + at);
    if (r.stage == "verify-read")
        return ReportLastError(o, h.get(), "verify block " + at);
    if (r.stage == "verify") {
        if (o.json)
            PrintJson({{"ok", false}, {"error", "verify"}, {"block", r.failedBlock}});
        else
            std::fprintf(stderr, "vorexctl: block %d reads back %s after writing %s\n",
                         r.failedBlock, ToHex(r.readBack).c_str(),
                         ToHex(blocks.at(r.failedBlock)).c_str());
        return 1;
    }
    if (o.json)
        PrintJson({{"ok", true}, {"written", r.written}, {"unchanged", r.unchanged}});
    else
        std::printf("%d blocks written and verified, %d unchanged\n", r.written, r.unchanged);
    return 0;
}

// Parses the words with the options the subcommand takes, then runs it.
template <int (*Fn)(const GlobalOptions&, const Args&)>
int WithArgs(const char* name, std::vector<std::string> options, const GlobalOptions& o,
             const std::vector<std::string>& words) {
    Args a;
    std::string error;
    // Only lock asks for a confirmation.
    std::vector<std::string> switches;
    if (std::string(name) == "lock")
        switches.push_back("--yes");
    if (!a.Parse(words, {std::move(options), {}, std::move(switches)}, error))
        return UsageError("iso15693 " + std::string(name) + ": " + error);
    if (!a.Words().empty())
        return UsageError("unexpected \"" + a.Words()[0] + "\" for iso15693 " + name);
    return Fn(o, a);
}

} // namespace

int RunIso15693(const GlobalOptions& o, const std::vector<std::string>& args) {
    static const std::vector<Command> kSubs = {
        {"inventory", "UID, manufacturer and DSFID of each tag", "",
         [](const GlobalOptions& g, const std::vector<std::string>& w) {
             return WithArgs<Inventory>("inventory", {"--flags"}, g, w);
         }},
        {"info", "system information and memory size", "",
         [](const GlobalOptions& g, const std::vector<std::string>& w) {
             return WithArgs<Info>("info", {"--uid", "--flags"}, g, w);
         }},
        {"read", "one block as hex", "",
         [](const GlobalOptions& g, const std::vector<std::string>& w) {
             return WithArgs<Read>("read", {"--uid", "--block", "--flags"}, g, w);
         }},
        {"write", "writes one block", "",
         [](const GlobalOptions& g, const std::vector<std::string>& w) {
             return WithArgs<Write>("write", {"--uid", "--block", "--data", "--flags"}, g, w);
         }},
        {"lock", "locks blocks for good", "",
         [](const GlobalOptions& g, const std::vector<std::string>& w) {
             return WithArgs<Lock>("lock", {"--uid", "--from", "--to", "--flags"}, g, w);
         }},
        {"dump", "all blocks with their lock state (JSON)", "",
         [](const GlobalOptions& g, const std::vector<std::string>& w) {
             return WithArgs<Dump>("dump", {"--uid", "--out", "--flags"}, g, w);
         }},
        {"restore", "writes the blocks of a dump that differ and verifies them", "",
         [](const GlobalOptions& g, const std::vector<std::string>& w) {
             return WithArgs<Restore>("restore", {"--uid", "--in", "--flags"}, g, w);
         }},
    };
    if (args.empty())
        return UsageError("iso15693 needs a subcommand (inventory, info, read, write, lock, "
                          "dump, restore)");
    return Dispatch("iso15693", kSubs, "", o, args);
}

} // namespace vorexctl
