#include "dumpfiles/DumpError.h"

namespace vorex::dumpfiles {

void Expected(const std::string& where, const std::string& what) {
    throw DumpError(where + ": expected " + what);
}

} // namespace vorex::dumpfiles
