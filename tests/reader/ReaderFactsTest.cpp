#include "reader/ReaderFacts.h"
#include "engine/DeviceTable.h"
#include "engine/ReaderIdentity.h"

#include <gtest/gtest.h>

using namespace vorex::reader;

namespace {

struct CapabilityCase {
    int type;
    int firmware;
    bool iso, mifare, nfc, power, reset, smallKeys, hdrLock, updateChecked;
};

class CapabilityTest : public testing::TestWithParam<CapabilityCase> {};

TEST_P(CapabilityTest, Table) {
    const CapabilityCase& c = GetParam();
    SCOPED_TRACE(testing::Message()
                 << std::hex << "type 0x" << c.type << std::dec << " fw " << c.firmware);
    EXPECT_EQ(IsIsoProgrammer(c.type), c.iso);
    EXPECT_EQ(IsMifareProgrammer(c.type), c.mifare);
    EXPECT_EQ(IsNfcType2Programmer(c.type, c.firmware), c.nfc);
    EXPECT_EQ(HasTransmitPower(c.type, c.firmware), c.power);
    EXPECT_EQ(HasFactoryReset(c.type, c.firmware), c.reset);
    EXPECT_EQ(HasSmallKeyStore(c.type), c.smallKeys);
    EXPECT_EQ(HighDataRateLock(c.type), c.hdrLock);
    EXPECT_EQ(IsUpdateCheckedType(c.type), c.updateChecked);
}

// type, fw: iso mifare nfc power reset smallKeys hdrLock updateChecked
INSTANTIATE_TEST_SUITE_P(
    Devices, CapabilityTest,
    testing::Values(
        CapabilityCase{0x000, -1, false, false, false, false, false, false, false, false},
        CapabilityCase{0x117, 5, true, false, false, false, false, false, false, true},
        CapabilityCase{0x171, 5, true, false, false, false, false, false, true, true},
        CapabilityCase{0x125, 5, true, false, false, false, false, false, true, true},
        CapabilityCase{0x124, 5, false, false, false, false, false, false, false, true},
        CapabilityCase{0x12F, 0, true, false, false, false, false, false, true, false},
        CapabilityCase{0x161, 18, true, true, false, false, false, false, false, true},
        CapabilityCase{0x161, 19, true, true, true, false, false, false, false, true},
        CapabilityCase{0x195, 0, true, true, true, false, false, true, false, true},
        CapabilityCase{0x401, 0, true, true, true, false, false, true, false, true},
        CapabilityCase{0x411, 0, true, true, true, true, false, false, false, true},
        CapabilityCase{0x411, 1, true, true, true, true, true, false, false, true},
        CapabilityCase{0x414, 9, false, false, false, false, false, false, false, true},
        CapabilityCase{0x425, 3, true, false, false, false, false, false, false, false},
        CapabilityCase{0x425, 4, true, false, false, true, false, false, false, false},
        CapabilityCase{0x431, 0, true, true, true, true, true, false, false, false},
        CapabilityCase{0x455, 3, true, true, true, true, false, false, false, true},
        CapabilityCase{0x455, 4, true, true, true, true, true, false, false, true},
        CapabilityCase{0x171 + 0x100, 5, false, false, false, false, false, false, false, false},
        CapabilityCase{0x441, 9, false, false, false, false, false, false, false, false}));

TEST(Identity, Base62AndHexType) {
    EXPECT_EQ(Base62Value('0'), 0);
    EXPECT_EQ(Base62Value('9'), 9);
    EXPECT_EQ(Base62Value('A'), 10);
    EXPECT_EQ(Base62Value('Z'), 35);
    EXPECT_EQ(Base62Value('a'), 36);
    EXPECT_EQ(Base62Value('z'), 61);
    EXPECT_EQ(Base62Value('-'), 255);
    Identity id;
    const uint8_t text[] = {'4', '2', 'f', 'J'};
    ASSERT_TRUE(ParseIdentity(text, 4, id));
    EXPECT_EQ(id.deviceType, 0x42F);
    EXPECT_EQ(id.firmware, 19);
    const uint8_t bad[] = {'4', 'x', '5', '1'};
    EXPECT_FALSE(ParseIdentity(bad, 4, id));
    EXPECT_FALSE(ParseIdentity(text, 3, id));
}

// The programs decode identifications with their own copy of the engine's rule: both
// must read every payload alike.
TEST(Identity, DecodesAsTheEngineDoes) {
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(Base62Value(static_cast<char>(c)),
                  vorex::RevisionFromChar(static_cast<uint8_t>(c)))
            << c;
    const std::string payloads[] = {"1657", "42fJ", "FFFz", "0000", "aBc9",  "117-", "4x51",
                                    "G123", " 123", "12 4", "165",  "16571", ""};
    for (const std::string& p : payloads) {
        const std::vector<uint8_t> bytes(p.begin(), p.end());
        uint32_t type = 0;
        uint8_t revision = 0;
        const bool engine = vorex::ParseIdentification(bytes, type, revision);
        Identity id;
        ASSERT_EQ(ParseIdentity(bytes.data(), static_cast<int>(bytes.size()), id), engine) << p;
        if (engine) {
            EXPECT_EQ(id.deviceType, static_cast<int>(type)) << p;
            EXPECT_EQ(id.firmware, revision) << p;
        }
    }
}

std::vector<int> TriedRates(int baudCode, int answeringRate, int& result, int& found) {
    std::vector<int> tried;
    found = 0;
    result = SearchBaudRate(
        baudCode,
        [&](int rate) {
            tried.push_back(rate);
            return rate == answeringRate ? 7 : -11;
        },
        found);
    return tried;
}

TEST(BaudSearch, OrderOfTheCycle) {
    int result = 0;
    int found = 0;
    EXPECT_EQ(TriedRates(19200, 57600, result, found), (std::vector<int>{38400, 57600}));
    EXPECT_EQ(result, 7);
    EXPECT_EQ(found, 57600);

    // A rate with a format code retries its own rate first; the cycle ends after 9600.
    EXPECT_EQ(TriedRates(19201, 0, result, found),
              (std::vector<int>{19200, 38400, 57600, 115200, 2400, 4800, 9600}));
    EXPECT_EQ(result, -11);

    EXPECT_EQ(TriedRates(115200, 0, result, found),
              (std::vector<int>{2400, 4800, 9600, 19200, 38400, 57600}));
}

TEST(BaudSearch, StartOutsideTheCycleEnds) {
    int result = 0;
    int found = 0;
    EXPECT_EQ(TriedRates(12345, 0, result, found),
              (std::vector<int>{12300, 19200, 38400, 57600, 115200, 2400, 4800, 9600}));
    EXPECT_EQ(result, -11);
    EXPECT_EQ(TriedRates(0, 0, result, found).size(), 7u);
}

TEST(BaudSearch, OtherFailuresEndTheSearch) {
    std::vector<int> tried;
    int found = 0;
    const int result = SearchBaudRate(
        19200,
        [&](int rate) {
            tried.push_back(rate);
            return -1;
        },
        found);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(tried, std::vector<int>{38400});
}

TEST(BaudCode, ComposeAndSplit) {
    const struct {
        int code, baud, parity, stop;
    } cases[] = {{9601, 9600, 1, 0},
                 {9602, 9600, 2, 0},
                 {9603, 9600, 0, 1},
                 {19200, 19200, 0, 0},
                 {11504, 11500, 0, 0}};
    for (const auto& c : cases) {
        const BaudParts p = SplitBaudCode(c.code);
        EXPECT_EQ(p.baud, c.baud) << c.code;
        EXPECT_EQ(p.parity, c.parity) << c.code;
        EXPECT_EQ(p.stopIndex, c.stop) << c.code;
    }
    EXPECT_EQ(ComposeBaudCode(9600, 2, 1), 9602) << "parity wins over two stop bits";
    EXPECT_EQ(ComposeBaudCode(9600, 1, 0), 9601);
    EXPECT_EQ(ComposeBaudCode(57600, 0, 1), 57603);
    EXPECT_EQ(ComposeBaudCode(57600, 0, 0), 57600);
}

TEST(PortEntries, BuildPortName) {
    EXPECT_EQ(BuildPortName("COM3", 1), "COM3:1");
    EXPECT_EQ(BuildPortName("USB: VX-B71 4160-1234 HID", 1), "VX-B71 4160-1234 HID:1");
    EXPECT_EQ(BuildPortName("LAN: 10.0.0.5-10001", 7), "10.0.0.5-10001:7");
    EXPECT_EQ(BuildPortName("Bluetooth: COM9 BT", 2), "COM9 BT:2");
    EXPECT_EQ(BuildPortName("/dev/ttyUSB0 [Nvk Virtual COM]", 1),
              "/dev/ttyUSB0 [Nvk Virtual COM]:1");
    EXPECT_EQ(KindOf("USB:x"), EntryKind::Serial);
}

TEST(PortEntries, DisplayNameHidesTheDefaultAddress) {
    EXPECT_EQ(DisplayPortName("/dev/ttyUSB0", 1), "/dev/ttyUSB0");
    EXPECT_EQ(DisplayPortName("/dev/ttyUSB0", 5), "/dev/ttyUSB0:5");
    EXPECT_EQ(DisplayPortName("USB: VX-B71 4160-1234 HID", 1), "VX-B71 4160-1234 HID");
    EXPECT_EQ(DisplayPortName("", 1), "");
}

TEST(PortEntries, DefaultEntryOfAFreshProfile) {
    using List = std::vector<std::string>;
    struct Case {
        List serial, usb;
        std::string chosen;
    } cases[] = {
        {{}, {}, ""},
        {{"/dev/ttyS0", "/dev/ttyS1"}, {}, ""}, // on-board ports are never probed unasked
        {{"/dev/ttyS0", "/dev/ttyUSB0"}, {}, "/dev/ttyUSB0"},
        {{"/dev/ttyACM3", "/dev/ttyS0"}, {}, "/dev/ttyACM3"},
        {{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyACM1 [Nvk Virtual COM]"},
         {},
         "/dev/ttyACM1 [Nvk Virtual COM]"},
        {{"/dev/ttyUSB0"}, {"VX-B71 4160-1234 HID"}, "USB: VX-B71 4160-1234 HID"},
        {{"/dev/ttyS0", "/dev/ttyUSB9 [QL-5 Reader]"}, {"R HID"}, "/dev/ttyUSB9 [QL-5 Reader]"},
        {{"/dev/rfcomm0", "/dev/ttyAMA0"}, {}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseDefaultEntry(c.serial, c.usb), c.chosen)
            << testing::PrintToString(c.serial);
}

TEST(PortEntries, HidAndVirtualComEntries) {
    EXPECT_TRUE(IsHidReaderEntry("USB: 4160-00123 HID"));
    EXPECT_FALSE(IsHidReaderEntry("USB: 4161-00123 HID"));
    EXPECT_FALSE(IsHidReaderEntry("4160- HID")) << "the article must follow the first character";
    EXPECT_FALSE(IsHidReaderEntry("USB: 4160-00123"));
    EXPECT_TRUE(IsVirtualComEntry("COM5 [Nvk Virtual COM Port]"));
    EXPECT_FALSE(IsVirtualComEntry("COM"));
    EXPECT_TRUE(IsVirtualComEntry("/dev/ttyACM0 [Nvk Virtual COM]"));
    EXPECT_FALSE(IsVirtualComEntry("/dev/ttyACM0"));
    EXPECT_FALSE(IsVirtualComEntry("USB: 4160-1 HID [Nvk Virtual COM]"));
}

TEST(NameLists, SplitAndRefresh) {
    const char buffer[] = "COM1\0/dev/ttyUSB0 [x]\0\0junk";
    EXPECT_EQ(SplitNameList(buffer, sizeof buffer),
              (std::vector<std::string>{"COM1", "/dev/ttyUSB0 [x]"}));
    const char unterminated[] = {'A', 'B'};
    EXPECT_EQ(SplitNameList(unterminated, 2), std::vector<std::string>{"AB"});
    EXPECT_TRUE(SplitNameList(nullptr, 10).empty());

    std::vector<std::string> list{"a", "b", "c"};
    EXPECT_FALSE(RefreshList(list, {"a", "b", "c"}));
    EXPECT_TRUE(RefreshList(list, {"a", "x"}));
    EXPECT_EQ(list, (std::vector<std::string>{"a", "x"}));
    EXPECT_TRUE(RefreshList(list, {}));
    EXPECT_TRUE(list.empty());
}

} // namespace
