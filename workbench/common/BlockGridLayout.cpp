#include "workbench/common/BlockGridLayout.h"

#include <algorithm>
#include <cstdio>

namespace vorex::wb {

namespace {
int AtLeastOne(int perRow) {
    return std::max(perRow, 1);
}
} // namespace

GridCell CellOfBlock(int block, int perRow) {
    perRow = AtLeastOne(perRow);
    return {block / perRow, block % perRow + 1};
}

int BlockOfCell(int row, int column, int perRow) {
    return row * AtLeastOne(perRow) + column - 1;
}

int RowCount(int blockCount, int perRow) {
    perRow = AtLeastOne(perRow);
    return blockCount <= 0 ? 0 : (blockCount + perRow - 1) / perRow;
}

std::string RowLabel(int row, int perRow, int blockCount) {
    perRow = AtLeastOne(perRow);
    const int start = row * perRow;
    const int last = std::min(start + perRow, blockCount) - 1;
    char text[32];
    std::snprintf(text, sizeof text, "%02d - %02d", start, last);
    return text;
}

std::vector<std::string> RowLabels(int blockCount, int perRow) {
    std::vector<std::string> labels;
    for (int row = 0; row < RowCount(blockCount, perRow); ++row)
        labels.push_back(RowLabel(row, perRow, blockCount));
    return labels;
}

} // namespace vorex::wb
