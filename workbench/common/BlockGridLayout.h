#pragma once
// Where the blocks of a tag sit in a block grid: column 0 labels each row, columns
// 1..blocks per row hold one block each, block b in row b / perRow, column
// b % perRow + 1.
#include <string>
#include <vector>

namespace vorex::wb {

struct GridCell {
    int row = 0;
    int column = 0; // 1-based: column 0 is the row label
    bool operator==(const GridCell&) const = default;
};

GridCell CellOfBlock(int block, int perRow);
// The block of a data cell (column >= 1).
int BlockOfCell(int row, int column, int perRow);
// Rows needed for blockCount blocks (perRow below 1 counts as 1).
int RowCount(int blockCount, int perRow);
// "%02d - %02d": first and last block of the row.
std::string RowLabel(int row, int perRow, int blockCount);
std::vector<std::string> RowLabels(int blockCount, int perRow);

} // namespace vorex::wb
