// The ISO 15693 engine operations against the stand-in reader's tags.
#include "engine/Iso15693Commands.h"
#include "engine/links/serial/SerialLink.h"
#include "sim/Iso15693Tags.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

using nlohmann::json;
using vtest::Hex;
namespace iso = vorex::iso;

namespace {

json Tag(const std::string& type, const std::string& uid, json extra = json::object()) {
    extra["type"] = type;
    extra["uid"] = uid;
    return extra;
}

// A stand-in reader with ISO 15693 tags, opened in its frame variant.
class IsoBench {
public:
    IsoBench(const json& iso, int variant) {
        const json scenario{{"reader", {{"variant", variant}}}, {"iso15693", iso}};
        sim_ = vtest::SimReader::FromScenario(scenario.dump());
        port_.AttachLink(vorex::links::SerialLink::Open({sim_->Path()}, port_));
        port_.SetVariant(static_cast<uint8_t>(variant));
    }
    CVorex_Port& Port() { return port_; }
    vsim::ReaderModel& Model() { return sim_->Model(); }
    // The ISO requests the reader saw (flags, code, parameters).
    std::vector<vsim::Bytes> IsoRequests() {
        std::vector<vsim::Bytes> out;
        for (const auto& r : sim_->Model().Requests())
            if (r.command == 0x20)
                out.push_back(r.data);
        return out;
    }

private:
    std::unique_ptr<vtest::SimReader> sim_;
    CVorex_Port port_;
};

std::set<std::vector<uint8_t>> UidsOf(const std::vector<uint8_t>& records) {
    std::set<std::vector<uint8_t>> uids;
    for (size_t i = 0; i + 11 <= records.size(); i += 11)
        uids.insert(std::vector<uint8_t>(records.begin() + static_cast<long>(i) + 3,
                                         records.begin() + static_cast<long>(i) + 11));
    return uids;
}

// Three tags in slot 5 (low nibble 5) and one in slot 0.
json SlotFiveCollision() {
    return {{"tags",
             {Tag("nxp-icode-slix", "E0 04 01 00 00 00 00 15"),
              Tag("nxp-icode-slix", "E0 04 01 00 00 00 00 25"),
              Tag("nxp-icode-slix", "E0 04 01 00 00 00 00 35"),
              Tag("nxp-icode-slix2", "E0 04 01 00 00 00 00 40")}}};
}

class InventoryVariants : public ::testing::TestWithParam<int> {};

TEST_P(InventoryVariants, CollisionInSlotFiveIsResolvedWithMaskFive) {
    IsoBench bench(SlotFiveCollision(), GetParam());
    std::vector<uint8_t> records;
    ASSERT_TRUE(iso::Inventory(bench.Port(), 0, records)) << bench.Port().LastError();
    const auto requests = bench.IsoRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], Hex("04 01 00"));
    EXPECT_EQ(requests[1], Hex("04 01 04 05")); // mask length 4, mask value 5
    EXPECT_EQ(records.size(), 4 * 11u);
    EXPECT_EQ(UidsOf(records).size(), 4u);
    EXPECT_TRUE(UidsOf(records).count(vtest::UidBytes("E0 04 01 00 00 00 00 35")));
    EXPECT_EQ(bench.Port().TimeoutMs(), CVorex_Port::kDefaultTimeoutMs);
}

TEST_P(InventoryVariants, TwentyTagsAreAllFoundOnce) {
    IsoBench bench({{"count", 20}, {"seed", 42}}, GetParam());
    std::vector<uint8_t> records;
    ASSERT_TRUE(iso::Inventory(bench.Port(), 0, records)) << bench.Port().LastError();
    EXPECT_EQ(records.size(), 20 * 11u);
    EXPECT_EQ(UidsOf(records).size(), 20u);
    EXPECT_GT(bench.IsoRequests().size(), 1u);
}

TEST_P(InventoryVariants, OneSlotCollisionIsError23) {
    IsoBench bench(SlotFiveCollision(), GetParam());
    std::vector<uint8_t> records;
    EXPECT_FALSE(iso::Inventory(bench.Port(), iso::kAddressedFlag, records));
    EXPECT_EQ(bench.Port().LastError(), 23);
    EXPECT_EQ(bench.IsoRequests().size(), 1u);
}

TEST_P(InventoryVariants, OneSlotSingleTag) {
    IsoBench bench({{"tags", {Tag("nxp-icode-slix", "E0 04 01 00 00 00 00 15")}}}, GetParam());
    std::vector<uint8_t> records;
    ASSERT_TRUE(iso::Inventory(bench.Port(), iso::kAddressedFlag, records));
    ASSERT_EQ(records.size(), 11u);
    EXPECT_EQ(std::vector<uint8_t>(records.begin() + 3, records.end()),
              vtest::UidBytes("E0 04 01 00 00 00 00 15"));
}

INSTANTIATE_TEST_SUITE_P(Variants, InventoryVariants, ::testing::Values(0, 2, 3));

TEST(Inventory, Variant1ReportsNoCollisionsSoCollidedTagsStayUnseen) {
    IsoBench bench(SlotFiveCollision(), 1);
    std::vector<uint8_t> records;
    ASSERT_TRUE(iso::Inventory(bench.Port(), 0, records));
    EXPECT_EQ(bench.IsoRequests().size(), 1u);
    EXPECT_EQ(UidsOf(records),
              std::set<std::vector<uint8_t>>{vtest::UidBytes("E0 04 01 00 00 00 00 40")});
}

TEST(Inventory, WaitsUpTo1000MsAndRestoresTheTimeout) {
    IsoBench bench({{"tags", {Tag("nxp-icode-slix", "E0 04 01 00 00 00 00 15")}}}, 0);
    vsim::Fault slow;
    slow.kind = vsim::Fault::Kind::Delay;
    slow.ms = 700;
    slow.command = 0x20;
    slow.times = 2;
    bench.Model().InjectFault(slow);
    std::vector<uint8_t> records;
    EXPECT_TRUE(iso::Inventory(bench.Port(), 0, records)) << bench.Port().LastError();
    EXPECT_EQ(records.size(), 11u);
    EXPECT_EQ(bench.Port().TimeoutMs(), CVorex_Port::kDefaultTimeoutMs);
    // Other requests keep the connection's timeout.
    const auto uid = vtest::UidBytes("E0 04 01 00 00 00 00 15");
    std::vector<uint8_t> data;
    EXPECT_FALSE(iso::ReadBlock(bench.Port(), 0, uid.data(), 8, 0, data));
    EXPECT_EQ(bench.Port().LastError(), 4);
}

TEST(Inventory, FujitsuTagsIgnoreTwoSubcarriers) {
    IsoBench bench({{"tags", {Tag("fujitsu-mb89r118", "E0 08 01 00 00 00 00 01")}}}, 0);
    std::vector<uint8_t> records;
    ASSERT_TRUE(iso::Inventory(bench.Port(), iso::kTwoSubcarriers, records));
    EXPECT_TRUE(records.empty());
    ASSERT_TRUE(iso::Inventory(bench.Port(), 0, records));
    EXPECT_EQ(records.size(), 11u);
    // With its UID the engine drops the two-subcarrier flag by itself.
    const auto uid = vtest::UidBytes("E0 08 01 00 00 00 00 01");
    std::vector<uint8_t> data;
    EXPECT_TRUE(iso::ReadBlock(bench.Port(), 3, uid.data(), 8, iso::kTwoSubcarriers, data));
    EXPECT_EQ(bench.IsoRequests().back()[0] & iso::kTwoSubcarriers, 0);
}

// A reader whose inventory answer is fixed by the test.
class FixedInventory : public vsim::CommandSet {
public:
    explicit FixedInventory(std::function<vsim::Bytes(const vsim::Request&)> chain)
        : chain_(std::move(chain)) {}
    std::optional<vsim::Reply> Handle(const vsim::Request& r, vsim::ReaderModel&) override {
        if (r.command != 0x20)
            return std::nullopt;
        vsim::Reply reply = vsim::Reply::Ok(chain_(r));
        reply.chained = true;
        return reply;
    }

private:
    std::function<vsim::Bytes(const vsim::Request&)> chain_;
};

struct FixedBench {
    explicit FixedBench(std::function<vsim::Bytes(const vsim::Request&)> chain) {
        sim.Model().AddCommandSet(std::make_unique<FixedInventory>(std::move(chain)));
        port.AttachLink(vorex::links::SerialLink::Open({sim.Path()}, port));
    }
    vtest::SimReader sim;
    CVorex_Port port;
};

vsim::Bytes Slots(int count, uint8_t status) {
    vsim::Bytes b;
    for (int i = 0; i < count; ++i)
        b.insert(b.end(), {1, status});
    return b;
}

TEST(Inventory, TenSlotBlocksIsError6) {
    FixedBench bench([](const vsim::Request&) { return Slots(10, 0x01); });
    std::vector<uint8_t> records;
    EXPECT_FALSE(iso::Inventory(bench.port, 0, records));
    EXPECT_EQ(bench.port.LastError(), 6);
}

TEST(Inventory, ReaderReportingCollisionsEverywhereIsBounded) {
    FixedBench bench([](const vsim::Request&) { return Slots(16, 0x02); });
    std::vector<uint8_t> records;
    EXPECT_TRUE(iso::Inventory(bench.port, 0, records));
    EXPECT_TRUE(records.empty());
    const auto requests = bench.sim.Model().Requests();
    EXPECT_EQ(requests.size(), static_cast<size_t>(iso::kMaxInventoryRounds));
    for (const auto& r : requests)
        EXPECT_LE(r.data.at(2), iso::kMaxMaskLength);
}

TEST(Inventory, DeepestMaskCollisionIsNotFollowed) {
    // Collisions only once the mask is 56 bits long: one more round at 60, then stop.
    FixedBench bench([](const vsim::Request& r) {
        return r.data.at(2) >= 56 ? Slots(16, 0x02) : [] {
            auto b = Slots(16, 0x01);
            b[1] = 0x02;
            return b;
        }();
    });
    std::vector<uint8_t> records;
    EXPECT_TRUE(iso::Inventory(bench.port, 0, records));
    const auto requests = bench.sim.Model().Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().data.at(2), 60);
    // 0, 4, ..., 56 down slot 0, then 16 rounds at mask length 60.
    EXPECT_EQ(requests.size(), 15u + 16u);
    EXPECT_EQ(requests[1].data, Hex("04 01 04 00"));
    EXPECT_EQ(requests[15].data.size(), 3u + 8u); // mask length 60: eight mask bytes
}

// ---- system information and memory size -------------------------------------------

json VendorTags() {
    return {
        {"tags",
         {Tag("nxp-icode-slix", "E0 04 01 00 00 00 00 01"),
          Tag("nxp-icode-slix-l", "E0 04 03 00 00 00 00 02"),
          Tag("ti-tagit-hfi-plus", "E0 07 80 00 00 00 00 03"),
          Tag("ti-tagit-hfi-pro", "E0 07 C4 00 00 00 00 04"),
          Tag("infineon-myd", "E0 05 45 00 00 00 00 05"),
          Tag("st-m24lr64", "E0 02 2C 00 00 00 00 06"), Tag("em4233", "E0 16 02 00 00 00 00 07"),
          Tag("fujitsu-mb89r118", "E0 08 01 00 00 00 00 08")}}};
}

struct SizeCase {
    const char* uid;
    int blocks;
    int blockSize;
    int manufacturer;
    size_t requests;
};

class MemorySize : public ::testing::TestWithParam<std::tuple<SizeCase, int>> {};

TEST_P(MemorySize, FromSystemInformation) {
    const SizeCase& c = std::get<0>(GetParam());
    IsoBench bench(VendorTags(), std::get<1>(GetParam()));
    const auto uid = vtest::UidBytes(c.uid);
    int blocks = -1, size = -1, maker = -1;
    ASSERT_TRUE(iso::GetMemorySize(bench.Port(), uid.data(), 8, 0, &blocks, &size, &maker))
        << bench.Port().LastError();
    EXPECT_EQ(blocks, c.blocks);
    EXPECT_EQ(size, c.blockSize);
    EXPECT_EQ(maker, c.manufacturer);
    EXPECT_EQ(bench.IsoRequests().size(), c.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Vendors, MemorySize,
    ::testing::Combine(
        ::testing::Values(SizeCase{"E0 04 01 00 00 00 00 01", 28, 4, 4, 1},
                          SizeCase{"E0 04 03 00 00 00 00 02", 8, 4, 4, 1}, // 0x2F corrected
                          SizeCase{"E0 07 80 00 00 00 00 03", 64, 4, 7, 1},
                          SizeCase{"E0 07 C4 00 00 00 00 04", 8, 4, 7, 1},    // TI fallback
                          SizeCase{"E0 05 45 00 00 00 00 05", 32, 8, 5, 0},   // from UID byte 5
                          SizeCase{"E0 02 2C 00 00 00 00 06", 2048, 4, 2, 2}, // with extension
                          SizeCase{"E0 08 01 00 00 00 00 08", 250, 8, 8, 1}),
        ::testing::Values(0, 1, 2, 3)));

TEST(SystemInfo, InfineonFromUidByte5WithoutAnyRequest) {
    IsoBench bench(VendorTags(), 2);
    const auto uid = vtest::UidBytes("E0 05 45 00 00 00 00 05");
    std::vector<uint8_t> info;
    ASSERT_TRUE(iso::GetSystemInfo(bench.Port(), uid.data(), 8, 0, info));
    std::vector<uint8_t> expected{0x04};
    expected.insert(expected.end(), uid.begin(), uid.end());
    expected.insert(expected.end(), {31, 7, 0});
    EXPECT_EQ(info, expected);
    EXPECT_TRUE(bench.IsoRequests().empty());
}

TEST(SystemInfo, InfineonWithoutUidAsksOneSlotInventory) {
    IsoBench bench({{"tags", {Tag("infineon-myd", "E0 05 45 00 00 00 00 05")}}}, 3);
    std::vector<uint8_t> info;
    ASSERT_TRUE(iso::GetSystemInfo(bench.Port(), nullptr, 0, iso::kUseInfineon, info))
        << bench.Port().LastError();
    ASSERT_EQ(info.size(), 12u);
    EXPECT_EQ(std::vector<uint8_t>(info.begin() + 1, info.begin() + 9),
              vtest::UidBytes("E0 05 45 00 00 00 00 05"));
    EXPECT_EQ(info[9], 31);
    ASSERT_EQ(bench.IsoRequests().size(), 1u);
    EXPECT_EQ(bench.IsoRequests()[0], Hex("24 01 00"));
}

TEST(SystemInfo, WithoutUidAndSeveralTagsIsError43) {
    IsoBench bench({{"tags",
                     {Tag("ti-tagit-hfi-pro", "E0 07 C4 00 00 00 00 14"),
                      Tag("ti-tagit-hfi-pro", "E0 07 C4 00 00 00 00 24")}}},
                   1); // variant 1 hides the one-slot collision: no record at all
    std::vector<uint8_t> info;
    EXPECT_FALSE(iso::GetSystemInfo(bench.Port(), nullptr, 0, 0, info));
    EXPECT_EQ(bench.Port().LastError(), 43);
}

TEST(SystemInfo, FailureOfAnotherTagKeepsItsError) {
    IsoBench bench(VendorTags(), 2);
    const auto absent = vtest::UidBytes("E0 04 01 00 00 00 00 99");
    std::vector<uint8_t> info;
    EXPECT_FALSE(iso::GetSystemInfo(bench.Port(), absent.data(), 8, 0, info));
    EXPECT_EQ(bench.Port().LastError(), 21);
}

// ---- blocks -------------------------------------------------------------------------

TEST(ReadBlock, BlockAbove255WithoutTwoByteNumbersIsError15AndNothingSent) {
    IsoBench bench(VendorTags(), 0);
    for (const char* u : {"E0 04 01 00 00 00 00 01", "E0 02 2C 00 00 00 00 06"}) {
        const auto uid = vtest::UidBytes(u);
        std::vector<uint8_t> data;
        EXPECT_FALSE(iso::ReadBlock(bench.Port(), 300, uid.data(), 8, 0, data));
        EXPECT_EQ(bench.Port().LastError(), 15);
    }
    EXPECT_TRUE(bench.IsoRequests().empty());
}

TEST(ReadBlock, StWithProtocolExtensionSendsTwoByteBlockNumbers) {
    const json tags = {
        {"tags", {Tag("st-m24lr64", "E0 02 2C 00 00 00 00 06", {{"blocks", json::array()}})}}};
    IsoBench bench(tags, 2);
    const auto uid = vtest::UidBytes("E0 02 2C 00 00 00 00 06");
    const std::vector<uint8_t> value{0xDE, 0xAD, 0xBE, 0xEF};
    ASSERT_TRUE(
        iso::WriteBlock(bench.Port(), 300, value.data(), 4, uid.data(), 8, iso::kProtocolExtension))
        << bench.Port().LastError();
    std::vector<uint8_t> data;
    ASSERT_TRUE(iso::ReadBlock(bench.Port(), 300, uid.data(), 8, iso::kProtocolExtension, data));
    EXPECT_EQ(data, value);
    const auto read = bench.IsoRequests().back();
    ASSERT_EQ(read.size(), 2u + 8 + 2);
    EXPECT_EQ(read[0], 0x28); // addressed + protocol extension
    EXPECT_EQ(read[1], 0x20);
    EXPECT_EQ(read[10], 0x2C);
    EXPECT_EQ(read[11], 0x01);
}

TEST(ReadMultipleBlocks, CountOutside1To256IsError7AndNothingSent) {
    IsoBench bench(VendorTags(), 0);
    const auto uid = vtest::UidBytes("E0 04 01 00 00 00 00 01");
    std::vector<uint8_t> data;
    for (int count : {0, -1, 257}) {
        EXPECT_FALSE(iso::ReadMultipleBlocks(bench.Port(), 0, count, uid.data(), 8, 0, data));
        EXPECT_EQ(bench.Port().LastError(), 7);
    }
    EXPECT_TRUE(bench.IsoRequests().empty());
    ASSERT_TRUE(iso::ReadMultipleBlocks(bench.Port(), 2, 3, uid.data(), 8, 0, data));
    EXPECT_EQ(data.size(), 12u);
    EXPECT_EQ(bench.IsoRequests().back().back(), 2); // count - 1
    EXPECT_FALSE(iso::ReadMultipleBlocks(bench.Port(), 0, 256, uid.data(), 8, 0, data));
    EXPECT_EQ(bench.Port().LastError(), 36); // the tag has 28 blocks
    EXPECT_EQ(bench.IsoRequests().back().back(), 0xFF);
}

struct ReadCase {
    const char* uid;
    uint32_t flags;
    uint8_t code;     // ISO command the engine chose
    size_t dataBytes; // bytes returned
};

class ReadPath : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadPath, VendorChoosesTheCommand) {
    const ReadCase& c = GetParam();
    IsoBench bench(VendorTags(), 0);
    const auto uid = vtest::UidBytes(c.uid);
    std::vector<uint8_t> data;
    ASSERT_TRUE(iso::ReadBlock(bench.Port(), 4, uid.data(), 8, c.flags, data))
        << bench.Port().LastError();
    EXPECT_EQ(data.size(), c.dataBytes);
    ASSERT_EQ(bench.IsoRequests().size(), 1u);
    EXPECT_EQ(bench.IsoRequests()[0][1], c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Vendors, ReadPath,
    ::testing::Values(ReadCase{"E0 04 01 00 00 00 00 01", 0, 0x20, 4},
                      ReadCase{"E0 04 01 00 00 00 00 01", iso::kOptionFlag, 0x20, 5},
                      ReadCase{"E0 04 01 00 00 00 00 01", iso::kReadViaMultiple, 0x23, 4},
                      ReadCase{"E0 05 45 00 00 00 00 05", 0, 0xA0, 8},
                      ReadCase{"E0 16 02 00 00 00 00 07", 0, 0x23, 4},
                      ReadCase{"E0 07 80 00 00 00 00 03", 0, 0x20, 4}));

TEST(ReadBlock, EmTagRefusesReadSingleBlockInRawMode) {
    IsoBench bench(VendorTags(), 0);
    const auto uid = vtest::UidBytes("E0 16 02 00 00 00 00 07");
    std::vector<uint8_t> data;
    EXPECT_FALSE(iso::ReadBlock(bench.Port(), 0, uid.data(), 8, iso::kRaw | 0x20, data));
    EXPECT_EQ(bench.Port().LastError(), 32); // ISO error 0x01
}

TEST(WriteBlock, TexasInstrumentsWriteCarriesTheOptionFlag) {
    IsoBench bench(VendorTags(), 3);
    const auto uid = vtest::UidBytes("E0 07 80 00 00 00 00 03");
    const std::vector<uint8_t> value{1, 2, 3, 4};
    ASSERT_TRUE(iso::WriteBlock(bench.Port(), 10, value.data(), 4, uid.data(), 8, 0))
        << bench.Port().LastError();
    EXPECT_EQ(bench.IsoRequests().back()[0], 0x60);
    std::vector<uint8_t> data;
    ASSERT_TRUE(iso::ReadBlock(bench.Port(), 10, uid.data(), 8, 0, data));
    EXPECT_EQ(data, value);
}

TEST(WriteBlock, LostAnswerButEqualBlockCountsAsWritten) {
    for (int variant : {0, 1, 2, 3}) {
        IsoBench bench(
            {{"tags",
              {Tag("nxp-icode-slix2", "E0 04 01 00 00 00 00 01", {{"write_answer_lost", true}})}}},
            variant);
        const auto uid = vtest::UidBytes("E0 04 01 00 00 00 00 01");
        const std::vector<uint8_t> value{9, 8, 7, 6};
        EXPECT_TRUE(iso::WriteBlock(bench.Port(), 7, value.data(), 4, uid.data(), 8, 0))
            << "variant " << variant;
        EXPECT_EQ(bench.Port().LastError(), 0);
        const auto requests = bench.IsoRequests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1][1], 0x20); // read back
    }
}

TEST(WriteBlock, LostAnswerAndDifferentBlockKeepsError21) {
    // Without the option flag a Tag-it tag neither writes nor answers.
    IsoBench bench(VendorTags(), 2);
    const auto uid = vtest::UidBytes("E0 07 80 00 00 00 00 03");
    const std::vector<uint8_t> value{1, 2, 3, 4};
    EXPECT_FALSE(
        iso::WriteBlock(bench.Port(), 10, value.data(), 4, uid.data(), 8, iso::kRaw | 0x20));
    EXPECT_EQ(bench.Port().LastError(), 21);
}

TEST(WriteBlock, LockedBlockIsIsoError12) {
    IsoBench bench(
        {{"tags", {Tag("nxp-icode-slix", "E0 04 01 00 00 00 00 01", {{"locked", {3}}})}}}, 0);
    const auto uid = vtest::UidBytes("E0 04 01 00 00 00 00 01");
    const std::vector<uint8_t> value{1, 2, 3, 4};
    EXPECT_FALSE(iso::WriteBlock(bench.Port(), 3, value.data(), 4, uid.data(), 8, 0));
    EXPECT_EQ(bench.Port().LastError(), 38);
    EXPECT_FALSE(iso::WriteBlock(bench.Port(), 28, value.data(), 4, uid.data(), 8, 0));
    EXPECT_EQ(bench.Port().LastError(), 36);
}

TEST(WriteBlock, InfineonServiceBlocksAreReadOnly) {
    IsoBench bench(VendorTags(), 0);
    const auto uid = vtest::UidBytes("E0 05 45 00 00 00 00 05");
    const std::vector<uint8_t> value{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(iso::WriteBlock(bench.Port(), 2, value.data(), 8, uid.data(), 8, 0));
    EXPECT_EQ(bench.Port().LastError(), 38);
    ASSERT_TRUE(iso::WriteBlock(bench.Port(), 3, value.data(), 8, uid.data(), 8, 0));
    vsim::Bytes expected{0x20, 0xA0, 0x05};
    expected.insert(expected.end(), uid.begin(), uid.end());
    expected.insert(expected.end(), {0x30, 0x03, 0x00});
    expected.insert(expected.end(), value.begin(), value.end());
    EXPECT_EQ(bench.IsoRequests().back(), expected);
}

TEST(LockBlock, AlreadyLockedBlockIsSuccessWithError0) {
    for (int variant : {0, 2, 3}) {
        IsoBench bench(VendorTags(), variant);
        // EM tags have no Read Single Block: the check reads their block security
        // status with Read Multiple Blocks, as reading a block does.
        for (const char* u :
             {"E0 04 01 00 00 00 00 01", "E0 07 80 00 00 00 00 03", "E0 16 02 00 00 00 00 07"}) {
            const auto uid = vtest::UidBytes(u);
            ASSERT_TRUE(iso::LockBlock(bench.Port(), 5, uid.data(), 8, 0));
            // The second lock fails with ISO error 0x11; the block reads back locked.
            EXPECT_TRUE(iso::LockBlock(bench.Port(), 5, uid.data(), 8, 0)) << u;
            EXPECT_EQ(bench.Port().LastError(), 0);
            EXPECT_EQ(bench.IsoRequests().back()[1], uid[6] == 0x16 ? 0x23 : 0x20);
            std::vector<uint8_t> data;
            ASSERT_TRUE(iso::ReadBlock(bench.Port(), 5, uid.data(), 8, iso::kOptionFlag, data));
            EXPECT_EQ(data.at(0), 0x01);
        }
    }
}

TEST(LockBlock, OptionFlagOnlyWhereNeeded) {
    IsoBench bench(VendorTags(), 0);
    const auto nxp = vtest::UidBytes("E0 04 01 00 00 00 00 01");
    const auto ti = vtest::UidBytes("E0 07 80 00 00 00 00 03");
    ASSERT_TRUE(iso::LockBlock(bench.Port(), 1, nxp.data(), 8, iso::kOptionForWriteLock));
    EXPECT_EQ(bench.IsoRequests().back()[0], 0x20); // NXP never gets it
    ASSERT_TRUE(iso::LockBlock(bench.Port(), 1, ti.data(), 8, 0));
    EXPECT_EQ(bench.IsoRequests().back()[0], 0x60);
    EXPECT_FALSE(iso::LockBlock(bench.Port(), 2, ti.data(), 8, iso::kLockWithoutOption));
    EXPECT_EQ(bench.Port().LastError(), 21);
}

TEST(LockBlock, FailedLockOfUnlockedBlockKeepsTheLockError) {
    IsoBench bench(VendorTags(), 0);
    const auto uid = vtest::UidBytes("E0 04 01 00 00 00 00 01");
    EXPECT_FALSE(iso::LockBlock(bench.Port(), 200, uid.data(), 8, 0));
    EXPECT_EQ(bench.Port().LastError(), 36);
    EXPECT_FALSE(iso::LockBlock(bench.Port(), 256, uid.data(), 8, 0));
    EXPECT_EQ(bench.Port().LastError(), 15);
}

} // namespace
