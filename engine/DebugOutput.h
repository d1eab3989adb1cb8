#pragma once
// Diagnostic texts of the engine (missing libraries, refused devices). They go to
// stderr when the environment variable VOREX_DEBUG is set, and nowhere otherwise.
#include <string>

namespace vorex {
void DebugOutput(const std::string& text);
}
