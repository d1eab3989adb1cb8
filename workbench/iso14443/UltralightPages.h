#pragma once
// The 16 pages of a MIFARE Ultralight as its workbench holds them: each empty or 4
// bytes. Pages 0..3 (serial number, lock and one-time bytes) are shown but never taken
// from their edits nor written.
#include "workbench/iso14443/PageTagRules.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorex::wb::nfc {

constexpr int kUltralightPages = 16;
constexpr int kFirstWritablePage = 4;

class UltralightPages {
public:
    const std::vector<uint8_t>& Data(int page) const { return data_.at(static_cast<size_t>(page)); }
    void Set(int page, std::vector<uint8_t> bytes) {
        data_.at(static_cast<size_t>(page)) = std::move(bytes);
    }
    void Clear(int page) { data_.at(static_cast<size_t>(page)).clear(); }
    // Nothing shown and nothing read.
    void ClearAll();

    // The pages shown are what the tag holds: after a read, and for one page after its
    // write.
    void MarkRead() { read_ = data_; }
    void MarkWritten(int page) {
        read_.at(static_cast<size_t>(page)) = data_.at(static_cast<size_t>(page));
    }
    // Pages 4..15 whose bytes differ from what was last read or written: edits that
    // would be lost if the pages were read again.
    std::vector<int> ChangedPages() const;

    // The edit text of a page: empty for an empty page.
    std::string Text(int page, int mode, int order) const;
    // Takes an edit's text: pages 4..15 with a non-empty text get its 4 bytes.
    void Take(int page, const std::string& text, int mode, int order);
    // Skip: not selected, or one of pages 0..3.
    PageWrite WriteAction(int page, bool selected) const;

private:
    std::array<std::vector<uint8_t>, kUltralightPages> data_{};
    std::array<std::vector<uint8_t>, kUltralightPages> read_{};
};

} // namespace vorex::wb::nfc
