#include "engine/DebugOutput.h"

#include <cstdio>
#include <cstdlib>

namespace vorex {

void DebugOutput(const std::string& text) {
    static const bool enabled = std::getenv("VOREX_DEBUG") != nullptr;
    if (enabled)
        std::fputs(text.c_str(), stderr);
}

} // namespace vorex
