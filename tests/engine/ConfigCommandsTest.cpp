// The reader configuration commands against the stand-in reader.
#include "engine/ConfigCommands.h"
#include "engine/Vorex_SDKApp.h"
#include "engine/links/serial/USBSerialPort.h"
#include "tests/support/TestSupport.h"
#include <vorex/vorex.h>

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

using vtest::Hex;

namespace {

struct Session {
    explicit Session(int variant = 0, int timeout = 500) : sim(Config(variant)) {
        handle = VOREX_OpenPort(sim.Path().c_str(), 19200, timeout);
        EXPECT_GT(handle, 0);
        sim.Model().ClearRequests();
    }
    ~Session() { VOREX_ClosePort(handle); }
    static vsim::ReaderConfig Config(int variant) {
        vsim::ReaderConfig c;
        c.variant = variant;
        c.baud = 19200;
        return c;
    }
    // Requests as the reader saw them (command + parameters, untranslated).
    std::vector<std::vector<uint8_t>> Seen() {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& r : sim.Model().Requests()) {
            std::vector<uint8_t> bytes{r.command};
            bytes.insert(bytes.end(), r.data.begin(), r.data.end());
            out.push_back(bytes);
        }
        return out;
    }
    CVorex_Port& Port() { return *VorexEngine().Find(handle); }
    CUSBSerialPort& Serial() { return dynamic_cast<CUSBSerialPort&>(*Port().Link()); }
    vtest::SimReader sim;
    int handle = 0;
};

} // namespace

TEST(SetBaudrate, SendsTheCodeAndTheLocalPortFollows) {
    Session s;
    ASSERT_EQ(VOREX_SetBaudrate(s.handle, 115200, 1), 0) << VOREX_GetLastError(s.handle);
    EXPECT_EQ(s.Seen(), std::vector<std::vector<uint8_t>>{Hex("F2 16")});
    EXPECT_EQ(s.Serial().Line().baud, 115200u);
    EXPECT_EQ(s.Serial().Line().parity, 'E');
    EXPECT_EQ(s.Serial().Line().stopBits, 1);
    // Both sides now run at the new speed.
    unsigned char id[8];
    EXPECT_EQ(VOREX_GetVersion(s.handle, id, sizeof id), 4);
    ASSERT_EQ(VOREX_SetBaudrate(s.handle, 19200, 0), 0);
    EXPECT_EQ(s.Seen().back(), Hex("F2 03"));
    EXPECT_EQ(s.Serial().Line().parity, 'N');
    EXPECT_EQ(VOREX_GetVersion(s.handle, id, sizeof id), 4);
}

TEST(SetBaudrate, CodesOfTheRates) {
    const std::pair<int, int> codes[] = {{2400, 0},   {4800, 1},   {9600, 2},     {19200, 3},
                                         {38400, 4},  {57600, 5},  {115200, 6},   {230400, 7},
                                         {460800, 8}, {921600, 9}, {1382400, 10}, {12345, -1},
                                         {0, -1},     {-9600, -1}, {250000, -1}};
    for (const auto& [baud, code] : codes)
        EXPECT_EQ(vorex::BaudRateCode(baud), code) << baud;
}

TEST(SetBaudrate, RateWithoutCodeOrBadFormatIsRefusedAndNothingSent) {
    Session s;
    const std::pair<int, int> refused[] = {
        {12345, 0}, {0, 0}, {250000, 1}, {115200, 16}, {115200, -1}};
    for (const auto& [baud, format] : refused) {
        EXPECT_EQ(VOREX_SetBaudrate(s.handle, baud, format), -1) << baud << " " << format;
        EXPECT_EQ(VOREX_GetLastError(s.handle), 7) << baud << " " << format;
    }
    EXPECT_TRUE(s.sim.Model().RawReceived().empty());
    EXPECT_EQ(s.Serial().Line().baud, 19200u);
    unsigned char id[8];
    EXPECT_EQ(VOREX_GetVersion(s.handle, id, sizeof id), 4) << "both sides still agree";
}

TEST(SetBaudrate, LostDeviceGivesTheErrorOfAFailedSend) {
    Session s(0, 150);
    s.sim.Model().InjectFault({.kind = vsim::Fault::Kind::DropLink});
    unsigned char id[8];
    VOREX_GetVersion(s.handle, id, sizeof id); // the line is cut around this answer
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (s.Serial().IsOpen() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(s.Serial().IsOpen());
    EXPECT_EQ(VOREX_SetBaudrate(s.handle, 115200, 1), -1);
    EXPECT_EQ(VOREX_GetLastError(s.handle), 4);
}

TEST(SetReaderMode, ModeRangeAndVariants) {
    Session s;
    EXPECT_EQ(VOREX_SetReaderMode(s.handle, 0x83), 0);
    EXPECT_EQ(VOREX_SetReaderMode(s.handle, 4), -1);
    EXPECT_EQ(VOREX_GetLastError(s.handle), 13);
    EXPECT_EQ(VOREX_SetReaderMode(s.handle, 0x84), -1);
    EXPECT_EQ(VOREX_GetLastError(s.handle), 13);
    EXPECT_EQ(s.Seen(), std::vector<std::vector<uint8_t>>{Hex("F4 83")});

    Session v3(3);
    EXPECT_EQ(VOREX_SetReaderMode(v3.handle, 1), 0);
    EXPECT_TRUE(v3.sim.Model().RawReceived().empty()) << "variants 2 and 3 send nothing";
}

TEST(SetHostMode, Variant3SendsTheTranslatedFrame) {
    Session s(3);
    EXPECT_EQ(VOREX_SetHostMode(s.handle, 0), 0);
    EXPECT_EQ(s.sim.Model().RawReceived(), Hex("1E 0D 00"));
    EXPECT_EQ(VOREX_SetHostMode(s.handle, 1), 0);
    EXPECT_EQ(s.sim.Model().Config().hostMode, true);
}

TEST(Settings, WriteReadAndBufferTooSmall) {
    Session s(1);
    const unsigned char block[] = {0x03, 0x02, 0x80};
    EXPECT_EQ(VOREX_WriteSettings(s.handle, block, 3), 0);
    unsigned char read[8];
    ASSERT_EQ(VOREX_ReadSettings(s.handle, read, sizeof read), 3);
    EXPECT_EQ(std::vector<uint8_t>(read, read + 3), Hex("03 02 80"));
    EXPECT_EQ(VOREX_ReadSettings(s.handle, read, 2), -1);
    EXPECT_EQ(VOREX_GetLastError(s.handle), 5);
}

TEST(FactoryReset, WaitsLongerThanTheConnectionTimeout) {
    Session s(0, 500);
    s.sim.Model().Config().factoryResetDelayMs = 800;
    EXPECT_EQ(VOREX_FactoryReset(s.handle), 0) << VOREX_GetLastError(s.handle);
    EXPECT_EQ(s.Port().TimeoutMs(), 500);
    s.sim.Model().Config().factoryResetDelayMs = 1300;
    EXPECT_EQ(VOREX_FactoryReset(s.handle), -1);
    EXPECT_EQ(VOREX_GetLastError(s.handle), 4);
    EXPECT_EQ(s.Port().TimeoutMs(), 500);
}

TEST(UsbMode, ModeAndF6FollowUp) {
    Session s(2);
    EXPECT_EQ(VOREX_SetUsbMode(s.handle, 1), 0);
    EXPECT_EQ(VOREX_SendCommandF6(s.handle, 0, 0), 0);
    EXPECT_EQ(s.sim.Model().RawReceived(), Hex("1E 0F 01 01  1E 07 02 00 00"));
    EXPECT_EQ(s.sim.Model().Config().usbMode, 1);
}

TEST(ErrorTexts, NumbersMapToTheirTexts) {
    const std::pair<int, const char*> texts[] = {
        {4, "Timeout\r\n"},
        {5, "Blockl\xC3\xA4nge ist nicht korrekt\r\n "},
        {19, "Keine \"Value\" Information im Block enthalten!\r\n"},
        {32, "ISO Fehler 0x01: Kommando wird nicht unterst\xC3\xBCtzt"},
        {40, "ISO Fehler 0x14: Sperrung des Blocks fehlgeschlagen"},
        {200, "Unbekannter Fehler (200) ist aufgetreten\r\n"},
        {230, "Kein g\xC3\xBCltiger Transponder vorhanden!"},
        {241, "Block kann nicht geschrieben werden"},
        {246, "Authenticate fehlt"},
        {3, "Unbekannter Fehler (3) ist aufgetreten\r\n"},
    };
    for (const auto& [error, text] : texts) {
        char buffer[128];
        const int n = VOREX_GetErrorText(error, buffer, sizeof buffer);
        EXPECT_EQ(n, static_cast<int>(std::strlen(text)));
        EXPECT_STREQ(buffer, text) << error;
    }
    EXPECT_EQ(VOREX_GetErrorStringId(44), 231);
    EXPECT_EQ(VOREX_GetErrorStringId(42), 215);
    EXPECT_EQ(VOREX_GetErrorStringId(170), 117);
}
