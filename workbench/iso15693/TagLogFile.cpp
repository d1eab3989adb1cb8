#include "workbench/iso15693/TagLogFile.h"

#include <cstdio>
#include <memory>

namespace vorex::wb::iso {

bool AppendTagLog(const std::string& path, const std::vector<std::string>& lines) {
    if (path.empty())
        return false;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "ab"),
                                                               &std::fclose);
    if (!file)
        return false;
    bool ok = true;
    for (const std::string& line : lines)
        ok = std::fwrite(line.data(), 1, line.size(), file.get()) == line.size() && ok;
    return ok;
}

} // namespace vorex::wb::iso
