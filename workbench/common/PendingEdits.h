#pragma once
// The blocks or pages the operator changed and has not written yet, and whether an
// action that shows other data in the grid may go ahead: an action of the operator
// asks first ("discard N unwritten blocks?", to be answered No by default); a
// background refresh (cyclic read, a tag leaving the field) keeps the edits and does
// not touch the edited cells.
#include "workbench/common/TextRef.h"
#include "workbench/common/UnitList.h"

#include <set>
#include <vector>

namespace vorex::wb {

enum class GridAction {
    TabChange,     // another tag tab or sector tab
    DisplaySwitch, // HEX/ASCII or byte order, also a click on the mode already chosen
    Read,          // a read of the whole tag, a page or a selection
    Close,         // Close button, Esc, window closed, program ends
    CyclicRefresh, // a cyclic read's tick
    TagLost        // the tag whose data the grid shows left the field
};

enum class PendingVerdict {
    Proceed,  // nothing unwritten, or the action keeps the edits anyway
    Ask,      // ask Question(); go ahead (and DiscardAll) only on "Yes"
    KeepEdits // do not replace the grid; the edits stay as typed
};

class PendingEdits {
public:
    explicit PendingEdits(WriteUnit unit) : unit_(unit) {}

    // The cell of `index` now differs from what was read (or a write of it failed).
    void Edited(int index) { edited_.insert(index); }
    // Written, or typed back to what was read.
    void Settled(int index) { edited_.erase(index); }
    void DiscardAll() { edited_.clear(); }

    int Count() const { return static_cast<int>(edited_.size()); }
    bool IsEdited(int index) const { return edited_.count(index) != 0; }
    std::vector<int> Indices() const { return {edited_.begin(), edited_.end()}; }

    PendingVerdict Before(GridAction action) const;
    // "Block 5 was changed ... Discard?" or "N blocks were changed (5-7) ... Discard?".
    TextRef Question() const;

private:
    WriteUnit unit_;
    std::set<int> edited_;
};

} // namespace vorex::wb
