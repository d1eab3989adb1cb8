#include "workbench/iso15693/TagLogFile.h"

#include "workbench/common/TextIds.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace vorex::wb::iso {

namespace fs = std::filesystem;

namespace {
constexpr char kDefaultName[] = "taglog.pos";

bool Absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}
} // namespace

std::string DefaultTagLogFolder(const char* xdgDataHome, const char* home, const std::string& app) {
    fs::path base;
    if (Absolute(xdgDataHome))
        base = xdgDataHome;
    else if (Absolute(home))
        base = fs::path(home) / ".local" / "share";
    else
        return {};
    return (app.empty() ? base : base / app).lexically_normal().string();
}

std::string InitialTagLogPath(const std::string& stored, const std::string& defaultFolder) {
    if (!stored.empty() && stored[0] == '/' && stored.find('\\') == std::string::npos) {
        std::error_code error;
        if (fs::is_directory(fs::path(stored).parent_path(), error))
            return stored;
    }
    if (defaultFolder.empty())
        return {};
    return (fs::path(defaultFolder) / kDefaultName).string();
}

TextRef PrepareTagLogFolder(const std::string& folder) {
    if (folder.empty())
        return {kTextTagLogNoFolder, {}};
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error && fs::is_directory(folder, error))
        return {};
    if (!error)
        error = std::make_error_code(std::errc::not_a_directory);
    return {kTextTagLogFolderFailed, {folder, error.message()}};
}

TextRef AppendTagLogLines(const std::string& path, const std::vector<std::string>& lines) {
    if (path.empty())
        return {kTextTagLogOpenFailed, {path, std::strerror(ENOENT)}};
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "ab"),
                                                         &std::fclose);
    if (!file)
        return {kTextTagLogOpenFailed, {path, std::strerror(errno)}};
    int error = 0;
    for (const std::string& line : lines)
        if (error == 0 && std::fwrite(line.data(), 1, line.size(), file.get()) != line.size())
            error = errno != 0 ? errno : EIO;
    // Buffered data reaches the file only at the close: a full disk shows up here.
    if (std::fclose(file.release()) != 0 && error == 0)
        error = errno != 0 ? errno : EIO;
    if (error != 0)
        return {kTextTagLogWriteFailed, {path, std::strerror(error)}};
    return {};
}

bool AppendTagLog(const std::string& path, const std::vector<std::string>& lines) {
    return AppendTagLogLines(path, lines).id == 0;
}

} // namespace vorex::wb::iso
