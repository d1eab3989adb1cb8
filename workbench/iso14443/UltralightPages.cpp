#include "workbench/iso14443/UltralightPages.h"

#include "workbench/common/ByteText.h"

namespace vorex::wb::nfc {

void UltralightPages::ClearAll() {
    for (auto& page : data_)
        page.clear();
    for (auto& page : read_)
        page.clear();
}

std::vector<int> UltralightPages::ChangedPages() const {
    std::vector<int> pages;
    for (int p = kFirstWritablePage; p < kUltralightPages; ++p)
        if (data_[static_cast<size_t>(p)] != read_[static_cast<size_t>(p)])
            pages.push_back(p);
    return pages;
}

std::string UltralightPages::Text(int page, int mode, int order) const {
    const std::vector<uint8_t>& bytes = Data(page);
    return bytes.empty() ? std::string()
                         : wb::BytesToText(bytes, static_cast<uint8_t>(bytes.size()), mode, order);
}

void UltralightPages::Take(int page, const std::string& text, int mode, int order) {
    if (page >= kFirstWritablePage && page < kUltralightPages && !text.empty())
        Set(page, wb::TextToBytes(text, 4, mode, order));
}

PageWrite UltralightPages::WriteAction(int page, bool selected) const {
    if (!selected || page < kFirstWritablePage || page >= kUltralightPages)
        return PageWrite::Skip;
    return Data(page).size() == 4 ? PageWrite::Write : PageWrite::WrongLength;
}

} // namespace vorex::wb::nfc
