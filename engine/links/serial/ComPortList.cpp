#include "engine/links/serial/ComPortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <tuple>

namespace fs = std::filesystem;

namespace vorex::links {
namespace {

std::string ReadFirstLine(const fs::path& p) {
    std::ifstream in(p);
    std::string line;
    if (in)
        std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The USB device directory above a tty's device node: the first ancestor that
// carries idVendor. Empty when the tty does not sit on USB.
fs::path UsbDeviceOf(const fs::path& deviceDir) {
    std::error_code ec;
    fs::path p = fs::canonical(deviceDir, ec);
    if (ec)
        return {};
    for (int depth = 0; depth < 6 && !p.empty() && p != p.root_path(); ++depth) {
        if (fs::exists(p / "idVendor", ec))
            return p;
        p = p.parent_path();
    }
    return {};
}

// Only ttys with a device behind them are ports; the placeholder ttyS ports that
// serial8250 registers without hardware report type 0 and are left out.
bool IsRealPort(const fs::path& ttyDir) {
    std::error_code ec;
    if (!fs::exists(ttyDir / "device", ec))
        return false;
    return !(ttyDir.filename().string().rfind("ttyS", 0) == 0 &&
             ReadFirstLine(ttyDir / "type") == "0");
}

std::string Suffix(const fs::path& ttyDir) {
    const fs::path usb = UsbDeviceOf(ttyDir / "device");
    if (usb.empty())
        return {};
    const std::string product = ReadFirstLine(usb / "product");
    if (StartsWithNoCase(product, "Nvk") || StartsWithNoCase(product, "QL-5"))
        return " [" + product + "]";
    const std::string vid = ReadFirstLine(usb / "idVendor");
    const std::string pid = ReadFirstLine(usb / "idProduct");
    if (StartsWithNoCase(vid, "2e5b") && vid.size() == 4 && StartsWithNoCase(pid, "0c2d") &&
        pid.size() == 4)
        return " [Nvk Virtual COM]";
    return {};
}

// Sort key: name stem, then the number at its end (ttyS2 before ttyS10).
std::tuple<std::string, long, std::string> SortKey(const std::string& name) {
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
        --digits;
    long number = -1;
    if (digits < name.size() && name.size() - digits < 10)
        number = std::stol(name.substr(digits));
    return {name.substr(0, digits), number, name};
}

} // namespace

bool ListComPortsFromSysfs(const std::string& sysRoot, const std::string& devRoot,
                           std::vector<std::string>& list) {
    list.clear();
    std::error_code ec;
    fs::directory_iterator it(fs::path(sysRoot) / "class" / "tty", ec);
    if (ec)
        return false;
    std::vector<std::pair<std::string, std::string>> found; // name, entry
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (!IsRealPort(entry.path()))
            continue;
        found.emplace_back(name, devRoot + "/" + name + Suffix(entry.path()));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return SortKey(a.first) < SortKey(b.first); });
    for (auto& f : found)
        list.push_back(std::move(f.second));
    return true;
}

} // namespace vorex::links
