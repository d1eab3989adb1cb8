#include "workbench/common/PendingEdits.h"

#include "workbench/common/TextIds.h"

#include <string>

namespace vorex::wb {

PendingVerdict PendingEdits::Before(GridAction action) const {
    if (edited_.empty())
        return PendingVerdict::Proceed;
    switch (action) {
    case GridAction::CyclicRefresh:
    case GridAction::TagLost:
        return PendingVerdict::KeepEdits;
    case GridAction::TabChange:
    case GridAction::DisplaySwitch:
    case GridAction::Read:
    case GridAction::Close:
        break;
    }
    return PendingVerdict::Ask;
}

TextRef PendingEdits::Question() const {
    if (edited_.empty())
        return {};
    const bool page = unit_ == WriteUnit::Page;
    if (edited_.size() == 1)
        return {page ? kTextDiscardOnePage : kTextDiscardOneBlock,
                {std::to_string(*edited_.begin())}};
    return {page ? kTextDiscardPages : kTextDiscardBlocks,
            {std::to_string(edited_.size()), NumberRuns(Indices())}};
}

} // namespace vorex::wb
