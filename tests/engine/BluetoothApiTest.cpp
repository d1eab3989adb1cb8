// Bluetooth readers through the VOREX_ calls: a "... BT" name opens the module without
// identifying, a device is searched and connected, the reader answers through data
// packets, and a dropped link comes back on the next command.
#include "tests/support/TestSupport.h"
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
    // Once the reader has answered, type and name are its own, not the preset's.
    EXPECT_EQ(VOREX_GetDeviceType(handle), 0x155);
    char name[32] = {};
    VOREX_GetDeviceName(handle, name, sizeof name);
    EXPECT_STRNE(name, "VX-B71");
    EXPECT_EQ(VOREX_IsProgrammer(handle), 1);
    unsigned char inventory[110] = {};
    ASSERT_EQ(VOREX_Iso15693Inventory(handle, inventory, sizeof inventory, 0x26), 11);
    EXPECT_EQ(inventory[10], 0xE0);
    // The module on a serial port cannot change its speed: refused, nothing sent.
    EXPECT_EQ(VOREX_SetBaudrate(handle, 115200, 0), -1);
    EXPECT_EQ(VOREX_GetLastError(handle), 14);
    EXPECT_EQ(sim.Requests(0x0A).size(), 2u);

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

TEST(BluetoothApi, UsbAdapterThroughTheUsbXpressLibrary) {
    vtest::SimBtModule sim(kScenario);
    const std::string devices = "NVK-PN7716#0001=" + sim.Server().SlavePath() +
                                ";OTHER-DEVICE=/dev/null;NVK-PN7716#0002=/dev/null,busy";
    vtest::ScopedEnv dir("VOREX_VENDOR_LIBS", vtest::StandInVendorDir().c_str());
    vtest::ScopedEnv list("VOREX_STANDIN_SIUSBXP", devices.c_str());
    char names[200];
    const int used = VOREX_ListBluetoothPorts(names, sizeof names);
    EXPECT_EQ(std::string(names, static_cast<size_t>(used)),
              std::string("NVK-PN7716#0001 BT\0NVK-PN7716#0002 BT\0\0", 39))
        << "only the maker's adapters";
    EXPECT_EQ(VOREX_OpenPort("NVK-PN7716#0002 BT", 19200, 500), -1) << "held by another program";

    // The serial number is matched ignoring case.
    const int handle = VOREX_OpenPort("nvk-pn7716#0001 BT:1", 19200, 500);
    ASSERT_GE(handle, 30001);
    EXPECT_EQ(sim.Requests(0x26).size(), 1u) << "an inquiry cancel settles the adapter";
    unsigned char records[380] = {};
    ASSERT_EQ(VOREX_SearchBluetooth(handle, records, sizeof records, 10000, 0), 38);
    EXPECT_EQ(sim.Requests(0x00).at(0).payload, (std::vector<uint8_t>{6, 0, 0}));
    sim.Module().SetConnectFailures("VX-F74BT PN7711#0042", 0);
    ASSERT_EQ(VOREX_ConnectBluetooth(handle, records, 1, 3000), 1);
    unsigned char version[4] = {};
    ASSERT_EQ(VOREX_GetVersion(handle, version, 4), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(version), 4), "1557");
    // Once the reader has answered, type and name are its own, not the preset's.
    EXPECT_EQ(VOREX_GetDeviceType(handle), 0x155);
    char name[32] = {};
    VOREX_GetDeviceName(handle, name, sizeof name);
    EXPECT_STRNE(name, "VX-B71");
    EXPECT_EQ(VOREX_IsProgrammer(handle), 1);
    // The USB adapter takes a new speed itself; the reader gets no baud-rate command.
    const size_t packets = sim.Requests(0x0A).size();
    EXPECT_EQ(VOREX_SetBaudrate(handle, 115200, 0), 0);
    EXPECT_EQ(sim.Requests(0x0A).size(), packets);
    EXPECT_EQ(VOREX_ClosePort(handle), 0);
    EXPECT_FALSE(sim.Module().Connected());
}
