#include "cards/Iso15693Tag.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <vorex/vorex.h>

namespace vorex::cards::iso15693 {

namespace {

using nlohmann::json;

// The reader's answers carry at most this many payload bytes.
constexpr int kMaxAnswer = 254;

bool ParseHex(const std::string& text, std::vector<uint8_t>& out) {
    out.clear();
    std::string s = text;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s = s.substr(2);
    if (s.empty() || s.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < s.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(s[i]), lo = static_cast<unsigned char>(s[i + 1]);
        if (!std::isxdigit(hi) || !std::isxdigit(lo))
            return false;
        out.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
    }
    return true;
}

// Read Multiple Blocks of `count` blocks from `first`, cut into BlockReads; false when
// the call failed or the answer has neither count * (size + 1) nor count * size bytes.
bool ReadChunk(int handle, int first, int count, const TagAddress& tag, const Layout& m,
               std::vector<BlockRead>& out) {
    const size_t size = static_cast<size_t>(m.blockSize);
    std::vector<uint8_t> buf(static_cast<size_t>(count) * (size + 1));
    const int n = VOREX_Iso15693ReadMultipleBlocks(handle, first, count, buf.data(),
                                                   static_cast<int>(buf.size()), tag.uid.data(),
                                                   tag.UidLength(), m.readFlags | kOptionFlag);
    const bool withStatus = n == static_cast<int>(count * (size + 1));
    if (!withStatus && n != static_cast<int>(count * size))
        return false;
    const size_t step = withStatus ? size + 1 : size;
    for (int i = 0; i < count; ++i) {
        const auto at = buf.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(i) * step);
        BlockRead b;
        if (withStatus)
            b.locked = IsLocked(*at);
        b.data.assign(at + (withStatus ? 1 : 0), at + static_cast<std::ptrdiff_t>(step));
        out.push_back(std::move(b));
    }
    return true;
}

} // namespace

bool ReaderOrTagGone(int error) {
    return error == VOREX_ERR_TIMEOUT || error == VOREX_ERR_NOTHING_RECEIVED ||
           error == VOREX_ERR_UNKNOWN_HANDLE || error == VOREX_ERR_NO_TRANSPONDER;
}

bool GetLayout(int handle, const TagAddress& tag, Layout& m) {
    if (VOREX_Iso15693GetMemorySize(handle, tag.uid.data(), tag.UidLength(), &m.blocks,
                                    &m.blockSize, &m.manufacturer, tag.flags) != 0)
        return false;
    m.readFlags = tag.flags;
    if (NeedsProtocolExtension(m.blocks))
        m.readFlags |= kProtocolExtension;
    return m.blocks > 0 && m.blockSize > 0;
}

bool ReadBlockWithStatus(int handle, int block, const TagAddress& tag, const Layout& m,
                         BlockRead& out) {
    std::vector<uint8_t> buf(static_cast<size_t>(m.blockSize) + 1);
    const int n =
        VOREX_Iso15693ReadBlock(handle, block, buf.data(), static_cast<int>(buf.size()),
                                tag.uid.data(), tag.UidLength(), m.readFlags | kOptionFlag);
    if (n < 0)
        return false;
    out.locked.reset();
    if (n == m.blockSize + 1) {
        out.locked = IsLocked(buf[0]);
        out.data.assign(buf.begin() + 1, buf.begin() + n);
    } else {
        out.data.assign(buf.begin(), buf.begin() + n);
    }
    return true;
}

bool ReadBlock(int handle, int block, const TagAddress& tag, unsigned flags, size_t size,
               std::vector<uint8_t>& data) {
    data.assign(std::max<size_t>(size, 64), 0);
    const int n = VOREX_Iso15693ReadBlock(handle, block, data.data(), static_cast<int>(data.size()),
                                          tag.uid.data(), tag.UidLength(), flags);
    if (n < 0)
        return false;
    data.resize(static_cast<size_t>(n));
    return true;
}

bool ReadAllBlocks(int handle, const TagAddress& tag, const Layout& m,
                   std::vector<BlockRead>& blocks, int& failedBlock, const Progress& progress,
                   int chunk, const std::function<bool()>& cancelled) {
    blocks.clear();
    failedBlock = -1;
    const int fit = (kMaxAnswer - 1) / (m.blockSize + 1);
    chunk = std::clamp(chunk > 0 ? chunk : fit, 1, 256);
    // Infineon tags know only their custom single-block read.
    bool multiple =
        chunk > 1 && (m.readFlags & kInfineon) == 0 && m.manufacturer != kManufacturerInfineon;
    const auto stop = [&](int block) {
        if (!cancelled || !cancelled())
            return false;
        failedBlock = block;
        return true;
    };
    while (static_cast<int>(blocks.size()) < m.blocks) {
        const int first = static_cast<int>(blocks.size());
        const int count = std::min(chunk, m.blocks - first);
        if (stop(first))
            return false;
        if (multiple && count > 1) {
            if (ReadChunk(handle, first, count, tag, m, blocks)) {
                if (progress)
                    progress(static_cast<int>(blocks.size()), m.blocks);
                continue;
            }
            if (ReaderOrTagGone(VOREX_GetLastError(handle))) {
                failedBlock = first;
                return false;
            }
            multiple = false; // the tag or the reader does not take it: block by block
        }
        for (int b = first; b < first + count; ++b) {
            BlockRead r;
            if ((b > first && stop(b)) || !ReadBlockWithStatus(handle, b, tag, m, r)) {
                failedBlock = b;
                return false;
            }
            blocks.push_back(std::move(r));
            if (progress)
                progress(b + 1, m.blocks);
        }
    }
    return true;
}

std::string DumpToJson(const std::string& uidText, const Layout& m,
                       const std::vector<BlockRead>& blocks) {
    json list = json::array();
    for (size_t b = 0; b < blocks.size(); ++b) {
        json entry{{"block", b}, {"data", Hex(blocks[b].data.data(), blocks[b].data.size())}};
        entry["locked"] = blocks[b].locked ? json(*blocks[b].locked) : json(nullptr);
        list.push_back(entry);
    }
    const json dump{{"uid", uidText},
                    {"manufacturer", m.manufacturer},
                    {"block_count", m.blocks},
                    {"block_size", m.blockSize},
                    {"blocks", list}};
    return dump.dump(2);
}

bool ParseDump(const std::string& content, std::map<int, std::vector<uint8_t>>& blocks,
               std::string& error, std::string* uid) {
    blocks.clear();
    const json j = json::parse(content, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("blocks") || !j["blocks"].is_array()) {
        error = "not a dump (JSON object with a \"blocks\" array)";
        return false;
    }
    if (uid)
        *uid = j.contains("uid") && j["uid"].is_string() ? j["uid"].get<std::string>() : "";
    for (const auto& e : j["blocks"]) {
        if (!e.is_object() || !e.contains("block") || !e["block"].is_number_integer() ||
            !e.contains("data") || !e["data"].is_string()) {
            error = "every block needs \"block\" and \"data\"";
            return false;
        }
        const long long b = e["block"].get<long long>();
        std::vector<uint8_t> data;
        if (b < 0 || b > 0xFFFF || !ParseHex(e["data"].get<std::string>(), data) ||
            blocks.count(static_cast<int>(b))) {
            error = "block entry " + e.dump() + " is not valid";
            return false;
        }
        blocks[static_cast<int>(b)] = std::move(data);
    }
    return true;
}

int FirstMisfit(const std::map<int, std::vector<uint8_t>>& blocks, const Layout& m) {
    for (const auto& [b, data] : blocks)
        if (b >= m.blocks || data.size() != static_cast<size_t>(m.blockSize))
            return b;
    return -1;
}

WriteResult WriteBlocks(int handle, const TagAddress& tag, const Layout& m,
                        const std::map<int, std::vector<uint8_t>>& blocks,
                        const Progress& progress) {
    WriteResult r;
    int done = 0;
    const int total = static_cast<int>(blocks.size());
    // Lists the failure; false when the reader or the tag is gone.
    auto fail = [&](int b, const char* stage, std::vector<uint8_t> readBack = {}) {
        const int error = VOREX_GetLastError(handle);
        if (readBack.empty() && ReaderOrTagGone(error)) {
            r.stoppedAt = b;
            r.failed.push_back({b, stage, error, {}});
            return false;
        }
        r.failed.push_back({b, stage, readBack.empty() ? error : 0, std::move(readBack)});
        return true;
    };
    for (const auto& [b, data] : blocks) {
        if (progress)
            progress(done++, total);
        std::vector<uint8_t> now;
        if (!ReadBlock(handle, b, tag, m.readFlags, data.size(), now)) {
            if (!fail(b, "read"))
                break;
            continue;
        }
        if (now == data) {
            ++r.unchanged;
            continue;
        }
        if (VOREX_Iso15693WriteBlock(handle, b, data.data(), static_cast<int>(data.size()),
                                     tag.uid.data(), tag.UidLength(), m.readFlags) != 0) {
            if (!fail(b, "write"))
                break;
            continue;
        }
        if (!ReadBlock(handle, b, tag, m.readFlags, data.size(), now)) {
            if (!fail(b, "verify-read"))
                break;
            continue;
        }
        if (now != data) {
            fail(b, "verify", now);
            continue;
        }
        ++r.written;
        r.writtenBlocks.push_back(b);
    }
    if (progress && r.stoppedAt < 0)
        progress(done, total);
    return r;
}

LockResult LockBlocks(int handle, const TagAddress& tag, const Layout& m, int from, int to) {
    LockResult r;
    if (m.blocks > 0 && to >= m.blocks) {
        r.refused = "block " + std::to_string(to) + " outside 0-" + std::to_string(m.blocks - 1) +
                    " of this tag";
        return r;
    }
    std::vector<uint8_t> data;
    if (m.blocks <= 0 && !ReadBlock(handle, to, tag, tag.flags, 64, data)) {
        r.refused = "block " + std::to_string(to) + " cannot be read (the tag reports no size)";
        r.error = VOREX_GetLastError(handle);
        return r;
    }
    for (int b = from; b <= to; ++b) {
        if (VOREX_Iso15693LockBlock(handle, b, tag.uid.data(), tag.UidLength(), tag.flags) != 0) {
            r.failedBlock = b;
            r.error = VOREX_GetLastError(handle);
            return r;
        }
        r.locked.push_back(b);
    }
    return r;
}

} // namespace vorex::cards::iso15693
