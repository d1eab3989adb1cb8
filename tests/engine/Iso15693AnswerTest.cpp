// ISO 15693 answer evaluation, inventory payload walk and flag preparation: pure
// functions, checked on hand-made payloads.
#include "engine/Iso15693Commands.h"
#include "engine/IsoAnswer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using vtest::Hex;
namespace iso = vorex::iso;

namespace {

struct IsoCase {
    const char* payload;
    int variant;
    bool ok;
    int error;
    const char* data; // remaining payload on success
};

class IsoAnswerCases : public ::testing::TestWithParam<IsoCase> {};

TEST_P(IsoAnswerCases, Evaluate) {
    const IsoCase& c = GetParam();
    auto p = c.payload[0] ? Hex(c.payload) : std::vector<uint8_t>{};
    int error = -1;
    EXPECT_EQ(iso::EvaluateIsoAnswer(p, static_cast<uint8_t>(c.variant), error), c.ok);
    EXPECT_EQ(error, c.error);
    if (c.ok) {
        EXPECT_EQ(p, c.data[0] ? Hex(c.data) : std::vector<uint8_t>{});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, IsoAnswerCases,
    ::testing::Values(IsoCase{"", 0, false, 42, ""},            // nothing at all
                      IsoCase{"00 11 22", 0, true, 0, "11 22"}, // flags removed
                      IsoCase{"00", 0, true, 0, ""},
                      IsoCase{"00 00 11", 2, true, 0, "11"}, // reader status 0 removed
                      IsoCase{"01", 2, false, 21, ""},       // reader status: no tag
                      IsoCase{"02", 2, false, 23, ""},       // reader status: collision
                      IsoCase{"08", 2, false, 10, ""},
                      IsoCase{"01", 0, false, 42, ""}, // error flag without code
                      IsoCase{"00", 2, false, 9, ""},  // reader status only
                      IsoCase{"01 01", 3, false, 32, ""}, IsoCase{"01 02", 0, false, 33, ""},
                      IsoCase{"01 03", 1, false, 34, ""}, IsoCase{"01 0F", 0, false, 35, ""},
                      IsoCase{"01 10", 0, false, 36, ""}, IsoCase{"01 11", 0, false, 37, ""},
                      IsoCase{"01 12", 0, false, 38, ""}, IsoCase{"01 13", 0, false, 39, ""},
                      IsoCase{"01 14", 0, false, 40, ""},
                      IsoCase{"01 A0", 0, false, 0xA0, ""}, // custom codes pass unchanged
                      IsoCase{"01 DF", 0, false, 0xDF, ""}, IsoCase{"01 E0", 0, false, 41, ""},
                      IsoCase{"01 04", 0, false, 41, ""}, IsoCase{"00 01 12", 2, false, 38, ""}));

struct WalkCase {
    const char* name;
    std::string payload;
    int variant;
    bool oneSlot;
    int error;
    std::vector<std::pair<bool, int>> events; // (collision, slot)
};

std::string Blocks(int count, const char* block) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += std::string(block) + " ";
    return s;
}

const std::string kRecord = "0B 00 00 00 01 02 03 04 05 06 04 E0";

class WalkCases : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkCases, Walk) {
    const WalkCase& c = GetParam();
    const auto p = Hex(c.payload);
    const auto walk =
        iso::WalkInventorySlots(p.data(), p.size(), static_cast<uint8_t>(c.variant), c.oneSlot);
    EXPECT_EQ(walk.error, c.error);
    std::vector<std::pair<bool, int>> got;
    for (const auto& e : walk.events) {
        got.emplace_back(e.collision, e.slot);
        if (!e.collision) {
            ASSERT_LE(e.offset + iso::kRecordSize, p.size());
            EXPECT_EQ(p[e.offset + 10], 0xE0);
        }
    }
    EXPECT_EQ(got, c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WalkCases,
    ::testing::Values(
        WalkCase{"SixteenEmpty", Blocks(16, "01 01"), 0, false, 0, {}},
        WalkCase{"TenSlotsOnly", Blocks(10, "01 01"), 0, false, 6, {}},
        WalkCase{"RecordAndCollision",
                 (kRecord + " 01 02 " + Blocks(14, "01 01")),
                 0,
                 false,
                 0,
                 {{false, 0}, {true, 1}}},
        WalkCase{"Variant2CollisionNibble",
                 (Blocks(5, "01 01") + "01 F2 " + Blocks(10, "01 01")),
                 2,
                 false,
                 0,
                 {{true, 5}}},
        WalkCase{"Variant1NeverCollides", Blocks(16, "01 02"), 1, false, 0, {}},
        WalkCase{"Variant3MarkerCC", (Blocks(15, "01 01") + "01 CC"), 3, false, 0, {{true, 15}}},
        WalkCase{"Variant3Nibble2IsEmpty", Blocks(16, "01 02"), 3, false, 0, {}},
        WalkCase{"OneSlotCollision", "01 02", 0, true, 23, {}},
        WalkCase{"OneSlotRecord", kRecord, 2, true, 0, {{false, 0}}},
        WalkCase{"ShortRecordIsEmptySlot", "0A 00 00 00 01 02 03 04 05 06 04", 0, true, 0, {}},
        WalkCase{"BlockRunsPastEnd", "0B 00 00 00 01 02", 0, true, 6, {}},
        WalkCase{"ZeroLengthStops", "00 01 01", 0, true, 6, {}},
        WalkCase{"ExtraBlocksIgnored", Blocks(20, "01 01"), 0, false, 0, {}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(NormalizeInventoryPayload, ReaderStatusAndVariant3Record) {
    int error = 0;
    std::vector<uint8_t> p{0x01};
    EXPECT_FALSE(iso::NormalizeInventoryPayload(p, 2, 0x04, error));
    EXPECT_EQ(error, 21);
    p = {0x02};
    EXPECT_FALSE(iso::NormalizeInventoryPayload(p, 2, 0x04, error));
    EXPECT_EQ(error, 23);
    p = {0x01};
    EXPECT_TRUE(iso::NormalizeInventoryPayload(p, 0, 0x04, error)); // only variant 2
    EXPECT_EQ(p, Hex("01"));

    p = Hex("00 00 01 02 03 04 05 06 04 E0");
    EXPECT_TRUE(iso::NormalizeInventoryPayload(p, 3, 0x24, error));
    EXPECT_EQ(p, Hex(kRecord));
    p = Hex("00 00 01 02 03 04 05 06 04 E0");
    EXPECT_TRUE(iso::NormalizeInventoryPayload(p, 1, 0x24, error));
    EXPECT_EQ(p.size(), 10u);
}

TEST(PrepareFlags, UidManufacturerAndRawMode) {
    const std::vector<uint8_t> fujitsu = Hex("01 02 03 04 05 01 08 E0");
    const std::vector<uint8_t> nxp = Hex("01 02 03 04 05 01 04 E0");
    auto p = iso::PrepareFlags(0x01, fujitsu.data(), 8);
    EXPECT_EQ(p.flags, 0x20u);
    EXPECT_EQ(p.manufacturer, iso::kFujitsu);
    p = iso::PrepareFlags(0x01, nxp.data(), 8);
    EXPECT_EQ(p.flags, 0x21u);
    p = iso::PrepareFlags(0x2001, nxp.data(), 8);
    EXPECT_EQ(p.flags, 0x2020u);
    p = iso::PrepareFlags(0x01, nxp.data(), 7); // not a UID
    EXPECT_FALSE(p.hasUid);
    EXPECT_EQ(p.flags, 0x01u);
    EXPECT_EQ(p.manufacturer, iso::kNoManufacturer);
    p = iso::PrepareFlags(0x8001, fujitsu.data(), 8);
    EXPECT_EQ(p.flags, 0x8001u);
    EXPECT_EQ(p.manufacturer, iso::kNoManufacturer);
}

TEST(InfineonBlocks, FromUidByte5) {
    const std::pair<uint8_t, uint8_t> cases[] = {{0x00, 127}, {0x1F, 127}, {0x20, 63},
                                                 {0x45, 31},  {0x7F, 15},  {0x80, 255},
                                                 {0x9F, 255}, {0xA0, 0},   {0xFF, 0}};
    for (const auto& [byte, blocks] : cases)
        EXPECT_EQ(iso::InfineonBlocksMinusOne(byte), blocks) << int(byte);
}

TEST(MaskBytes, RoundsUpToWholeBytes) {
    EXPECT_EQ(iso::MaskByteCount(0), 0u);
    EXPECT_EQ(iso::MaskByteCount(4), 1u);
    EXPECT_EQ(iso::MaskByteCount(8), 1u);
    EXPECT_EQ(iso::MaskByteCount(12), 2u);
    EXPECT_EQ(iso::MaskByteCount(60), 8u);
}

} // namespace
