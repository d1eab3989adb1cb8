#include "sim/ScenarioFiles.h"

#include <filesystem>
#include <system_error>

namespace vsim {

namespace fs = std::filesystem;

std::string ProgramDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

std::string InstalledScenarioDir(const std::string& programDir) {
    return (fs::path(programDir) / VOREX_SCENARIODIR_FROM_BIN).lexically_normal().string();
}

std::string FindScenarioFile(const std::string& nameOrPath, const std::string& programDir) {
    std::error_code ec;
    if (fs::is_regular_file(nameOrPath, ec))
        return nameOrPath;
    if (nameOrPath.empty() || nameOrPath.find('/') != std::string::npos)
        return {};
    fs::path file(nameOrPath);
    if (file.extension() != ".json")
        file += ".json";
    const std::string installed = programDir.empty() ? "" : InstalledScenarioDir(programDir);
    for (const char* dir : {installed.c_str(), VOREX_SCENARIODIR, VOREX_SOURCE_SCENARIODIR}) {
        if (!*dir)
            continue;
        const fs::path candidate = fs::path(dir) / file;
        if (fs::is_regular_file(candidate, ec))
            return candidate.string();
    }
    return {};
}

} // namespace vsim
