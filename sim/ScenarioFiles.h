#pragma once
// Finding scenario files: by path, or by name among the scenarios installed with the
// stand-in reader (share/vorex/scenarios).
#include <string>

namespace vsim {

// The folder of the running program (from /proc/self/exe); empty when unknown.
std::string ProgramDir();

// The installed scenario folder as seen from a program in `programDir`.
std::string InstalledScenarioDir(const std::string& programDir);

// `nameOrPath` itself when that file exists. Otherwise, for a bare name ("demo" or
// "demo.json", no '/'), the scenario of that name in the installed scenario folder
// beside `programDir`, then under the configured install prefix, then in the source
// tree. Empty when there is none.
std::string FindScenarioFile(const std::string& nameOrPath,
                             const std::string& programDir = ProgramDir());

} // namespace vsim
