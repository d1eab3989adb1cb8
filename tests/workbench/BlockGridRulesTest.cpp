// Rules of the block grid and its cells shared by the workbenches.
#include "ui/StatusLog.h"
#include "workbench/common/BlockGridLayout.h"
#include "workbench/common/ByteText.h"
#include "workbench/common/CellText.h"

#include <gtest/gtest.h>

using namespace vorex::wb;

namespace {

TEST(BlockGridLayout, RowLabelsEndAtTheLastBlock) {
    EXPECT_EQ(RowLabels(28, 8),
              (std::vector<std::string>{"00 - 07", "08 - 15", "16 - 23", "24 - 27"}));
    EXPECT_EQ(RowLabels(4, 4), std::vector<std::string>{"00 - 03"});
    EXPECT_EQ(RowLabels(3, 1), (std::vector<std::string>{"00 - 00", "01 - 01", "02 - 02"}));
    EXPECT_TRUE(RowLabels(0, 4).empty());
    EXPECT_EQ(RowLabel(25, 4, 2048), "100 - 103");
    // Blocks per row 0 is treated as 1.
    EXPECT_EQ(RowCount(5, 0), 5);
}

TEST(BlockGridLayout, BlocksAndCellsMapBothWays) {
    struct Case {
        int block, perRow, row, column;
    } cases[] = {{0, 4, 0, 1}, {3, 4, 0, 4}, {4, 4, 1, 1}, {27, 8, 3, 4}, {5, 1, 5, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(CellOfBlock(c.block, c.perRow), (GridCell{c.row, c.column})) << c.block;
        EXPECT_EQ(BlockOfCell(c.row, c.column, c.perRow), c.block);
    }
}

struct HexCellCase {
    const char* typed;
    int blockSize;
    CellCheck check;
    const char* shown;
};

class NormalizeHexCellTest : public testing::TestWithParam<HexCellCase> {};

TEST_P(NormalizeHexCellTest, PadsCutsOrRefuses) {
    const HexCellCase& c = GetParam();
    const HexCell cell = NormalizeHexCell(c.typed, c.blockSize);
    EXPECT_EQ(cell.check, c.check);
    if (c.check != CellCheck::NotHex) {
        EXPECT_EQ(cell.text, c.shown);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NormalizeHexCellTest,
    testing::Values(HexCellCase{"1", 4, CellCheck::Ok, "10 00 00 00"},
                    HexCellCase{"", 4, CellCheck::Ok, "00 00 00 00"},
                    HexCellCase{"   ", 4, CellCheck::Ok, "00 00 00 00"},
                    HexCellCase{"123456789", 4, CellCheck::Truncated, "12 34 56 78"},
                    HexCellCase{"12 34 56 78", 4, CellCheck::Ok, "12 34 56 78"},
                    HexCellCase{"a1b2c3d4", 4, CellCheck::Ok, "a1 b2 c3 d4"},
                    HexCellCase{"G", 4, CellCheck::NotHex, ""},
                    HexCellCase{"12 3x", 4, CellCheck::NotHex, ""},
                    HexCellCase{"0102", 8, CellCheck::Ok, "01 02 00 00 00 00 00 00"}));

TEST(CellText, InsertBlanksEveryTwoCharacters) {
    EXPECT_EQ(InsertBlanks(""), "");
    EXPECT_EQ(InsertBlanks("AB"), "AB");
    EXPECT_EQ(InsertBlanks("ABC"), "AB C");
    EXPECT_EQ(InsertBlanks("00000000"), "00 00 00 00");
}

TEST(CellText, TextToBlockNeedsAFullHexBlock) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(TextToBlock("12 34 ab CD", 4, kHex, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x12, 0x34, 0xAB, 0xCD}));
    for (const char* bad : {"12 34 56", "12 34 56 78 9A", "12 34 56 7G", ""}) {
        EXPECT_FALSE(TextToBlock(bad, 4, kHex, bytes)) << bad;
        EXPECT_TRUE(bytes.empty()) << bad;
    }
    EXPECT_TRUE(TextToBlock("Ab", 4, kAscii, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{'A', 'b', 0, 0}));
    EXPECT_TRUE(TextToBlock("", 4, kAscii, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>(4, 0)));
}

TEST(CellText, CompareIgnoresCaseOnlyInHex) {
    EXPECT_TRUE(CompareBlockText("ab 0f", "AB 0F", kHex));
    EXPECT_FALSE(CompareBlockText("ab 0f", "AB 0E", kHex));
    EXPECT_FALSE(CompareBlockText("ab", "AB", kAscii));
    EXPECT_TRUE(CompareBlockText("ab", "ab", kAscii));
    EXPECT_FALSE(CompareBlockText("AB", "AB ", kHex));
}

TEST(StatusLog, StampsNonEmptyMessages) {
    EXPECT_EQ(vorex::ui::StampStatus("3 Transponder gefunden", "12:01:02"),
              "12:01:02 -> 3 Transponder gefunden");
    EXPECT_EQ(vorex::ui::StampStatus("", "12:01:02"), "");
}

TEST(StatusLog, PreviousMessageMovesIntoTheLog) {
    std::string log;
    log = vorex::ui::MoveIntoLog(log, "");
    EXPECT_EQ(log, "");
    log = vorex::ui::MoveIntoLog(log, "first");
    EXPECT_EQ(log, "first\n");
    // A message that ends in CR LF keeps one line break.
    log = vorex::ui::MoveIntoLog(log, "Zeile zu lang\r\n");
    EXPECT_EQ(log, "first\nZeile zu lang\n");
    // A one-character message is not ended: the next one takes its line.
    log = vorex::ui::MoveIntoLog(log, "x");
    EXPECT_EQ(log, "first\nZeile zu lang\nx");
    log = vorex::ui::MoveIntoLog(log, "next");
    EXPECT_EQ(log, "first\nZeile zu lang\nnext\n");
}

TEST(StatusLog, LogOfMoreThan500LinesIsEmptiedFirst) {
    std::string log;
    for (int i = 0; i < 499; ++i)
        log = vorex::ui::MoveIntoLog(log, "line " + std::to_string(i));
    // 499 finished lines and the empty last one: 500 lines, kept.
    log = vorex::ui::MoveIntoLog(log, "line 499");
    EXPECT_EQ(log.substr(0, 7), "line 0\n");
    log = vorex::ui::MoveIntoLog(log, "line 500");
    EXPECT_EQ(log, "line 500\n");
}

} // namespace
