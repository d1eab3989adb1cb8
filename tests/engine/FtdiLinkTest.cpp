// FTDI readers: the D2XX binding loaded from VOREX_VENDOR_LIBS, the listing by serial
// number, and CUSBSerialPort's FTDI mode carrying the reader protocol to stand-in
// readers behind the stand-in libftd2xx.so.
#include "engine/links/ftdi/FTD2xxPort.h"
#include "engine/links/ftdi/FtdiLine.h"
#include "tests/support/TestSupport.h"
#include <vorex/vorex.h>

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

using vtest::ScopedEnv;

namespace {

std::string EmptyLibraryDir() {
    const auto dir = std::filesystem::temp_directory_path() / "vorex-no-vendor-libs";
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::vector<std::string> FtdiList() {
    CFTD2xxPort ftdi;
    std::vector<std::string> list;
    ftdi.ListFtdiDevices(list);
    return list;
}

std::string DeviceName(int handle) {
    char name[64] = {};
    VOREX_GetDeviceName(handle, name, sizeof name);
    return name;
}

} // namespace

TEST(FtdiReaders, WithoutTheLibraryNothingIsListedOrOpened) {
    vtest::SimReader reader;
    ScopedEnv dir("VOREX_VENDOR_LIBS", EmptyLibraryDir().c_str());
    ScopedEnv devices("VOREX_STANDIN_FTDI", ("4350-0001=" + reader.Path()).c_str());
    EXPECT_TRUE(FtdiList().empty());
    CFTD2xxPort ftdi;
    EXPECT_EQ(ftdi.FT_W32_CreateFile("4350-0001"), vorex::ftdi::InvalidHandle());
    EXPECT_EQ(VOREX_OpenPort("4350-0001", 19200, 200), -1);
    EXPECT_TRUE(reader.Model().RawReceived().empty());
}

TEST(FtdiReaders, ListedBySerialNumberUnlessOpenElsewhere) {
    vtest::SimReader first, second, third;
    const std::string devices = "4350-0001=" + first.Path() + ";4350-0002=" + second.Path() +
                                ",busy;4350-0003=" + third.Path();
    ScopedEnv dir("VOREX_VENDOR_LIBS", vtest::StandInVendorDir().c_str());
    ScopedEnv list("VOREX_STANDIN_FTDI", devices.c_str());
    EXPECT_EQ(FtdiList(), (std::vector<std::string>{"4350-0001", "4350-0003"}));

    const int handle = VOREX_OpenPort("4350-0003", 19200, 300);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(VOREX_IsUsbLink(handle), 1);
    EXPECT_EQ(DeviceName(handle), "VX-B71");
    EXPECT_EQ(FtdiList(), (std::vector<std::string>{"4350-0001"}))
        << "the device this program has open is no longer offered";
    EXPECT_EQ(VOREX_OpenPort("4350-0002", 19200, 200), -1) << "busy elsewhere";
    EXPECT_EQ(VOREX_ClosePort(handle), 0);
    EXPECT_EQ(FtdiList(), (std::vector<std::string>{"4350-0001", "4350-0003"}));
}

TEST(FtdiReaders, LibraryWithoutLatencyTimerStillOpens) {
    vtest::SimReader reader;
    ScopedEnv dir("VOREX_VENDOR_LIBS", vtest::BinaryPath("sim/vendor-nolatency").c_str());
    ScopedEnv devices("VOREX_STANDIN_FTDI", ("4350-0001=" + reader.Path()).c_str());
    const int handle = VOREX_OpenPort("4350-0001", 19200, 300);
    ASSERT_GT(handle, 0);
    unsigned char settings[16];
    EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), 3);
    EXPECT_EQ(VOREX_ClosePort(handle), 0);
}

TEST(FtdiReaders, ReadCountBeyondTheRequestIsNotTrusted) {
    // The library claims far more bytes than it was asked for (and than the receive
    // buffer holds); only the bytes asked for may reach the receive buffer.
    vtest::SimReader reader;
    ScopedEnv dir("VOREX_VENDOR_LIBS", vtest::StandInVendorDir().c_str());
    ScopedEnv devices("VOREX_STANDIN_FTDI", ("4350-0001=" + reader.Path()).c_str());
    ScopedEnv overread("VOREX_STANDIN_FTDI_OVERREAD", "1000000");
    const int handle = VOREX_OpenPort("4350-0001", 19200, 300);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(DeviceName(handle), "VX-B71");
    unsigned char settings[16];
    EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), 3);
    EXPECT_EQ(VOREX_ClosePort(handle), 0);
}

TEST(FtdiReaders, UnpluggedReaderFailsTheExchangeWithoutHanging) {
    auto reader = std::make_unique<vtest::SimReader>();
    ScopedEnv dir("VOREX_VENDOR_LIBS", vtest::StandInVendorDir().c_str());
    ScopedEnv devices("VOREX_STANDIN_FTDI", ("4350-0001=" + reader->Path()).c_str());
    const int handle = VOREX_OpenPort("4350-0001", 19200, 300);
    ASSERT_GT(handle, 0);
    reader.reset();
    const auto started = std::chrono::steady_clock::now();
    unsigned char settings[16];
    EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ(VOREX_ClosePort(handle), 0);
}

TEST(FtdiLine, ControlBlockFollowsTheLineSettings) {
    namespace dcb = vorex::ftdi::dcb;
    struct Case {
        vorex::links::LineSettings line;
        uint8_t parity, stopBits;
        uint32_t set, clear;
    };
    const Case cases[] = {
        {{19200, 'N', 8, 1, 0},
         0,
         0,
         dcb::kRtsControlEnable | dcb::kDtrControlEnable,
         dcb::kParity | dcb::kOutxCtsFlow | dcb::kOutX | dcb::kAbortOnError},
        {{115200, 'E', 8, 1, 1},
         2,
         0,
         dcb::kParity | dcb::kRtsControlHandshake | dcb::kOutxCtsFlow | dcb::kOutxDsrFlow,
         dcb::kOutX | dcb::kInX},
        {{9600, 'O', 8, 2, 2},
         1,
         2,
         dcb::kOutX | dcb::kInX | dcb::kRtsControlEnable,
         dcb::kOutxCtsFlow},
        {{9600, 'N', 8, 2, 3}, 0, 2, dcb::kRtsControlHandshake, dcb::kOutxCtsFlow | dcb::kOutX},
    };
    for (const Case& c : cases) {
        vorex::ftdi::FTDCB block{};
        block.flags =
            dcb::kAbortOnError | dcb::kNull | dcb::kDsrSensitivity; // as a device may hold
        vorex::links::FillFtdiDcb(block, c.line);
        SCOPED_TRACE(c.line.handshake);
        EXPECT_EQ(block.BaudRate, c.line.baud);
        EXPECT_EQ(block.ByteSize, 8);
        EXPECT_EQ(block.Parity, c.parity);
        EXPECT_EQ(block.StopBits, c.stopBits);
        EXPECT_EQ(block.flags & c.set, c.set);
        EXPECT_EQ(block.flags & c.clear, 0u);
        EXPECT_EQ(block.flags & (dcb::kBinary | dcb::kTxContinueOnXoff),
                  dcb::kBinary | dcb::kTxContinueOnXoff);
        EXPECT_EQ(block.flags & (dcb::kNull | dcb::kDsrSensitivity | dcb::kAbortOnError), 0u);
        EXPECT_EQ(block.flags & dcb::kRtsControlMask,
                  (c.line.handshake == 1 || c.line.handshake == 3) ? dcb::kRtsControlHandshake
                                                                   : dcb::kRtsControlEnable);
    }
}
