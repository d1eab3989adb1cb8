#include "workbench/common/WriteReport.h"

#include "workbench/common/TextIds.h"

#include <algorithm>

namespace vorex::wb {

void WriteReport::Written(int index) {
    written_.push_back(index);
}

TextRef WriteReport::Failed(int index, std::string cause) {
    while (!cause.empty() && (cause.back() == '\r' || cause.back() == '\n' || cause.back() == ' ' ||
                              cause.back() == '\t'))
        cause.pop_back();
    failed_.push_back({index, cause});
    return {unit_ == WriteUnit::Page ? kTextWritePageFailed : kTextWriteBlockFailed,
            {std::to_string(index), cause}};
}

std::vector<int> WriteReport::FailedIndices() const {
    std::vector<int> indices;
    for (const Failure& f : failed_)
        indices.push_back(f.index);
    return indices;
}

TextRef WriteReport::Summary() const {
    if (failed_.empty())
        return written_.empty() ? TextRef{} : TextRef{kTextWriteSucceeded, {}};
    // One line per cause, in the order the causes first occurred.
    std::vector<std::string> causes;
    for (const Failure& f : failed_)
        if (std::find(causes.begin(), causes.end(), f.cause) == causes.end())
            causes.push_back(f.cause);
    std::string lines;
    for (const std::string& cause : causes) {
        std::vector<int> blocks;
        for (const Failure& f : failed_)
            if (f.cause == cause)
                blocks.push_back(f.index);
        if (!lines.empty())
            lines += '\n';
        lines += std::string(UnitWord(unit_)) + " " + NumberRuns(blocks);
        if (!cause.empty())
            lines += ": " + cause;
    }
    std::vector<int> failedBlocks = FailedIndices();
    std::vector<int> tried = written_;
    tried.insert(tried.end(), failedBlocks.begin(), failedBlocks.end());
    for (auto* list : {&failedBlocks, &tried}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    return {unit_ == WriteUnit::Page ? kTextWritePagesSummary : kTextWriteBlocksSummary,
            {std::to_string(failedBlocks.size()), std::to_string(tried.size()), lines}};
}

} // namespace vorex::wb
