#include "engine/links/hid/WideText.h"

#include <cstdint>
#include <iconv.h>
#include <memory>

namespace vorex::links {
namespace {

struct IconvClose {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

bool IsScalarValue(wchar_t c) {
    const auto v = static_cast<uint32_t>(c);
    return v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF);
}

} // namespace

std::string WideToUtf8(const wchar_t* text) {
    std::wstring valid;
    for (; text != nullptr && *text != 0; ++text)
        if (IsScalarValue(*text))
            valid += *text;
    if (valid.empty())
        return {};
    const iconv_t opened = iconv_open("UTF-8", "WCHAR_T");
    if (opened == reinterpret_cast<iconv_t>(-1))
        return {};
    const std::unique_ptr<void, IconvClose> cd(opened);
    size_t inLeft = valid.size() * sizeof(wchar_t);
    char* in = reinterpret_cast<char*>(valid.data());
    std::string out(valid.size() * 4, '\0'); // at most four bytes per character
    char* at = out.data();
    size_t outLeft = out.size();
    iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &at, &outLeft);
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace vorex::links
