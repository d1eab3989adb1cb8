// The USBXpress binding: loaded when first needed from VOREX_VENDOR_LIBS, fixed
// results without the library, and the stand-in library's devices carrying bytes to a
// stand-in reader.
#include "engine/links/usbxpress/SiUSBXpPort.h"
#include "tests/support/TestSupport.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using vtest::Hex;
using vtest::ScopedEnv;

namespace {

// Reads until `count` bytes came or a second passed.
std::vector<uint8_t> ReadAnswer(CSiUSBXpPort& si, CSiUSBXpPort::HANDLE handle, size_t count) {
    std::vector<uint8_t> got;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (got.size() < count && std::chrono::steady_clock::now() < until) {
        CSiUSBXpPort::DWORD queued = 0, status = 0;
        EXPECT_EQ(si.SI_CheckRXQueue(handle, &queued, &status), 0);
        if (queued == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        std::vector<uint8_t> chunk(queued);
        CSiUSBXpPort::DWORD read = 0;
        EXPECT_EQ(si.SI_Read(handle, chunk.data(), queued, &read), 0);
        got.insert(got.end(), chunk.begin(), chunk.begin() + read);
    }
    return got;
}

} // namespace

TEST(UsbXpressBinding, WithoutTheLibraryEveryCallFailsWithOne) {
    const auto empty = std::filesystem::temp_directory_path() / "vorex-no-vendor-libs";
    std::filesystem::create_directories(empty);
    ScopedEnv dir("VOREX_VENDOR_LIBS", empty.c_str());
    CSiUSBXpPort si;
    CSiUSBXpPort::DWORD count = 7;
    EXPECT_EQ(si.SI_GetNumDevices(&count), 1);
    EXPECT_EQ(count, 7u) << "nothing is written without the library";
    CSiUSBXpPort::HANDLE handle = nullptr;
    EXPECT_EQ(si.SI_Open(0, &handle), 1);
    EXPECT_EQ(handle, nullptr);
    EXPECT_FALSE(si.UsbXpressLoaded());
    char text[256] = {};
    EXPECT_EQ(si.SI_GetProductString(0, text, 0), 1);
    EXPECT_EQ(si.SI_SetBaudRate(handle, 921600), 1);
    EXPECT_EQ(si.SI_Close(handle), 1);
}

TEST(UsbXpressBinding, StandInDevicesCarryBytesToTheReader) {
    vtest::SimReader reader;
    vtest::SimReader other;
    const std::string devices =
        "NVK-PN7716#0001=" + reader.Path() + ";NVK-PN7716#0002=" + other.Path() + ",busy";
    ScopedEnv dir("VOREX_VENDOR_LIBS", vtest::StandInVendorDir().c_str());
    ScopedEnv list("VOREX_STANDIN_SIUSBXP", devices.c_str());

    CSiUSBXpPort si;
    CSiUSBXpPort::DWORD count = 0;
    ASSERT_EQ(si.SI_GetNumDevices(&count), 0);
    ASSERT_TRUE(si.UsbXpressLoaded());
    ASSERT_EQ(count, 2u);
    char serial[256] = {};
    ASSERT_EQ(si.SI_GetProductString(1, serial, 0), 0);
    EXPECT_STREQ(serial, "NVK-PN7716#0002");
    EXPECT_NE(si.SI_GetProductString(2, serial, 0), 0) << "no third device";

    CSiUSBXpPort::HANDLE busy = nullptr;
    EXPECT_NE(si.SI_Open(1, &busy), 0) << "a device another program holds does not open";

    CSiUSBXpPort::HANDLE handle = nullptr;
    ASSERT_EQ(si.SI_SetTimeouts(1000, 1000), 0);
    ASSERT_EQ(si.SI_Open(0, &handle), 0);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(si.SI_Open(0, &busy), 0) << "an open device does not open twice";
    EXPECT_EQ(si.SI_SetBaudRate(handle, 921600), 0);
    EXPECT_EQ(si.SI_SetLineControl(handle, 0x0800), 0);
    EXPECT_EQ(si.SI_SetFlowControl(handle, 1, 2, 0, 0, 0, 0), 0);
    EXPECT_EQ(si.SI_FlushBuffers(handle, 1, 1), 0);
    EXPECT_EQ(si.SI_SetBreak(handle, 0), 0);

    const auto request = Hex("02 01 F0 00 F1");
    CSiUSBXpPort::DWORD written = 0;
    ASSERT_EQ(si.SI_Write(handle, request.data(), static_cast<CSiUSBXpPort::DWORD>(request.size()),
                          &written),
              0);
    EXPECT_EQ(written, request.size());
    EXPECT_EQ(ReadAnswer(si, handle, 9), Hex("02 01 00 04 31 32 35 35 06"));

    EXPECT_EQ(si.SI_Close(handle), 0);
    EXPECT_NE(si.SI_Close(handle), 0) << "a closed handle is gone";
}
