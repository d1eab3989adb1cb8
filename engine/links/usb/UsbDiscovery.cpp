#include "engine/links/usb/UsbDiscovery.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace vorex::links {
namespace {

// A USB id as sysfs writes it: four hex digits; anything else is no id (empty).
std::string ReadId(const fs::path& file) {
    std::ifstream in(file);
    std::string id;
    if (!in || !std::getline(in, id))
        return {};
    while (!id.empty() && std::isspace(static_cast<unsigned char>(id.back())))
        id.pop_back();
    if (id.size() != 4 || !std::all_of(id.begin(), id.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c));
        }))
        return {};
    std::transform(id.begin(), id.end(), id.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    return id;
}

// True when one interface of the device (a subfolder "<device>:<config>.<interface>")
// has a bound driver.
bool HasBoundDriver(const fs::path& device) {
    std::error_code ec;
    fs::directory_iterator it(device, ec);
    if (ec)
        return false;
    const std::string prefix = device.filename().string() + ":";
    for (const auto& entry : it) {
        if (entry.path().filename().string().rfind(prefix, 0) != 0)
            continue;
        if (fs::exists(entry.path() / "driver", ec))
            return true;
    }
    return false;
}

// The maker's article numbers: three single numbers and five ranges.
struct ArticleRange {
    int first;
    int last;
};
constexpr ArticleRange kArticles[] = {
    {4019, 4019}, {4020, 4020}, {5700, 5700}, // single articles
    {4160, 4178},                             // 19 desktop readers
    {4350, 4359}, {4450, 4459}, {4700, 4709}, // 10 each: modules, OEM boards, gates
    {4800, 4899},                             // 100 customer variants
};

} // namespace

int CheckUsbDriversIn(const std::string& sysRoot) {
    std::error_code ec;
    fs::directory_iterator it(fs::path(sysRoot) / "bus" / "usb" / "devices", ec);
    if (ec)
        return 0;
    int bits = 0;
    for (const auto& entry : it) {
        const fs::path device = entry.path();
        const std::string vid = ReadId(device / "idVendor");
        const std::string pid = ReadId(device / "idProduct");
        if (vid.empty() || pid.empty())
            continue;
        int bit = 0;
        if (vid == "2E5B" && pid == "0C2D")
            bit = kCdcReaderWithoutDriver;
        else if (vid == "0403" && pid == "D7A4")
            bit = kFtdiReaderWithoutDriver;
        if (bit != 0 && !HasBoundDriver(device))
            bits |= bit;
    }
    return bits;
}

bool IsMakerArticle(const std::string& name) {
    int number = 0;
    bool digits = false;
    for (size_t i = 0; i < std::min<size_t>(4, name.size()); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            break;
        number = number * 10 + (name[i] - '0');
        digits = true;
    }
    return digits && std::any_of(std::begin(kArticles), std::end(kArticles), [&](const auto& r) {
               return number >= r.first && number <= r.last;
           });
}

std::vector<std::string> KeepMakerArticles(const std::vector<std::string>& names) {
    std::vector<std::string> kept;
    std::copy_if(names.begin(), names.end(), std::back_inserter(kept), IsMakerArticle);
    return kept;
}

} // namespace vorex::links
