#pragma once
// The outcome of a write of several blocks or pages: which were written and which
// failed with what cause. The status line of every failure names its block; the end
// message names every failed block with its cause and says success only when
// nothing failed.
#include "workbench/common/TextRef.h"
#include "workbench/common/UnitList.h"

#include <string>
#include <vector>

namespace vorex::wb {

class WriteReport {
public:
    explicit WriteReport(WriteUnit unit) : unit_(unit) {}

    void Written(int index);
    // A block that was refused (typed value not allowed) or whose write failed;
    // `cause` is the text shown for it (trailing blanks and line breaks are dropped).
    // Returns the status line that names the block and the cause.
    TextRef Failed(int index, std::string cause);

    int WrittenCount() const { return static_cast<int>(written_.size()); }
    int FailedCount() const { return static_cast<int>(failed_.size()); }
    bool AnyFailed() const { return !failed_.empty(); }
    // Blocks whose write failed, in the order reported.
    std::vector<int> FailedIndices() const;

    // The end message: id 0 when nothing was tried, "written successfully" when every
    // block was written, else the count and one line per cause with its blocks
    // ("Block 8: Timeout", "Block 10-12, 15: ...").
    TextRef Summary() const;

private:
    struct Failure {
        int index;
        std::string cause;
    };
    WriteUnit unit_;
    std::vector<int> written_;
    std::vector<Failure> failed_;
};

} // namespace vorex::wb
