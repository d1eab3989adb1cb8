#pragma once
// Blocks and pages by name: "Block 8", "Page 4", and lists of them with runs of
// consecutive numbers joined ("Block 10-12"). The words are the same in German and
// English, so these pieces go into translated texts as values.
#include <string>
#include <vector>

namespace vorex::wb {

enum class WriteUnit { Block, Page };

// "Block" or "Page".
const char* UnitWord(WriteUnit unit);
// Sorted, distinct numbers as runs: {3, 1, 2, 7} -> "1-3, 7".
std::string NumberRuns(std::vector<int> numbers);

} // namespace vorex::wb
