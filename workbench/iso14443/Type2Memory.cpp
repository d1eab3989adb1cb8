#include "workbench/iso14443/Type2Memory.h"

#include "workbench/common/ByteText.h"

namespace vorex::wb::nfc {

void Type2Memory::Clear() {
    tag_.clear();
    current_.clear();
}

void Type2Memory::Load(const std::vector<cards::type2::Page>& pages) {
    Clear();
    for (const cards::type2::Page& p : pages)
        tag_.emplace_back(p.begin(), p.end());
    while (tag_.size() % kPagesPerRow != 0)
        tag_.emplace_back();
    current_ = tag_;
}

std::string Type2Memory::Text(int page, int mode, int order) const {
    if (!InRange(page))
        return {};
    const Bytes& bytes = Current(page);
    return bytes.empty() ? std::string()
                         : wb::BytesToText(bytes, static_cast<uint8_t>(bytes.size()), mode, order);
}

void Type2Memory::Take(int page, const std::string& text, int mode, int order) {
    if (InRange(page) && !text.empty())
        current_[static_cast<size_t>(page)] = wb::TextToBytes(text, kBytesPerPage, mode, order);
}

std::string Type2Memory::AfterEdit(int page, const std::string& text, int mode, int order) {
    if (!InRange(page))
        return text;
    if (page < kFixedPages) {
        current_[static_cast<size_t>(page)] = TagData(page);
        return Text(page, mode, order);
    }
    if (mode != wb::kHex || text.empty())
        return text;
    Take(page, text, mode, order);
    return Text(page, mode, order);
}

bool Type2Memory::Differs(int page, const std::string& text, int mode, int order) const {
    if (!InRange(page) || page < kFixedPages)
        return false;
    if (text.empty())
        return false;
    return wb::TextToBytes(text, kBytesPerPage, mode, order) != TagData(page);
}

PageWrite Type2Memory::WriteAction(int page, const std::string& cellText) const {
    if (!InRange(page) || page < kFixedPages)
        return PageWrite::Skip;
    const Bytes& shown = Current(page);
    if (shown.empty() || shown == TagData(page))
        return PageWrite::Skip;
    return cellText.empty() ? PageWrite::WrongLength : PageWrite::Write;
}

void Type2Memory::Written(int page) {
    if (InRange(page))
        tag_[static_cast<size_t>(page)] = Current(page);
}

std::vector<int> Type2Memory::ChangedPages() const {
    std::vector<int> pages;
    for (int page = kFixedPages; page < PageCount(); ++page)
        if (!Current(page).empty() && Current(page) != TagData(page))
            pages.push_back(page);
    return pages;
}

Bytes Type2Memory::TagBytes() const {
    Bytes bytes;
    for (const Bytes& page : tag_) {
        if (page.empty())
            break;
        bytes.insert(bytes.end(), page.begin(), page.end());
    }
    return bytes;
}

} // namespace vorex::wb::nfc
