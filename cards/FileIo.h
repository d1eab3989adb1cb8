#pragma once
// Whole files for dumps and other outputs: reading refuses what is no regular file
// (a directory, a device) with the system's reason, and writing goes to a temporary
// file beside the target that is renamed over it only when complete, so a failed or
// interrupted write never leaves a partial file in place of a good one.
#include <cstddef>
#include <string>

namespace vorex::cards {

// Reads the regular file `path`; refused above `maxSize` bytes. False with `error`
// ("cannot read PATH: reason"); never throws.
bool ReadWholeFile(const std::string& path, std::string& content, std::string& error,
                   size_t maxSize = size_t{1} << 20);

// Replaces (or creates) `path` with `content` through a temporary file in the same
// folder and a rename. An existing file keeps its permissions, a new one gets the
// usual ones (0666 less the umask). False with `error`; the old file is then unchanged.
bool ReplaceFile(const std::string& path, const std::string& content, std::string& error);

} // namespace vorex::cards
