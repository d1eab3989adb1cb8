// vorexctl with an FTDI-based reader behind the stand-in libftd2xx.so: listed with its
// kind, and a whole ISO 15693 dump over it equals the one over the serial line.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

class UsbCli : public ::testing::Test {
protected:
    void SetUp() override {
        sim_ = vtest::SimReader::FromScenario(R"({
          "reader": {"variant": 0},
          "iso15693": {"tags": [
            {"type": "nxp-icode-slix", "uid": "E0 04 01 00 00 00 00 15",
             "blocks": ["11 22 33 44", "55 66 77 88"], "locked": [1]}]}})");
        devices_ = "4350-0001=" + sim_->Path();
    }
    std::unique_ptr<vtest::SimReader> sim_;
    std::string devices_;
};

} // namespace

TEST_F(UsbCli, ListPortsShowsTheFtdiReaderWithItsKind) {
    vtest::ScopedEnv dir("VOREX_VENDOR_LIBS", vtest::StandInVendorDir().c_str());
    vtest::ScopedEnv list("VOREX_STANDIN_FTDI", devices_.c_str());
    const auto r = vtest::Run("cli/vorexctl", "--json list-ports");
    ASSERT_EQ(r.status, 0) << r.out;
    const json ports = json::parse(r.out).at("ports");
    EXPECT_TRUE(std::find(ports.begin(), ports.end(),
                          json{{"kind", "ftdi"}, {"name", "4350-0001"}}) != ports.end())
        << r.out;
    for (const auto& p : ports)
        EXPECT_TRUE(p.at("kind") == "serial" || p.at("name") == "4350-0001") << p;
    const auto text = vtest::Run("cli/vorexctl", "list-ports");
    EXPECT_NE(text.out.find("ftdi    4350-0001\n"), std::string::npos) << text.out;
}

TEST_F(UsbCli, WithoutTheLibraryTheFtdiReaderIsNotThere) {
    vtest::ScopedEnv dir("VOREX_VENDOR_LIBS", "/nonexistent/vorex-vendor-libs");
    vtest::ScopedEnv list("VOREX_STANDIN_FTDI", devices_.c_str());
    const auto r = vtest::Run("cli/vorexctl", "list-ports");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("4350-0001"), std::string::npos) << r.out;
    EXPECT_NE(vtest::Run("cli/vorexctl", "--port 4350-0001 identify").status, 0);
}

TEST_F(UsbCli, Iso15693DumpOverFtdiEqualsTheSerialOne) {
    const auto serial =
        vtest::Run("cli/vorexctl", "--port " + sim_->Path() +
                                       " iso15693 dump --uid E004010000000015 --format json");
    ASSERT_EQ(serial.status, 0) << serial.out;
    vtest::ScopedEnv dir("VOREX_VENDOR_LIBS", vtest::StandInVendorDir().c_str());
    vtest::ScopedEnv list("VOREX_STANDIN_FTDI", devices_.c_str());
    const auto ftdi = vtest::Run(
        "cli/vorexctl", "--port 4350-0001 iso15693 dump --uid E004010000000015 --format json");
    ASSERT_EQ(ftdi.status, 0) << ftdi.out;
    EXPECT_EQ(ftdi.out, serial.out);
    EXPECT_EQ(json::parse(ftdi.out).at("blocks")[1]["data"], "55667788");
}
