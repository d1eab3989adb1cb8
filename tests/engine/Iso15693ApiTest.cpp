// The VOREX_Iso15693 call surface: handles, caller buffers and result convention.
#include "tests/support/TestSupport.h"
#include <vorex/vorex.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

class IsoApi : public ::testing::Test {
protected:
    void SetUp() override {
        const nlohmann::json scenario{
            {"reader", {{"variant", 0}}},
            {"iso15693",
             {{"tags",
               {{{"type", "nxp-icode-slix"}, {"uid", "E0 04 01 00 00 00 00 11"}},
                {{"type", "ti-tagit-hfi-pro"}, {"uid", "E0 07 C4 00 00 00 00 22"}},
                {{"type", "em4233"}, {"uid", "E0 16 02 00 00 00 00 33"}}}}}}};
        sim_ = vtest::SimReader::FromScenario(scenario.dump());
        handle_ = VOREX_OpenPort(sim_->Path().c_str(), 19200, 500);
        ASSERT_GT(handle_, 0);
    }
    void TearDown() override {
        if (handle_ > 0)
            VOREX_ClosePort(handle_);
    }
    std::unique_ptr<vtest::SimReader> sim_;
    int handle_ = 0;
};

TEST_F(IsoApi, UnknownHandleFailsWithoutSending) {
    unsigned char buf[64];
    const auto uid = vtest::UidBytes("E0 04 01 00 00 00 00 11");
    const int bad = handle_ + 1000;
    EXPECT_EQ(VOREX_Iso15693Inventory(bad, buf, sizeof buf, 0), -1);
    EXPECT_EQ(VOREX_Iso15693GetSystemInfo(bad, buf, sizeof buf, uid.data(), 8, 0), -1);
    EXPECT_EQ(VOREX_Iso15693GetMemorySize(bad, uid.data(), 8, nullptr, nullptr, nullptr, 0), -1);
    EXPECT_EQ(VOREX_Iso15693ReadBlock(bad, 0, buf, sizeof buf, uid.data(), 8, 0), -1);
    EXPECT_EQ(VOREX_Iso15693WriteBlock(bad, 0, buf, 4, uid.data(), 8, 0), -1);
    EXPECT_EQ(VOREX_Iso15693LockBlock(bad, 0, uid.data(), 8, 0), -1);
}

TEST_F(IsoApi, InventoryFillsWholeRecordsOnly) {
    std::vector<unsigned char> buf(64, 0xEE);
    EXPECT_EQ(VOREX_Iso15693Inventory(handle_, buf.data(), 64, 0), 33);
    std::fill(buf.begin(), buf.end(), 0xEE);
    EXPECT_EQ(VOREX_Iso15693Inventory(handle_, buf.data(), 25, 0), 22);
    EXPECT_EQ(buf[22], 0xEE); // nothing past the whole records
    EXPECT_EQ(VOREX_Iso15693Inventory(handle_, buf.data(), 10, 0), 0);
    EXPECT_EQ(VOREX_Iso15693Inventory(handle_, nullptr, 0, 0), 0);
}

TEST_F(IsoApi, PayloadLargerThanBufferIsError5) {
    unsigned char buf[64];
    const auto nxp = vtest::UidBytes("E0 04 01 00 00 00 00 11");
    const auto ti = vtest::UidBytes("E0 07 C4 00 00 00 00 22");
    EXPECT_EQ(VOREX_Iso15693GetSystemInfo(handle_, buf, sizeof buf, nxp.data(), 8, 0), 14);
    EXPECT_EQ(VOREX_Iso15693GetSystemInfo(handle_, buf, 13, nxp.data(), 8, 0), -1);
    EXPECT_EQ(VOREX_GetLastError(handle_), 5);
    EXPECT_EQ(VOREX_Iso15693GetSystemInfo(handle_, buf, 12, ti.data(), 8, 0), 12);
    EXPECT_EQ(VOREX_Iso15693GetSystemInfo(handle_, buf, 11, ti.data(), 8, 0), -1);
    EXPECT_EQ(VOREX_GetLastError(handle_), 5);
    EXPECT_EQ(VOREX_Iso15693ReadBlock(handle_, 1, buf, 3, nxp.data(), 8, 0), -1);
    EXPECT_EQ(VOREX_GetLastError(handle_), 5);
    EXPECT_EQ(VOREX_Iso15693ReadBlock(handle_, 1, buf, 4, nxp.data(), 8, 0), 4);
}

TEST_F(IsoApi, MemorySizeOutputsMayBeNull) {
    const auto em = vtest::UidBytes("E0 16 02 00 00 00 00 33");
    int blocks = 0;
    EXPECT_EQ(VOREX_Iso15693GetMemorySize(handle_, em.data(), 8, &blocks, nullptr, nullptr, 0), 0);
    EXPECT_EQ(blocks, 64);
}

TEST_F(IsoApi, WriteReadAndLockRoundTrip) {
    const auto em = vtest::UidBytes("E0 16 02 00 00 00 00 33");
    const unsigned char value[4] = {0x10, 0x20, 0x30, 0x40};
    ASSERT_EQ(VOREX_Iso15693WriteBlock(handle_, 9, value, 4, em.data(), 8, 0), 0);
    ASSERT_EQ(VOREX_Iso15693LockBlock(handle_, 9, em.data(), 8, 0), 0);
    unsigned char buf[8];
    ASSERT_EQ(VOREX_Iso15693ReadBlock(handle_, 9, buf, sizeof buf, em.data(), 8, 0x40), 5);
    EXPECT_EQ(buf[0], 0x01);
    EXPECT_TRUE(std::equal(value, value + 4, buf + 1));
    EXPECT_EQ(VOREX_Iso15693WriteBlock(handle_, 9, value, -1, em.data(), 8, 0), -1);
    EXPECT_EQ(VOREX_GetLastError(handle_), 7);
    EXPECT_EQ(VOREX_Iso15693WriteBlock(handle_, 9, nullptr, 4, em.data(), 8, 0), -1);
    EXPECT_EQ(VOREX_GetLastError(handle_), 7);
}

} // namespace
