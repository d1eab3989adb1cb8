#pragma once
// The German string table (resources/strings_de.tsv, compiled in), keyed by id.
#include <string>

namespace vorex {

// The text of a string id, escapes resolved; empty when the id is unknown.
const std::string& GermanString(int id);

} // namespace vorex
