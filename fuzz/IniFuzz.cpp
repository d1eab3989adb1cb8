// Fuzzes the INI parser with arbitrary text and looks up keys taken from the input.
#include "update/IniEx.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CPrivateProfile ini;
    ini.Parse(text);
    for (const CSection& section : ini.Sections()) {
        if (section.keys.size() != section.values.size())
            __builtin_trap();
        for (const std::string& key : section.keys)
            (void)ini.GetValue(section.name, key, "default");
        if (ini.FindSection(section.name) < 0)
            __builtin_trap();
    }
    (void)ini.GetValue(text.substr(0, 8), text.substr(0, 4));
    return 0;
}
