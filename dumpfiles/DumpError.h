#pragma once
// How the dump file readers refuse a file: a DumpError says where (a line, an offset
// or a JSON field) and what was expected there; the reader's caller adds the file name.
#include <cstddef>
#include <stdexcept>
#include <string>

namespace vorex::dumpfiles {

struct DumpError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws "WHERE: expected WHAT".
[[noreturn]] void Expected(const std::string& where, const std::string& what);
inline std::string AtLine(size_t line) {
    return "line " + std::to_string(line);
}
inline std::string AtOffset(size_t offset) {
    return "offset " + std::to_string(offset);
}

} // namespace vorex::dumpfiles
