// Comparing dumps: differing and half-unknown blocks are listed per sector, other
// fields by name, and dumps of different tags are not compared.
#include "dumpfiles/DumpDiff.h"
#include "tests/dumpfiles/DumpFixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace vtest::dumps;

TEST(DumpDiff, ListsDifferingAndHalfUnknownBlocks) {
    const ClassicMemory a = Classic(md::ClassicSize::K4);
    EXPECT_TRUE(CompareDumps(a, a).Same());
    ClassicMemory b = a;
    b.bytes[200 * 16 + 3] = static_cast<uint8_t>(*b.bytes[200 * 16 + 3] ^ 1);
    b.bytes[5 * 16].reset();
    b.sak = 0x08;
    const DumpComparison c = CompareDumps(a, b);
    EXPECT_FALSE(c.Same());
    EXPECT_EQ(c.fields, std::vector<std::string>{"sak"});
    ASSERT_EQ(c.blocks.size(), 2u);
    EXPECT_EQ(c.blocks[0].block, 5);
    EXPECT_EQ(c.blocks[0].sector, 1);
    EXPECT_EQ(c.blocks[0].unknownOnOneSide, 1);
    EXPECT_EQ(c.blocks[0].b.substr(0, 2), "??");
    EXPECT_EQ(c.blocks[1].block, 200);
    EXPECT_EQ(c.blocks[1].sector, 36);
    EXPECT_EQ(c.blocks[1].differing, 1);
    EXPECT_EQ(c.unknownA, 0);
    EXPECT_EQ(c.unknownB, 1);

    EXPECT_NE(CompareDumps(a, Classic(md::ClassicSize::K1)).error, "");
    EXPECT_NE(CompareDumps(a, Ntag215()).error, "");
    EXPECT_EQ(CompareDumps(Ntag215(), Ntag215(true)).blocks.size(), 35u);
}

} // namespace
