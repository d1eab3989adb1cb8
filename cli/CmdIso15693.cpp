// vorexctl iso15693: inventory, system information, block read/write/lock, and dumps
// of a tag's blocks to JSON and back.
#include "Cli.h"
#include "vorex.h"

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

constexpr unsigned kOptionFlag = 0x40;
constexpr unsigned kProtocolExtension = 0x08;
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

// Words of a subcommand: "--name value" options and bare switches.
class Args {
public:
    Args(const std::vector<std::string>& words, std::vector<std::string> switches)
        : switches_(std::move(switches)) {
        for (size_t i = 0; i < words.size(); ++i) {
            const std::string& w = words[i];
            if (std::find(switches_.begin(), switches_.end(), w) != switches_.end()) {
                values_[w] = "";
            } else if (w.rfind("--", 0) == 0 && i + 1 < words.size()) {
                values_[w] = words[++i];
            } else {
                bad_ = w;
                return;
            }
        }
    }
    const std::string& Bad() const { return bad_; }
    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    std::optional<std::string> Get(const std::string& name) const {
        auto it = values_.find(name);
        if (it == values_.end())
            return std::nullopt;
        return it->second;
    }
    // Names given that are not in `known`.
    std::string Unknown(const std::vector<std::string>& known) const {
        for (const auto& [name, value] : values_)
            if (std::find(known.begin(), known.end(), name) == known.end())
                return name;
        return {};
    }

private:
    std::vector<std::string> switches_;
    std::map<std::string, std::string> values_;
    std::string bad_;
};

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

struct Common {
    std::vector<uint8_t> uid;
    unsigned flags = 0;
};

// --uid (required when `needUid`) and --flags.
int ParseCommon(const Args& a, bool needUid, Common& c) {
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

int UidLength(const Common& c) {
    return c.uid.empty() ? 0 : 8;
}

struct MemoryLayout {
    int blocks = 0;
    int blockSize = 0;
    int manufacturer = -1;
    unsigned readFlags = 0;
};

bool GetLayout(int handle, const Common& c, MemoryLayout& m) {
    if (VOREX_Iso15693GetMemorySize(handle, c.uid.data(), UidLength(c), &m.blocks, &m.blockSize,
                                    &m.manufacturer, c.flags) != 0)
        return false;
    m.readFlags = c.flags;
    // ST tags beyond 256 blocks need two-byte block numbers.
    if (m.manufacturer == 0x02 && m.blocks > 256)
        m.readFlags |= kProtocolExtension;
    return m.blocks > 0 && m.blockSize > 0;
}

// Reads a block with its security status when the tag reports one.
bool ReadWithStatus(int handle, int block, const Common& c, const MemoryLayout& m,
                    std::vector<uint8_t>& data, std::optional<bool>& locked) {
    std::vector<uint8_t> buf(static_cast<size_t>(m.blockSize) + 1);
    const int n = VOREX_Iso15693ReadBlock(handle, block, buf.data(), static_cast<int>(buf.size()),
                                          c.uid.data(), UidLength(c), m.readFlags | kOptionFlag);
    if (n < 0)
        return false;
    locked.reset();
    if (n == m.blockSize + 1) {
        locked = buf[0] != 0;
        data.assign(buf.begin() + 1, buf.begin() + n);
    } else {
        data.assign(buf.begin(), buf.begin() + n);
    }
    return true;
}

bool ReadPlain(int handle, int block, const Common& c, unsigned flags, size_t size,
               std::vector<uint8_t>& data) {
    data.assign(std::max<size_t>(size, 64), 0);
    const int n = VOREX_Iso15693ReadBlock(handle, block, data.data(), static_cast<int>(data.size()),
                                          c.uid.data(), UidLength(c), flags);
    if (n < 0)
        return false;
    data.resize(static_cast<size_t>(n));
    return true;
}

class Progress {
public:
    explicit Progress(int total) : total_(total), shown_(isatty(STDERR_FILENO) == 1) {}
    ~Progress() {
        if (shown_ && drawn_)
            std::fputc('\n', stderr);
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void Step(int done) {
        if (!shown_ || total_ <= 0)
            return;
        const int width = 40;
        const int filled = done * width / total_;
        std::fprintf(stderr, "\r[%s%s] %d/%d",
                     std::string(static_cast<size_t>(filled), '#').c_str(),
                     std::string(static_cast<size_t>(width - filled), '.').c_str(), done, total_);
        std::fflush(stderr);
        drawn_ = true;
    }

private:
    int total_;
    bool shown_;
    bool drawn_ = false;
};

int Inventory(const GlobalOptions& o, const Args& a) {
    Common c;
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
    Common c;
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
    MemoryLayout m;
    if (!GetLayout(h.get(), c, m))
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
    Common c;
    if (int rc = ParseCommon(a, true, c))
        return rc;
    int block;
    if (!ParseBlock(a.Get("--block"), block))
        return UsageError("read needs --block N (0-65535)");
    ReaderHandle h(o);
    if (!h)
        return 1;
    std::vector<uint8_t> data;
    if (!ReadPlain(h.get(), block, c, c.flags, 64, data))
        return ReportLastError(o, h.get(), "read block " + std::to_string(block));
    if (o.json)
        PrintJson({{"ok", true}, {"block", block}, {"data", ToHex(data, "")}});
    else
        std::printf("%s\n", ToHex(data).c_str());
    return 0;
}

int Write(const GlobalOptions& o, const Args& a) {
    Common c;
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
    Common c;
    if (int rc = ParseCommon(a, true, c))
        return rc;
    int from, to;
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
    Common c;
    if (int rc = ParseCommon(a, true, c))
        return rc;
    const auto out = a.Get("--out");
    ReaderHandle h(o);
    if (!h)
        return 1;
    MemoryLayout m;
    if (!GetLayout(h.get(), c, m))
        return ReportLastError(o, h.get(), "memory size");
    json blocks = json::array();
    {
        Progress progress(m.blocks);
        for (int b = 0; b < m.blocks; ++b) {
            std::vector<uint8_t> data;
            std::optional<bool> locked;
            if (!ReadWithStatus(h.get(), b, c, m, data, locked))
                return ReportLastError(o, h.get(), "read block " + std::to_string(b));
            json entry{{"block", b}, {"data", ToHex(data, "")}};
            entry["locked"] = locked ? json(*locked) : json(nullptr);
            blocks.push_back(entry);
            progress.Step(b + 1);
        }
    }
    const json dump{{"uid", UidText(c.uid.data())},
                    {"manufacturer", m.manufacturer},
                    {"block_count", m.blocks},
                    {"block_size", m.blockSize},
                    {"blocks", blocks}};
    if (out) {
        std::ofstream f(*out);
        f << dump.dump(2) << "\n";
        if (!f) {
            std::fprintf(stderr, "vorexctl: cannot write %s\n", out->c_str());
            return 1;
        }
        if (o.json)
            PrintJson({{"ok", true}, {"file", *out}, {"block_count", m.blocks}});
        else
            std::printf("%d blocks written to %s\n", m.blocks, out->c_str());
    } else {
        std::printf("%s\n", dump.dump(2).c_str());
    }
    return 0;
}

// Reads a dump file into block -> bytes; the message tells what is wrong.
bool LoadDump(const std::string& path, std::map<int, std::vector<uint8_t>>& blocks,
              std::string& message) {
    std::ifstream in(path);
    if (!in) {
        message = "cannot read " + path;
        return false;
    }
    const json j = json::parse(in, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("blocks") || !j["blocks"].is_array()) {
        message = path + " is not a dump (JSON object with a \"blocks\" array)";
        return false;
    }
    for (const auto& e : j["blocks"]) {
        if (!e.is_object() || !e.contains("block") || !e["block"].is_number_integer() ||
            !e.contains("data") || !e["data"].is_string()) {
            message = path + ": every block needs \"block\" and \"data\"";
            return false;
        }
        const int b = e["block"].get<int>();
        std::vector<uint8_t> data;
        if (b < 0 || b > 0xFFFF || !ParseHexBytes({e["data"].get<std::string>()}, data) ||
            data.empty() || blocks.count(b)) {
            message = path + ": block entry " + e.dump() + " is not valid";
            return false;
        }
        blocks[b] = std::move(data);
    }
    return true;
}

int Restore(const GlobalOptions& o, const Args& a) {
    Common c;
    if (int rc = ParseCommon(a, true, c))
        return rc;
    const auto in = a.Get("--in");
    if (!in)
        return UsageError("restore needs --in FILE");
    std::map<int, std::vector<uint8_t>> blocks;
    std::string message;
    if (!LoadDump(*in, blocks, message)) {
        std::fprintf(stderr, "vorexctl: %s\n", message.c_str());
        return 1;
    }
    ReaderHandle h(o);
    if (!h)
        return 1;
    MemoryLayout m;
    if (!GetLayout(h.get(), c, m))
        return ReportLastError(o, h.get(), "memory size");
    // Check the whole file against the tag before anything is written.
    for (const auto& [b, data] : blocks) {
        if (b >= m.blocks || data.size() != static_cast<size_t>(m.blockSize)) {
            std::fprintf(stderr, "vorexctl: block %d of %s does not fit this tag (%d x %d bytes)\n",
                         b, in->c_str(), m.blocks, m.blockSize);
            return 1;
        }
    }
    int written = 0, unchanged = 0;
    Progress progress(static_cast<int>(blocks.size()));
    int done = 0;
    for (const auto& [b, data] : blocks) {
        std::vector<uint8_t> now;
        if (!ReadPlain(h.get(), b, c, m.readFlags, data.size(), now))
            return ReportLastError(o, h.get(), "read block " + std::to_string(b));
        if (now == data) {
            ++unchanged;
        } else {
            if (VOREX_Iso15693WriteBlock(h.get(), b, data.data(), static_cast<int>(data.size()),
                                         c.uid.data(), 8, m.readFlags) != 0)
                return ReportLastError(o, h.get(), "write block " + std::to_string(b));
            if (!ReadPlain(h.get(), b, c, m.readFlags, data.size(), now))
                return ReportLastError(o, h.get(), "verify block " + std::to_string(b));
            if (now != data) {
                if (o.json)
                    PrintJson({{"ok", false}, {"error", "verify"}, {"block", b}});
                else
                    std::fprintf(stderr, "vorexctl: block %d reads back %s after writing %s\n", b,
                                 ToHex(now).c_str(), ToHex(data).c_str());
                return 1;
            }
            ++written;
        }
        progress.Step(++done);
    }
    if (o.json)
        PrintJson({{"ok", true}, {"written", written}, {"unchanged", unchanged}});
    else
        std::printf("%d blocks written and verified, %d unchanged\n", written, unchanged);
    return 0;
}

struct Sub {
    const char* name;
    int (*run)(const GlobalOptions&, const Args&);
    std::vector<std::string> options;
};

} // namespace

int RunIso15693(const GlobalOptions& o, const std::vector<std::string>& args) {
    static const Sub subs[] = {
        {"inventory", Inventory, {"--flags"}},
        {"info", Info, {"--uid", "--flags"}},
        {"read", Read, {"--uid", "--block", "--flags"}},
        {"write", Write, {"--uid", "--block", "--data", "--flags"}},
        {"lock", Lock, {"--uid", "--from", "--to", "--yes", "--flags"}},
        {"dump", Dump, {"--uid", "--out", "--flags"}},
        {"restore", Restore, {"--uid", "--in", "--flags"}},
    };
    if (args.empty())
        return UsageError("iso15693 needs a subcommand (inventory, info, read, write, lock, "
                          "dump, restore)");
    for (const Sub& s : subs) {
        if (args[0] != s.name)
            continue;
        const Args a(std::vector<std::string>(args.begin() + 1, args.end()), {"--yes"});
        if (!a.Bad().empty())
            return UsageError("unexpected \"" + a.Bad() + "\" for iso15693 " + s.name);
        const std::string unknown = a.Unknown(s.options);
        if (!unknown.empty())
            return UsageError("iso15693 " + std::string(s.name) + " does not take " + unknown);
        return s.run(o, a);
    }
    return UsageError("unknown iso15693 subcommand \"" + args[0] + "\"");
}

} // namespace vorexctl
