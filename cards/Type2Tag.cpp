#include "cards/Type2Tag.h"

#include "cards/ClassicCard.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <vorex/vorex.h>

namespace vorex::cards::type2 {

namespace {

// Reads `size` bytes (16 = four pages, 4 = one) of page p; false when the read was
// refused or went to another sector than p's (its sector select was refused: a tag
// then goes idle and refuses the read too, a reader may still answer it).
bool ReadAt(int handle, int p, unsigned char* data, int size, PageScan& scan) {
    const bool read = VOREX_MifareReadBlock(handle, p, data, size) == size;
    const bool sector = VOREX_MifareSelectedSector(handle) == p >> 8;
    if (read && sector)
        return true;
    scan.end = sector ? PagesEnd::ReadRefused : PagesEnd::SectorRefused;
    scan.error = VOREX_GetLastError(handle);
    return false;
}

} // namespace

bool Unlock(int handle, const std::optional<Password>& password) {
    return !password || VOREX_MifareAuthenticate(handle, password->data(), 4, 0, 0, 0) == 0;
}

bool ReadPages(int handle, int limit, PageScan& scan, const Progress& progress,
               const std::optional<Password>& password) {
    scan = PageScan{};
    const int total = limit <= 16 ? limit : 0;
    int groups = 0;
    for (int p = 0; p < limit; p += 4) {
        if (progress)
            progress(p, total);
        unsigned char data[16];
        if (!ReadAt(handle, p, data, 16, scan))
            break;
        for (int i = 0; i < 4; ++i) {
            scan.pages.emplace_back();
            std::copy(data + 4 * i, data + 4 * i + 4, scan.pages.back().begin());
        }
        ++groups;
    }
    if (groups == 0)
        return false;
    const int last = 4 * (groups - 1);
    scan.pages.resize(static_cast<size_t>(last));
    const PageScan groupEnd = scan;
    mifare::CardInfo card;
    if (!mifare::Activate(handle, card) || !Unlock(handle, password))
        return false;
    scan.end = PagesEnd::Limit;
    for (int p = last; p < last + 4 && p < limit; ++p) {
        unsigned char data[4];
        if (!ReadAt(handle, p, data, 4, scan))
            break;
        scan.pages.emplace_back();
        std::copy(data, data + 4, scan.pages.back().begin());
    }
    // All four pages of the last group read singly: the group read ended the scan.
    if (scan.end == PagesEnd::Limit && static_cast<int>(scan.pages.size()) < limit) {
        scan.end = groupEnd.end;
        scan.error = groupEnd.error;
    }
    return true;
}

size_t AnnouncedEnd(const std::vector<Page>& pages) {
    return pages.size() > 3 && pages[3][0] == 0xE1 ? 4 + 2 * size_t{pages[3][2]} : 0;
}

bool StoppedInsideDataArea(const PageScan& scan) {
    // A scan that ended at the page limit given found no protection.
    return scan.end != PagesEnd::Limit && scan.pages.size() < AnnouncedEnd(scan.pages);
}

std::string TagName(const std::vector<Page>& pages, bool hidden) {
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

std::string PagesToJson(const std::string& type, const std::vector<uint8_t>& uid,
                        const std::vector<Page>& pages, bool hidden) {
    nlohmann::json list = nlohmann::json::array();
    for (const Page& p : pages)
        list.push_back(Hex(p.data(), 4));
    nlohmann::json j{{"type", type},
                     {"uid", Hex(uid.data(), uid.size())},
                     {"page_count", pages.size()},
                     {"pages", list}};
    if (hidden)
        j["protected_from"] = pages.size();
    return j.dump(1) + "\n";
}

std::string PagesToBinary(const std::vector<Page>& pages) {
    std::string out;
    for (const Page& p : pages)
        out.append(reinterpret_cast<const char*>(p.data()), 4);
    return out;
}

namespace {

// The password page (PWD; PACK follows it) of the NTAG a capability container size
// byte names, or -1.
int PasswordPage(uint8_t ccSize) {
    switch (ccSize) {
    case 0x12:
        return 0x2B; // NTAG213
    case 0x3E:
        return 0x85; // NTAG215
    case 0x6D:
        return 0xE5; // NTAG216
    default:
        return -1;
    }
}

// True when page p of the active tag is the NTAG's PWD or PACK page, which read back
// as zeros whatever was written (the capability container in page 3 names the chip).
bool WriteOnlyPage(int handle, int p) {
    unsigned char cc[16];
    if (VOREX_MifareReadBlock(handle, 3, cc, 16) != 16 || cc[0] != 0xE1)
        return false;
    const int pwd = PasswordPage(cc[2]);
    return pwd >= 0 && (p == pwd || p == pwd + 1);
}

} // namespace

PageWriteResult WritePages(int handle, int first, const uint8_t* data, int count) {
    PageWriteResult r;
    for (int i = 0; i < count; ++i) {
        const int p = first + i;
        const uint8_t* d = data + 4 * i;
        if (VOREX_MifareWriteBlock(handle, p, d, 4) != 0) {
            r.failedPage = p;
            r.problem = "write";
            return r;
        }
        unsigned char back[4];
        if (VOREX_MifareReadBlock(handle, p, back, 4) != 4) {
            r.failedPage = p;
            r.problem = "read";
            return r;
        }
        // Lock and one-time pages only OR bits in: the bits written must be set.
        const bool orPage = p == 2 || p == 3;
        bool same = true;
        for (int k = orPage && p == 2 ? 2 : 0; k < 4; ++k)
            same = same && (orPage ? (back[k] & d[k]) == d[k] : back[k] == d[k]);
        const bool zeros = std::all_of(back, back + 4, [](uint8_t v) { return v == 0; });
        if (!same && zeros && WriteOnlyPage(handle, p)) {
            // The tag took the write; what it holds cannot be read.
            r.written.push_back(p);
            r.unverified.push_back(p);
            continue;
        }
        if (!same) {
            r.failedPage = p;
            r.problem = "verify";
            return r;
        }
        r.written.push_back(p);
    }
    return r;
}

} // namespace vorex::cards::type2
