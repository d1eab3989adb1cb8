// Bluetooth readers through the VOREX_ calls: a "... BT" name opens the module without
// identifying, a device is searched and connected, the reader answers through data
// packets, and a dropped link comes back on the next command.
#include "TestSupport.h"
#include <vorex/vorex.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kScenario = R"({
  "reader": {"device_type": "155", "revision": "7"},
  "iso15693": {"tags": [{"type": "nxp-icode-slix", "uid": "E0 04 01 50 12 34 56 71"}]},
  "bluetooth": {"devices": [
    {"address": "112233445566", "name": "VX-F74BT PN7711#0042", "connect_failures": 1,
     "connect_status": 9, "drop_after_data": 3}]}})";

} // namespace

TEST(BluetoothApi, SearchConnectAndUseAReaderThroughTheModule) {
    vtest::SimBtModule sim(kScenario);
    const int handle = VOREX_OpenPort((sim.PortName() + ":1").c_str(), 19200, 500);
    ASSERT_GE(handle, 30001);
    EXPECT_EQ(VOREX_GetDeviceType(handle), 0x125) << "taken, not identified";
    EXPECT_TRUE(sim.Requests(0x0F).empty()) << "nothing was sent to a reader at open";

    unsigned char records[380] = {};
    ASSERT_EQ(VOREX_SearchBluetooth(handle, records, sizeof records, 20000, 0), 38);
    EXPECT_STREQ(reinterpret_cast<const char*>(records + 6), "VX-F74BT PN7711#0042");
    EXPECT_EQ(VOREX_ConnectBluetooth(handle, records, 1, 3000), 0);
    EXPECT_EQ(VOREX_GetLastError(handle), 9) << "the module's status";
    ASSERT_EQ(VOREX_ConnectBluetooth(handle, records, 1, 3000), 1);

    unsigned char version[4] = {};
    ASSERT_EQ(VOREX_GetVersion(handle, version, 4), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(version), 4), "1557");
    unsigned char inventory[110] = {};
    ASSERT_EQ(VOREX_Iso15693Inventory(handle, inventory, sizeof inventory, 0x26), 11);
    EXPECT_EQ(inventory[10], 0xE0);

    // The third data packet finds the link dropped: that command times out, the link
    // connects again to the stored address, and the next command goes through.
    EXPECT_EQ(VOREX_GetVersion(handle, version, 4), -1);
    EXPECT_EQ(VOREX_GetVersion(handle, version, 4), 4);
    EXPECT_EQ(sim.Requests(0x0A).size(), 3u);

    EXPECT_EQ(VOREX_ClosePort(handle), 0);
    EXPECT_FALSE(sim.Module().Connected()) << "closing disconnects the reader";
}

TEST(BluetoothApi, RefusedNamesAndOtherConnections) {
    EXPECT_EQ(VOREX_OpenPort("/dev/null BTW BT", 19200, 500), -1);
    EXPECT_EQ(VOREX_OpenPort("NOSUCHADAPTER BT", 19200, 500), -1);
    EXPECT_EQ(VOREX_OpenPort("/dev/vorex-no-such-tty BT", 19200, 500), -1);
    unsigned char records[38];
    const unsigned char address[6] = {};
    EXPECT_EQ(VOREX_SearchBluetooth(777, records, sizeof records, 1000, 0), -1);
    EXPECT_EQ(VOREX_ConnectBluetooth(777, address, 1, 1000), -1);

    setenv("VOREX_BT_MODULES", "/dev/ttyUSB7,relative,/dev/pts/9", 1);
    char list[100];
    const int used = VOREX_ListBluetoothPorts(list, sizeof list);
    unsetenv("VOREX_BT_MODULES");
    EXPECT_EQ(std::string(list, static_cast<size_t>(used)),
              std::string("/dev/ttyUSB7 BT\0/dev/pts/9 BT\0\0", 31));
}
