#include "workbench/iso14443/ClassicRows.h"

#include "cards/ValueBlock.h"
#include "workbench/common/ByteText.h"

#include <charconv>

namespace vorex::wb::mfc {

namespace mf = vorex::cards::mifare;

std::string RowText(const std::vector<uint8_t>& data, bool trailerRow, bool valueMode,
                    int displayMode, int byteOrder) {
    if (data.empty())
        return {};
    if (trailerRow)
        return wb::BytesToText(data, 16, wb::kHex, wb::kLsbFirst);
    if (valueMode) {
        if (data.size() != 16)
            return {};
        const auto value = mf::DecodeValue(data.data());
        return value ? std::to_string(*value) : std::string();
    }
    return wb::BytesToText(data, 16, displayMode, byteOrder);
}

std::optional<int32_t> ParseValue(const std::string& text) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

std::optional<std::vector<uint8_t>> RowData(const std::string& text, bool valueMode,
                                            int displayMode, int byteOrder) {
    if (text.empty())
        return std::nullopt;
    if (!valueMode)
        return wb::TextToBytes(text, 16, displayMode, byteOrder);
    const auto value = ParseValue(text);
    if (!value)
        return std::nullopt;
    const auto block = mf::EncodeValueBlock({*value, 0});
    return std::vector<uint8_t>(block.begin(), block.end());
}

} // namespace vorex::wb::mfc
