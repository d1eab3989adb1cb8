// vorexctl with Bluetooth readers: bt scan and connect against the stand-in module, and
// an ISO 15693 dump through the module that equals the dump over a serial line.
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

using nlohmann::json;

namespace {

const char* const kScenario = R"({
  "reader": {"device_type": "155", "revision": "7"},
  "iso15693": {"tags": [{"type": "nxp-icode-slix", "uid": "E0 04 01 00 00 00 00 15",
                         "blocks": ["11 22 33 44", "55 66 77 88"], "locked": [1]}]},
  "bluetooth": {"devices": [
    {"address": "0A0B0C0D0E0F", "name": "VX-F74BT PN7711#0042 PN7710#1"},
    {"address": "A1A2A3A4A5A6", "name": "headset", "class": "240404"},
    {"address": "112233445566", "name": "VX-F74BT PN7711#0042", "name_delay_ms": 50}]}})";

std::string Slurp(const std::filesystem::path& file) {
    std::ostringstream s;
    s << std::ifstream(file).rdbuf();
    return s.str();
}

} // namespace

// A remote name that is no UTF-8 and holds control characters: JSON output replaces
// the bad bytes, text output shows them escaped; neither ends the program.
TEST(BluetoothCli, NamesThatAreNoUtf8AreShownSafely) {
    vtest::SimBtModule sim(kScenario);
    vsim::BtDevice odd;
    odd.address = {0x77, 0x66, 0x55, 0x44, 0x33, 0x22};
    odd.name = std::string("VX-F74BT \xC3\x28\xFF\x1B[2J caf\xC3\xA9", 23);
    sim.Module().AddDevice(odd);
    const std::string port = "--port '" + sim.PortName() + "' ";
    auto r = vtest::Run("cli/vorexctl", port + "--json bt scan --all");
    ASSERT_EQ(r.status, 0) << r.out;
    const json j = json::parse(r.out);
    bool found = false;
    for (const auto& d : j["devices"])
        found |= d["name"] == "VX-F74BT \uFFFD(\uFFFD\x1B[2J caf\u00E9";
    EXPECT_TRUE(found) << r.out;
    r = vtest::Run("cli/vorexctl", port + "bt scan --all");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("VX-F74BT \\xC3(\\xFF\\x1B[2J caf\xC3\xA9\n"), std::string::npos) << r.out;
}

TEST(BluetoothCli, ScanListsOnlyThisProgramsReaders) {
    vtest::SimBtModule sim(kScenario);
    const std::string port = "--port '" + sim.PortName() + "' ";
    auto r = vtest::Run("cli/vorexctl", port + "bt scan");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "11:22:33:44:55:66 VX-F74BT PN7711#0042\n");
    r = vtest::Run("cli/vorexctl", port + "--json bt scan --all");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(json::parse(r.out).at("devices").size(), 3u);

    // Without --bt-device the first listed reader is connected.
    r = vtest::Run("cli/vorexctl", port + "--json bt connect");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(json::parse(r.out).at("address"), "11:22:33:44:55:66");
    EXPECT_EQ(json::parse(r.out).at("identification"), "1557");
    // identify names the reader by its own answer, type and model alike.
    r = vtest::Run("cli/vorexctl", port + "--bt-device 11:22:33:44:55:66 --json identify");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(json::parse(r.out).at("device_type"), "155");
    EXPECT_NE(json::parse(r.out).at("name"), "VX-B71") << r.out;
    r = vtest::Run("cli/vorexctl", port + "--bt-device 01:02:03:04:05:06 identify");
    EXPECT_EQ(r.status, 1) << "no such device in range";
    r = vtest::Run("cli/vorexctl", port + "--bt-device 01:02 identify");
    EXPECT_EQ(r.status, 2);
    r = vtest::Run("cli/vorexctl", "--port /dev/null bt scan");
    EXPECT_EQ(r.status, 2) << "not an adapter name";
}

TEST(BluetoothCli, DumpThroughTheModuleEqualsTheDumpOverSerial) {
    vtest::SimBtModule bt(kScenario);
    auto serial = vtest::SimReader::FromScenario(kScenario);
    const auto dir =
        std::filesystem::temp_directory_path() / ("vorexctl-bt-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto viaBt = dir / "bt.json";
    const auto viaSerial = dir / "serial.json";
    auto r = vtest::Run("cli/vorexctl", "--port '" + bt.PortName() +
                                            "' --bt-device 11:22:33:44:55:66 iso15693 dump --uid "
                                            "E004010000000015 --format json --out " +
                                            viaBt.string());
    ASSERT_EQ(r.status, 0) << r.out;
    r = vtest::Run("cli/vorexctl",
                   "--port " + serial->Path() +
                       " iso15693 dump --uid E004010000000015 --format json --out " +
                       viaSerial.string());
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string dump = Slurp(viaBt);
    EXPECT_EQ(dump, Slurp(viaSerial));
    EXPECT_EQ(json::parse(dump).at("blocks").at(1).at("data"), "55667788");
    EXPECT_FALSE(bt.Module().Connected()) << "vorexctl disconnects when it ends";
    std::filesystem::remove_all(dir);
}
