#pragma once
// The USB side as a whole: which attached readers lack their driver (from sysfs), and
// which listed USB reader names belong to the maker's articles.
#include <string>
#include <vector>

namespace vorex::links {

// Bits of the driver check.
constexpr int kFtdiReaderWithoutDriver = 1; // USB 0403:D7A4
constexpr int kCdcReaderWithoutDriver = 2;  // USB 2E5B:0C2D

// Looks at every device in <sysRoot>/bus/usb/devices that has vendor and product ids:
// a maker's CDC or FTDI-based reader none of whose interfaces has a bound kernel
// driver sets its bit. Entries without ids (interfaces, hubs without them) and
// unreadable entries are passed over; a missing tree gives 0.
int CheckUsbDriversIn(const std::string& sysRoot);

// True when the first four characters of the name (fewer when it is shorter), read as
// a decimal number up to the first non-digit, are one of the maker's article numbers.
bool IsMakerArticle(const std::string& name);

// The names of `names` that IsMakerArticle accepts, in order.
std::vector<std::string> KeepMakerArticles(const std::vector<std::string>& names);

} // namespace vorex::links
