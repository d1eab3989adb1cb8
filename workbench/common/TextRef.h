#pragma once
// A user text as the rules hand it to a dialog: a string-table id and the values for
// its %1, %2, ... placeholders (UTF-8). The dialog looks the id up (German or English)
// and fills in the values; id 0 means there is nothing to say.
#include <string>
#include <vector>

namespace vorex::wb {

struct TextRef {
    int id = 0;
    std::vector<std::string> args;

    bool operator==(const TextRef&) const = default;
};

} // namespace vorex::wb
