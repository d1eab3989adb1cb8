#pragma once
// The memory an NFC Type 2 workbench shows: per page the bytes last read from or written
// to the tag (the reference for what counts as changed) and the bytes as shown and
// edited. Pages are 4 bytes or empty; the page count is a whole number of grid rows of
// four pages. Pages 0..3 (UID, lock bytes, capability container) are never changed.
#include "cards/Type2Tag.h"
#include "workbench/iso14443/PageTagRules.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorex::wb::nfc {

using Bytes = std::vector<uint8_t>;

constexpr int kPagesPerRow = 4;
constexpr int kBytesPerPage = 4;
constexpr int kFixedPages = 4;

class Type2Memory {
public:
    void Clear();
    // The pages read (tag and shown data), completed with empty pages to whole rows.
    void Load(const std::vector<cards::type2::Page>& pages);

    int PageCount() const { return static_cast<int>(tag_.size()); }
    const Bytes& TagData(int page) const { return tag_.at(static_cast<size_t>(page)); }
    const Bytes& Current(int page) const { return current_.at(static_cast<size_t>(page)); }

    // The cell text of a page in the given display.
    std::string Text(int page, int mode, int order) const;
    // Takes a cell's text: a non-empty text sets the shown bytes of the page.
    void Take(int page, const std::string& text, int mode, int order);
    // After an edit of a page's cell: the text the cell shows now. Pages 0..3 go back
    // to their tag data; in HEX a non-empty text is taken and shown normalised.
    std::string AfterEdit(int page, const std::string& text, int mode, int order);
    // A cell text that stands for other bytes than the page holds on the tag.
    bool Differs(int page, const std::string& text, int mode, int order) const;
    // What "Schreiben" does with the page whose cell shows cellText.
    PageWrite WriteAction(int page, const std::string& cellText) const;
    // The page was written: its shown bytes are now on the tag.
    void Written(int page);
    // Pages whose shown bytes differ from the tag's: edits not written yet.
    std::vector<int> ChangedPages() const;

    // The tag's bytes from page 0 up to the first empty page.
    Bytes TagBytes() const;

private:
    bool InRange(int page) const { return page >= 0 && page < PageCount(); }
    std::vector<Bytes> tag_;
    std::vector<Bytes> current_;
};

} // namespace vorex::wb::nfc
