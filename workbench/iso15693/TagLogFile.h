#pragma once
// Appends lines to the tag log file: opened for appending (created when missing,
// never truncated) only for the write. A file that cannot be opened gets nothing.
#include <string>
#include <vector>

namespace vorex::wb::iso {

// False when the file could not be opened or written completely.
bool AppendTagLog(const std::string& path, const std::vector<std::string>& lines);

} // namespace vorex::wb::iso
