// Opening, identifying, finding and closing connections through the call surface,
// against the stand-in reader on pseudo-terminals.
#include "engine/ApiSupport.h"
#include "engine/DeviceTable.h"
#include "engine/PortNameGrammar.h"
#include "engine/Vorex_SDKApp.h"
#include "tests/support/TestSupport.h"
#include <vorex/vorex.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using vtest::Hex;
namespace fs = std::filesystem;

namespace {

// Closes the handle at the end of the test.
struct Open {
    Open(const std::string& name, int baud = 19200, int timeout = 500)
        : handle(VOREX_OpenPort(name.c_str(), baud, timeout)) {}
    ~Open() {
        if (handle > 0)
            VOREX_ClosePort(handle);
    }
    int handle;
};

} // namespace

TEST(PortNameGrammar, BusAddressLinkAndBaudRules) {
    // A link in a folder whose name has dots and colons, to a pseudo-terminal, and an
    // existing file whose name ends in a colon and a number.
    vtest::SimReader sim;
    const fs::path dir = fs::temp_directory_path() / ("vorex.by-path:" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path link = dir / "usb-Nvk_V1.2.3.4-port0:1.0";
    fs::create_symlink(sim.Path(), link);
    const fs::path file = dir / "COM9:7";
    std::ofstream(file.string()) << "x";

    struct Case {
        std::string name;
        std::string port;
        uint32_t address;
    };
    const Case splits[] = {
        {"COM3:5", "COM3", 5},
        {"COM3:255", "COM3", 255},
        {"/dev/ttyUSB0:5", "/dev/ttyUSB0", 5},
        {"192.168.0.10-10001:2", "192.168.0.10-10001", 2},
        {"COM3:", "COM3:", 1},
        {"COM3:x", "COM3:x", 1},
        {"COM3:256", "COM3:256", 1},
        {"COM3:5x", "COM3:5x", 1},
        {"/dev/serial/by-id/usb-Nvk_Reader_V1.2.3.4-if00",
         "/dev/serial/by-id/usb-Nvk_Reader_V1.2.3.4-if00", 1},
        {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:1.4:1.0-port0",
         "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1.4:1.0-port0", 1},
        {link.string(), link.string(), 1},
        {link.string() + ":3", link.string(), 3},
        {file.string(), file.string(), 1},
    };
    for (const auto& c : splits) {
        uint32_t address = 0;
        EXPECT_EQ(vorex::SplitBusAddress(c.name, address), c.port) << c.name;
        EXPECT_EQ(address, c.address) << c.name;
    }

    using vorex::LinkKind;
    const std::pair<std::string, LinkKind> links[] = {
        {"192.168.0.10-10001", LinkKind::Lan},
        {"[ABCDEFGH12345678]-10001", LinkKind::Lan},
        {"1.2", LinkKind::Serial},
        {".1.2.3", LinkKind::Serial},
        {"0816 Reader HID", LinkKind::Hid},
        {"Adapter BT", LinkKind::Bluetooth},
        {"BTW Adapter BT", LinkKind::BluetoothRefused},
        {"/dev/ttyUSB0 BT", LinkKind::Bluetooth},
        {"COM5 BT", LinkKind::Bluetooth},
        {"/dev/ttyBTW0 BT", LinkKind::BluetoothRefused},
        {"COM4", LinkKind::Serial},
        {"/dev/ttyHIDBT0", LinkKind::Serial},
        {"/dev/serial/by-id/usb-Nvk_Reader_V1.2.3.4-if00", LinkKind::Serial},
        {link.string(), LinkKind::Serial},
        {"/not/a/device/1.2.3.4", LinkKind::Lan},
    };
    for (const auto& [name, kind] : links)
        EXPECT_EQ(vorex::SelectLink(name), kind) << name;

    EXPECT_TRUE(vorex::KeepsBaudCode("com4"));
    EXPECT_TRUE(vorex::KeepsBaudCode("\\\\.\\COM7"));
    EXPECT_TRUE(vorex::KeepsBaudCode("/dev/ttyUSB0"));
    EXPECT_TRUE(vorex::KeepsBaudCode(link.string()));
    EXPECT_FALSE(vorex::KeepsBaudCode("MYPORT"));

    // The link opens like the device it points at, with its baud code and an address.
    const int handle = VOREX_OpenPort((link.string() + ":1").c_str(), 19200, 500);
    EXPECT_GT(handle, 0);
    VOREX_ClosePort(handle);
    fs::remove_all(dir);
}

class OpenEveryVariant : public testing::TestWithParam<int> {};

TEST_P(OpenEveryVariant, FindsTheVariantAndTheDeviceType) {
    const int variant = GetParam();
    vtest::SimReader sim(vtest::ReaderSetup(variant, "145", 'b'));
    Open open(sim.Path());
    ASSERT_GT(open.handle, 0);
    EXPECT_EQ(VOREX_GetFrameVariant(open.handle), variant);
    char name[32];
    VOREX_GetDeviceName(open.handle, name, sizeof name);
    // Variant-2 and variant-3 readers name their type through the answer form.
    const char* expected = variant == 2 ? "VX-C71 (V2)" : variant == 3 ? "VX-P5u" : "VX-B73";
    EXPECT_STREQ(name, expected);
    unsigned char id[16];
    ASSERT_EQ(VOREX_GetVersion(open.handle, id, sizeof id), 4);
    EXPECT_EQ(id[3], 'b');
    EXPECT_EQ(VOREX_IsProgrammer(open.handle), 1);
    EXPECT_EQ(VOREX_IsUsbLink(open.handle), 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, OpenEveryVariant, testing::Values(0, 1, 2, 3));

TEST(OpenPort, Variant3ReaderTakesFiveIdentificationExchanges) {
    VorexEngine().ForgetIdentifications(); // the pseudo-terminal's name may have been used
    vtest::SimReader sim(vtest::ReaderSetup(3, "117", 'Q'));
    Open open(sim.Path());
    ASSERT_GT(open.handle, 0);
    auto port = VorexEngine().Find(open.handle);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->DeviceType(), 0x117u);
    EXPECT_EQ(port->Revision(), 26); // 'Q'
    EXPECT_EQ(port->TimeoutMs(), 500) << "the caller's timeout is back after identification";
    EXPECT_EQ(sim.Model().RawReceived(),
              Hex("02 01 F0 00 F1  02 01 F0 00 F1  01 F0 00 64 00  1E 0B 00  1E 60 00"));
}

TEST(OpenPort, Variant2FollowUpReplacesTheIdentification) {
    vsim::ReaderConfig c = vtest::ReaderSetup(2);
    c.identification = Hex("04 05 31 35");
    c.fvAnswer = std::vector<uint8_t>{'1', '6', '5', '4'};
    vtest::SimReader sim(c);
    Open open(sim.Path());
    ASSERT_GT(open.handle, 0);
    EXPECT_EQ(VorexEngine().Find(open.handle)->DeviceType(), 0x165u);
    EXPECT_EQ(VorexEngine().Find(open.handle)->Revision(), 4);
}

TEST(OpenPort, BusAddressSuffixReachesTheAddressedReader) {
    vsim::ReaderConfig c = vtest::ReaderSetup(0);
    c.address = 5;
    vtest::SimReader sim(c);
    {
        Open wrong(sim.Path(), 19200, 100);
        EXPECT_EQ(wrong.handle, -11) << "a reader at another address does not answer";
    }
    Open open(sim.Path() + ":5");
    EXPECT_GT(open.handle, 0);
}

TEST(OpenPort, NegativeCodes) {
    EXPECT_EQ(VOREX_OpenPort("/dev/does-not-exist", 19200, 500), -1);
    EXPECT_EQ(VOREX_OpenPort("MYPORT", 19200, 500), -1); // FTDI serial number: not available
    EXPECT_EQ(VOREX_OpenPort("192.168.0.10-10001", 19200, 500), -1);
    EXPECT_EQ(VOREX_OpenPort("0816 Reader HID", 19200, 500), -1);
    EXPECT_EQ(VOREX_OpenPort("Dongle BTW BT", 19200, 500), -1);
    EXPECT_EQ(VOREX_OpenPort(nullptr, 19200, 500), -1);
    vtest::SimReader sim(vtest::ReaderSetup(0));
    EXPECT_EQ(VOREX_OpenPort(sim.Path().c_str(), 19200, -1), -2);
    sim.Model().InjectFault({.kind = vsim::Fault::Kind::NoAnswer, .times = -1});
    EXPECT_EQ(VOREX_OpenPort(sim.Path().c_str(), 19200, 50), -11);
    // Nothing of the failed opens survives: the port can be opened again.
    sim.Model().ClearFaults();
    Open open(sim.Path());
    EXPECT_EQ(open.handle, 1);
}

TEST(OpenPort, ReaderAnswersOnlyAtItsOwnBaudRate) {
    vsim::ReaderConfig c = vtest::ReaderSetup(0);
    c.baud = 57600;
    vtest::SimReader sim(c);
    EXPECT_EQ(VOREX_OpenPort(sim.Path().c_str(), 19200, 100), -11);
    Open open(sim.Path(), 57600);
    EXPECT_GT(open.handle, 0);
}

TEST(Handles, SerialNumbersFromOneAreReused) {
    vtest::SimReader a(vtest::ReaderSetup(0)), b(vtest::ReaderSetup(1)), c(vtest::ReaderSetup(0));
    const int h1 = VOREX_OpenPort(a.Path().c_str(), 19200, 500);
    const int h2 = VOREX_OpenPort(b.Path().c_str(), 19200, 500);
    EXPECT_EQ(h1, 1);
    EXPECT_EQ(h2, 2);
    EXPECT_EQ(VOREX_ClosePort(h1), 0);
    EXPECT_EQ(VOREX_ClosePort(h1), -1);
    const int h3 = VOREX_OpenPort(c.Path().c_str(), 19200, 500);
    EXPECT_EQ(h3, 1);
    EXPECT_EQ(VOREX_GetFrameVariant(h2), 1);
    VOREX_ClosePort(h2);
    VOREX_ClosePort(h3);
}

TEST(CallSurface, UnknownHandles) {
    EXPECT_EQ(VOREX_GetLastError(4711), 3);
    EXPECT_EQ(VOREX_IsProgrammer(4711), -1);
    EXPECT_EQ(VOREX_IsUsbLink(4711), -1);
    EXPECT_EQ(VOREX_SetBackgroundMode(4711, 1), -1);
    EXPECT_EQ(VOREX_SetHostMode(4711, 1), -1);
    unsigned char buffer[8];
    EXPECT_EQ(VOREX_GetVersion(4711, buffer, sizeof buffer), -1);
    char name[16];
    EXPECT_EQ(VOREX_GetDeviceName(4711, name, sizeof name), 7);
    EXPECT_STREQ(name, "VX-#000");
    EXPECT_EQ(VOREX_GetSdkVersion(), 222);
}

TEST(CallSurface, BufferRules) {
    vtest::SimReader sim(vtest::ReaderSetup(0, "125"));
    Open open(sim.Path());
    ASSERT_GT(open.handle, 0);
    unsigned char id[3];
    EXPECT_EQ(VOREX_GetVersion(open.handle, id, 3), -1);
    EXPECT_EQ(VOREX_GetLastError(open.handle), 5);

    char name[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(VOREX_GetDeviceName(open.handle, name, 4), 6);
    EXPECT_EQ(std::string(name, 4), std::string("VX-\0", 4));
    EXPECT_EQ(VOREX_GetDeviceName(open.handle, nullptr, 0), 6);
    EXPECT_EQ(VOREX_SetBackgroundMode(open.handle, 7), 1);
}

TEST(CallSurface, NameListFitsWholeNamesOnly) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(vorex::WriteNameList({"COM1", "COM22"}, buffer, 6), 6);
    EXPECT_EQ(std::string(buffer, 6), std::string("COM1\0\0", 6));
    EXPECT_EQ(vorex::WriteNameList({"COM1", "COM22"}, buffer, 5), 1)
        << "no room for the closing NUL";
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(vorex::WriteNameList({"COM1", "COM22"}, buffer, 16), 12);
    EXPECT_EQ(std::string(buffer, 12), std::string("COM1\0COM22\0\0", 12));
    EXPECT_EQ(vorex::WriteNameList({"A"}, nullptr, 16), 0);
}

TEST(DeviceNames, TableAndUnknownCodes) {
    const std::pair<uint32_t, const char*> names[] = {
        {0x117, "VX-P5u"},  {0x122, "VX-A71 PS/2"}, {0x171, "VX-C71 (V2)"},
        {0x181, "VX-C72"},  {0x185, "VX-B72"},      {0x435, "VX-G10HF"},
        {0x455, "VX-B790"}, {0x2A0, "VX-#2A0"},     {0x000, "VX-#000"},
    };
    for (const auto& [code, name] : names)
        EXPECT_EQ(vorex::DeviceName(code), name);
}

TEST(OpenPort, IdentificationMustBeFourCharactersWithAHexType) {
    // An answer in variant 0 that is no usable identification ends the trial at once:
    // the reader speaks variant 0, so frames of the other variants would only wait.
    const std::pair<const char*, int> answers[] = {
        {"31 32 35", -11},       // three bytes
        {"31 32 35 35 35", -11}, // five bytes
        {"31 47 35 35", -11},    // 'G' is no hex digit
        {"34 61 30 7A", 1},      // "4a0z": type 0x4A0, revision 61
    };
    for (const auto& [answer, expected] : answers) {
        vsim::ReaderConfig c = vtest::ReaderSetup(0);
        c.identification = Hex(answer);
        vtest::SimReader sim(c);
        Open open(sim.Path(), 19200, 100);
        EXPECT_EQ(open.handle, expected) << answer;
        EXPECT_EQ(sim.Model().RawReceived(), Hex("02 01 F0 00 F1")) << answer;
        if (open.handle > 0) {
            EXPECT_EQ(VorexEngine().Find(open.handle)->DeviceType(), 0x4A0u);
            EXPECT_EQ(VorexEngine().Find(open.handle)->Revision(), 61);
        }
    }
}
