#pragma once
// hidapi hands strings over as wchar_t text; the engine keeps UTF-8.
#include <string>

namespace vorex::links {

// `text` as UTF-8, converted by the C library (locale-independent). Characters that
// are no Unicode scalar value are left out; null gives "".
std::string WideToUtf8(const wchar_t* text);

} // namespace vorex::links
