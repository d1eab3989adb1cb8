// Rules of the Bluetooth connect step: the name filter, search records, and the
// address as the profile and the command line keep it.
#include "reader/BluetoothRules.h"

#include <gtest/gtest.h>

using namespace vorex::reader;

TEST(BluetoothRules, OnlyThisProgramsReadersAreListed) {
    const std::pair<const char*, bool> cases[] = {
        {"VX-F74BT PN7711#0042", true},
        {"PN7711#", true},
        {"VX-F74BT PN7710#0042", false},
        {"VX-F74BT PN7711#0042 PN7710#1", false},
        {"PN7711", false},
        {"", false},
    };
    for (const auto& [name, listed] : cases)
        EXPECT_EQ(IsListedBtReader(name), listed) << name;
}

TEST(BluetoothRules, RecordsAndAddresses) {
    uint8_t bytes[2 * kBtRecordSize + 5] = {};
    const BtAddress a{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    std::copy(a.begin(), a.end(), bytes);
    const char name[] = "VX-F74BT PN7711#0042";
    std::copy(name, name + sizeof name - 1, bytes + 6);
    // A name of the full 32 bytes has no terminating zero.
    std::fill(bytes + kBtRecordSize + 6, bytes + 2 * kBtRecordSize, 'x');
    const auto records = SplitBtRecords(bytes, sizeof bytes);
    ASSERT_EQ(records.size(), 2u) << "the partial record at the end is left out";
    EXPECT_EQ(records[0].address, a);
    EXPECT_EQ(records[0].name, name);
    EXPECT_EQ(records[1].name, std::string(32, 'x'));
    EXPECT_TRUE(SplitBtRecords(bytes, -1).empty());

    // Bytes 0-3 are the low 32 bits, bytes 4-5 the next 16.
    EXPECT_EQ(BtAddressToProfile(a), 0x665544332211LL);
    EXPECT_EQ(BtAddressFromProfile(0x665544332211LL), a);
    EXPECT_TRUE(IsZero(BtAddressFromProfile(0)));

    EXPECT_EQ(BtAddressText(a), "11:22:33:44:55:66");
    EXPECT_EQ(ParseBtAddress("11:22:33:44:55:66"), a);
    EXPECT_EQ(ParseBtAddress("112233445566"), a);
    for (const char* bad :
         {"11:22:33:44:55", "11-22-33-44-55-66", "1122334455667", "11:2233:44:55:66", ""})
        EXPECT_FALSE(ParseBtAddress(bad)) << bad;
}
