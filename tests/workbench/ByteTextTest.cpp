#include "workbench/common/ByteText.h"

#include <gtest/gtest.h>

using namespace vorex::wb;

namespace {

std::vector<uint8_t> ByteList(std::initializer_list<int> values, size_t size = 0) {
    std::vector<uint8_t> b;
    for (int v : values)
        b.push_back(static_cast<uint8_t>(v));
    if (b.size() < size)
        b.resize(size, 0);
    return b;
}

struct ToBytesCase {
    const char* text;
    uint8_t count;
    int mode;
    int order;
    std::vector<uint8_t> bytes;
    const char* shownAgain;
};

class TextToBytesTest : public testing::TestWithParam<ToBytesCase> {};

TEST_P(TextToBytesTest, ConvertsAndShowsAgain) {
    const ToBytesCase& c = GetParam();
    const auto bytes = TextToBytes(c.text, c.count, c.mode, c.order);
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(BytesToText(bytes, c.count, c.mode, c.order), c.shownAgain);
}

std::vector<uint8_t> MsbPair() {
    std::vector<uint8_t> b(16, 0);
    b[15] = 0x01;
    b[14] = 0x02;
    return b;
}

std::vector<uint8_t> MsbAbc() {
    std::vector<uint8_t> b(16, 0);
    b[13] = 0x43;
    b[14] = 0x42;
    b[15] = 0x41;
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextToBytesTest,
    testing::Values(
        ToBytesCase{"01 02", 16, kHex, kLsbFirst, ByteList({1, 2}, 16),
                    "01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
        ToBytesCase{"0102", 16, kHex, kLsbFirst, ByteList({1, 2}, 16),
                    "01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
        ToBytesCase{"0102", 16, kHex, kMsbFirst, MsbPair(), "01020000000000000000000000000000"},
        ToBytesCase{"ABC", 4, kHex, kLsbFirst, ByteList({0xAB, 0, 0, 0}), "AB 00 00 00"},
        ToBytesCase{"ABC", 4, kHex, kMsbFirst, ByteList({0, 0, 0, 0xBC}), "BC000000"},
        ToBytesCase{"G5", 1, kHex, kLsbFirst, ByteList({0xF5}), "F5"},
        ToBytesCase{"5G", 1, kHex, kLsbFirst, ByteList({0xFF}), "FF"},
        ToBytesCase{"GG", 1, kHex, kLsbFirst, ByteList({0xFF}), "FF"},
        ToBytesCase{"ABC", 16, kAscii, kLsbFirst, ByteList({0x41, 0x42, 0x43}, 16), "ABC"},
        ToBytesCase{"ABC", 16, kAscii, kMsbFirst, MsbAbc(), "ABC"},
        // Longer than the block: LSB first loses the end, MSB first the start.
        ToBytesCase{"ABCDE", 3, kAscii, kLsbFirst, ByteList({'A', 'B', 'C'}), "ABC"},
        ToBytesCase{"ABCDE", 3, kAscii, kMsbFirst, ByteList({'E', 'D', 'C'}), "CDE"},
        ToBytesCase{"0102030405", 2, kHex, kLsbFirst, ByteList({1, 2}), "01 02"},
        ToBytesCase{"0102030405", 2, kHex, kMsbFirst, ByteList({5, 4}), "0405"}));

TEST(BytesToText, SixteenBytesHaveTheDocumentedLengths) {
    const auto b = ByteList({0x10, 0x20}, 16);
    EXPECT_EQ(BytesToText(b, 16, kHex, kLsbFirst).size(), 47u);
    EXPECT_EQ(BytesToText(b, 16, kHex, kMsbFirst).size(), 32u);
}

TEST(BytesToText, AsciiWithAGapIsEmpty) {
    EXPECT_EQ(BytesToText(ByteList({0x41, 0x00, 0x42}), 3, kAscii, kLsbFirst), "");
    EXPECT_EQ(BytesToText(ByteList({0x41, 0x00, 0x42}), 3, kAscii, kMsbFirst), "");
    // Zeros only at the end (in walking order) are fine.
    EXPECT_EQ(BytesToText(ByteList({0x41, 0x42, 0x00}), 3, kAscii, kLsbFirst), "AB");
    EXPECT_EQ(BytesToText(ByteList({0x00, 0x42, 0x41}), 3, kAscii, kMsbFirst), "AB");
}

TEST(BytesToText, AsciiWalksAllBytesThenCutsToCount) {
    EXPECT_EQ(BytesToText(ByteList({'A', 'B', 'C', 'D'}), 2, kAscii, kLsbFirst), "AB");
}

TEST(BytesToText, EmptyArrayAndUnknownModeGiveEmptyText) {
    for (int mode : {kHex, kAscii})
        for (int order : {kMsbFirst, kLsbFirst})
            EXPECT_EQ(BytesToText({}, 16, mode, order), "");
    EXPECT_EQ(BytesToText(ByteList({1, 2}), 2, 2, kLsbFirst), "");
    EXPECT_TRUE(TextToBytes("0102", 4, 2, kLsbFirst).empty());
}

TEST(BytesToText, CountLargerThanTheArrayStaysInside) {
    EXPECT_EQ(BytesToText(ByteList({0xAA}), 16, kHex, kLsbFirst), "AA");
    EXPECT_EQ(BytesToText(ByteList({0xAA, 0xBB}), 200, kHex, kMsbFirst), "BBAA");
}

TEST(HexDigitValue, DigitsAndOthers) {
    const struct {
        char c;
        int value;
    } cases[] = {{'0', 0},   {'9', 9},   {'A', 10},  {'F', 15},   {'a', 10},  {'f', 15},
                 {'G', 255}, {'g', 255}, {' ', 255}, {'\0', 255}, {'/', 255}, {':', 255}};
    for (const auto& c : cases)
        EXPECT_EQ(HexDigitValue(c.c), c.value) << c.c;
}

} // namespace
