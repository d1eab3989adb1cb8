// MIFARE Classic geometry, access-condition codec and value blocks.
#include "cards/AccessConditions.h"
#include "cards/ClassicGeometry.h"
#include "cards/ValueBlock.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace {

namespace md = vorex::cards::mifare;

TEST(ClassicGeometry, BlocksSectorsAndAccessGroups) {
    for (bool is4k : {false, true}) {
        int block = 0;
        for (int s = 0; s < md::SectorCount(is4k); ++s) {
            ASSERT_EQ(md::FirstBlock(s), block);
            for (int i = 0; i < md::BlocksIn(s); ++i, ++block) {
                EXPECT_EQ(md::SectorOf(block), s);
                EXPECT_EQ(md::IsTrailer(block), i == md::BlocksIn(s) - 1);
            }
        }
        EXPECT_EQ(block, md::BlockCount(is4k));
    }
    // 4-block sectors: one block per group; 16-block sectors: blocks 0-4, 5-9, 10-14.
    const int groups[][2] = {{4, 0},   {6, 2},   {7, 3},   {128, 0}, {132, 0}, {133, 1},
                             {137, 1}, {138, 2}, {142, 2}, {143, 3}, {255, 3}};
    for (const auto& [block, group] : groups)
        EXPECT_EQ(md::AccessGroupOf(block), group) << block;
    EXPECT_EQ(md::CardTypeName(0x88), "classic1k");
    EXPECT_EQ(md::CardTypeName(0x18), "classic4k");
    EXPECT_EQ(md::CardTypeName(0x20), "unknown");
}

TEST(AccessConditions, EncodeAndDecodeTheDataSheetLayout) {
    const struct {
        md::AccessValues values;
        uint8_t bytes[3];
    } cases[] = {
        {{0, 0, 0, 4}, {0xFF, 0x07, 0x80}}, {{0, 0, 0, 0}, {0xFF, 0x0F, 0x00}},
        {{0, 0, 0, 1}, {0xF7, 0x8F, 0x00}}, {{1, 2, 3, 6}, {0x1A, 0x57, 0x8E}},
        {{4, 4, 4, 3}, {0x77, 0x88, 0x78}}, {{7, 7, 7, 7}, {0x00, 0xF0, 0xFF}},
    };
    for (const auto& c : cases) {
        const auto bytes = md::EncodeAccessBytes(c.values);
        EXPECT_EQ(bytes[0], c.bytes[0]);
        EXPECT_EQ(bytes[1], c.bytes[1]);
        EXPECT_EQ(bytes[2], c.bytes[2]);
        const auto back = md::DecodeAccessBytes(c.bytes);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, c.values);
        EXPECT_EQ(md::TrailerCondition(c.bytes), c.values[3]);
    }
    // Every combination survives the round trip.
    for (int v = 0; v < 8 * 8 * 8 * 8; ++v) {
        const md::AccessValues values{v & 7, v >> 3 & 7, v >> 6 & 7, v >> 9 & 7};
        EXPECT_EQ(md::DecodeAccessBytes(md::EncodeAccessBytes(values).data()), values);
    }
    // A flipped bit anywhere breaks the complement and is refused.
    const uint8_t good[3] = {0xFF, 0x07, 0x80};
    for (int bit = 0; bit < 24; ++bit) {
        uint8_t b[3] = {good[0], good[1], good[2]};
        b[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
        EXPECT_FALSE(md::AccessBitsConsistent(b)) << bit;
        EXPECT_EQ(md::TrailerCondition(b), -1);
    }
}

TEST(AccessConditions, RightsTables) {
    using md::DataAllows;
    using md::TrailerAllows;
    // Transport configuration: data blocks open to both keys; Key A manages the trailer
    // and reads Key B, which therefore opens nothing.
    for (auto r : {md::kRead, md::kWrite, md::kIncrement, md::kDecrement})
        EXPECT_TRUE(DataAllows(0, r, false) && DataAllows(0, r, true));
    EXPECT_FALSE(TrailerAllows(4, md::kReadKeyA, false));
    EXPECT_TRUE(TrailerAllows(4, md::kWriteKeyA, false));
    EXPECT_TRUE(TrailerAllows(4, md::kReadKeyB, false));
    EXPECT_TRUE(TrailerAllows(4, md::kWriteAccess, false));
    EXPECT_FALSE(TrailerAllows(4, md::kWriteAccess, true));
    EXPECT_TRUE(md::KeyBReadable(4));
    // Value 3 (1 1 0): read A/B, write B, increment B, decrement A/B.
    EXPECT_EQ(md::DataRights(3), 0xF9);
    EXPECT_FALSE(DataAllows(3, md::kWrite, false));
    EXPECT_TRUE(DataAllows(3, md::kDecrement, false));
    EXPECT_FALSE(DataAllows(3, md::kIncrement, false));
    // Value 6 of the trailer: Key B writes the keys and the access bits.
    EXPECT_EQ(md::TrailerRights(6), 0x3A10);
    EXPECT_TRUE(TrailerAllows(6, md::kWriteAccess, true));
    EXPECT_TRUE(TrailerAllows(6, md::kReadAccess, false));
    EXPECT_FALSE(md::KeyBReadable(6));
    EXPECT_EQ(md::DataRights(7), 0x00);
}

TEST(ValueBlock, EncodesThreeCopiesAndChecksThem) {
    for (int32_t value : {0, 1, 100, -1, -123456, INT32_MAX, INT32_MIN}) {
        const auto block = md::EncodeValueBlock({value, 0x06});
        const auto back = md::DecodeValueBlock(block.data());
        ASSERT_TRUE(back.has_value()) << value;
        EXPECT_EQ(back->value, value);
        EXPECT_EQ(back->address, 0x06);
    }
    const auto v = md::EncodeValueBlock({100, 6});
    EXPECT_EQ(v[0], 100);
    EXPECT_EQ(v[4], 0x9B);
    EXPECT_EQ(v[12], 6);
    EXPECT_EQ(v[13], 0xF9);
    for (size_t i = 0; i < 16; ++i) {
        auto broken = v;
        broken[i] ^= 0x10;
        EXPECT_FALSE(md::DecodeValueBlock(broken.data())) << i;
    }
}

} // namespace
