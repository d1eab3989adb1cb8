#pragma once
// MIFARE Ultralight and NFC Forum Type 2 tags (pages of 4 bytes) through the VOREX_
// calls of an open connection `handle`, the tag activated: finding the memory size by
// reading, writing pages with read-back, and the page dump formats.
#include "cards/CardTypes.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace vorex::cards::type2 {

using Page = std::array<uint8_t, 4>;
// An NTAG password (4 bytes) for PWD_AUTH.
using Password = std::array<uint8_t, 4>;

// PWD_AUTH through the reader's authenticate with a 4-byte key; true without a
// password. Selecting the tag again ends the authentication.
bool Unlock(int handle, const std::optional<Password>& password);

// Why the page discovery stopped.
enum class PagesEnd {
    Limit,         // the page limit given was reached
    ReadRefused,   // a read was refused (the end of the memory, or pages the tag
                   // protects; see StoppedInsideDataArea)
    SectorRefused, // the sector select for the next 256 pages was refused
};

struct PageScan {
    std::vector<Page> pages; // pages 0 .. n-1 as read
    PagesEnd end = PagesEnd::Limit;
    int error = 0; // VOREX_GetLastError after the read that ended the scan
};

// Reads four pages at a time until the tag refuses, then finds the real end inside
// the last group page by page (waking the tag again, as a refused read leaves it
// idle, and unlocking it again with the password). A refused sector select ends the memory too, as
// the read would otherwise go to the sector still selected. False when not even pages 0-3 could be
// read. `progress` gets (pages read, limit) for limits up to 16 pages, else (pages read, 0).
bool ReadPages(int handle, int limit, PageScan& scan, const Progress& progress = {},
               const std::optional<Password>& password = {});

// The first page past the data area the capability container (page 3: E1, version,
// size / 8) announces; 0 when it announces none.
size_t AnnouncedEnd(const std::vector<Page>& pages);
// True when a scan that did not stop at its page limit ended before that end: the tag
// hides the rest behind its password (NTAG AUTH0 with read protection), which is no
// end of memory.
bool StoppedInsideDataArea(const PageScan& scan);

// Name of the tag from the page count and capability container: "ultralight",
// "ntag213", "ntag215", "ntag216", or "type2". For a tag that hid pages only the
// capability container can name it.
std::string TagName(const std::vector<Page>& pages, bool hidden = false);

// Page dump formats: JSON {"type", "uid", "page_count", ["protected_from",] "pages":
// ["hex", ...]} and the pages back to back. protected_from (the first page the tag
// hid) is written when the dump stopped inside the announced data area.
std::string PagesToJson(const std::string& type, const std::vector<uint8_t>& uid,
                        const std::vector<Page>& pages, bool hidden = false);
std::string PagesToBinary(const std::vector<Page>& pages);

// Writes `count` pages from `first` on (data: 4 * count bytes) and reads each back.
// Lock and one-time pages (2, 3) only OR bits in, so there the bits written must be
// set (the first two bytes of page 2, UID and internal bytes, are not compared).
// The NTAG password pages (PWD, PACK) always read as zeros: a write there that the tag
// acknowledged counts as written and is listed in `unverified`.
// Stops at the first problem: `failedPage` is set and `problem` says "write", "read"
// or "verify" (for "write" and "read" VOREX_GetLastError has the reason).
struct PageWriteResult {
    std::vector<int> written;
    std::vector<int> unverified; // written, but unreadable by design
    int failedPage = -1;
    std::string problem;
};
PageWriteResult WritePages(int handle, int first, const uint8_t* data, int count);

} // namespace vorex::cards::type2
