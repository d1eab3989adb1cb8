#pragma once
// Listing of the serial ports present, read from sysfs. The roots are parameters so
// that tests can point them at a fixture tree.
#include <string>
#include <vector>

namespace vorex::links {

// Entries are "/dev/<name>", followed by " [<product>]" for devices whose USB product
// string begins with "Nvk" or "QL-5", or " [Nvk Virtual COM]" for the maker's virtual
// COM device (USB 2E5B:0C2D). Sorted by name stem, then by port number.
// Returns false when <sysRoot>/class/tty cannot be read.
bool ListComPortsFromSysfs(const std::string& sysRoot, const std::string& devRoot,
                           std::vector<std::string>& list);

} // namespace vorex::links
