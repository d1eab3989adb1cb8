#include "workbench/common/UnitList.h"

#include <algorithm>

namespace vorex::wb {

const char* UnitWord(WriteUnit unit) {
    return unit == WriteUnit::Page ? "Page" : "Block";
}

std::string NumberRuns(std::vector<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::string text;
    for (size_t i = 0; i < numbers.size();) {
        size_t last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1)
            ++last;
        if (!text.empty())
            text += ", ";
        text += std::to_string(numbers[i]);
        if (last > i)
            text += "-" + std::to_string(numbers[last]);
        i = last + 1;
    }
    return text;
}

} // namespace vorex::wb
