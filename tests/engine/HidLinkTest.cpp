// The HID link: report layouts, report lengths, the list names, and whole reader
// connections over stand-in HID devices (the machines have no hidraw or uhid).
#include "engine/links/hid/HidLink.h"
#include "engine/Vorex_SDKApp.h"
#include "engine/links/hid/HidReports.h"
#include "engine/links/hid/ReportDescriptor.h"
#include "engine/links/hid/WideText.h"
#include "sim/DeviceCommands.h"
#include "tests/support/StandInHid.h"
#include "tests/support/TestSupport.h"
#include <vorex/vorex.h>

#include <chrono>
#include <gtest/gtest.h>

using vtest::Hex;
using vtest::HidReaderSpec;
using vtest::StandInHid;

namespace {

std::unique_ptr<vsim::ReaderModel> Reader() {
    auto model = std::make_unique<vsim::ReaderModel>();
    model->AddCommandSet(std::make_unique<vsim::DeviceCommands>());
    return model;
}

std::vector<std::string> Names(const char* list) {
    std::vector<std::string> names;
    for (const char* p = list; *p; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

// The engine's HID devices are the test's for the life of the object.
class EngineHid {
public:
    explicit EngineHid(std::shared_ptr<StandInHid> hid) : saved_(VorexEngine().HidDevices()) {
        VorexEngine().SetHidDevices(std::move(hid));
    }
    ~EngineHid() { VorexEngine().SetHidDevices(saved_); }

private:
    std::shared_ptr<vorex::links::HidBackend> saved_;
};

} // namespace

TEST(HidReports, InputReportGivesAtMostTransferredMinusTwoBytes) {
    struct Case {
        const char* what;
        std::string report;
        size_t transferred, inputLength, capacity;
        std::string data;
    };
    const Case cases[] = {
        {"whole report", "00 03 AA BB CC 00 00 00 00", 9, 9, 64, "AA BB CC"},
        {"length byte larger than the transfer allows", "00 FF 01 02 03 04 05 06 07", 9, 9, 64,
         "01 02 03 04 05 06 07"},
        {"capacity cuts", "00 05 01 02 03 04 05 00 00", 9, 9, 2, "01 02"},
        {"short transfer gives nothing", "00 03 AA BB CC", 5, 9, 64, ""},
        {"empty report", "00 00 00 00 00 00 00 00 00", 9, 9, 64, ""},
        {"nothing transferred", "", 0, 0, 64, ""},
    };
    for (const Case& c : cases) {
        const auto report = Hex(c.report);
        std::vector<uint8_t> out(64, 0xEE);
        const size_t n = vorex::links::TakeInputReport(report.data(), c.transferred, c.inputLength,
                                                       out.data(), c.capacity);
        out.resize(n);
        EXPECT_EQ(out, Hex(c.data)) << c.what;
    }
}

TEST(HidReports, DataAndControlReportLayouts) {
    const auto data = Hex("01 02 03");
    EXPECT_EQ(vorex::links::DataReport(data.data(), 3, 9), Hex("00 03 01 02 03 00 00 00 00"));
    EXPECT_EQ(vorex::links::ControlReport(1, 9), Hex("00 82 10 01 00 00 00 00 00"));
}

TEST(HidReports, DescriptorGivesTheLongestReports) {
    // Vendor page, 64-byte input and output reports, unnumbered.
    const auto plain = Hex("06 00 FF 09 01 A1 01 15 00 26 FF 00 75 08 95 40 09 01 81 02"
                           " 95 40 09 01 91 02 C0");
    vorex::links::ReportLengths lengths;
    ASSERT_TRUE(vorex::links::ParseReportLengths(plain.data(), plain.size(), lengths));
    EXPECT_EQ(lengths.input, 65);
    EXPECT_EQ(lengths.output, 65);
    // Numbered reports: the longest of each kind counts.
    const auto numbered = Hex("06 00 FF 09 01 A1 01 75 08 85 01 95 07 81 02 85 02 95 10 81 02"
                              " 85 03 95 08 91 02 C0");
    ASSERT_TRUE(vorex::links::ParseReportLengths(numbered.data(), numbered.size(), lengths));
    EXPECT_EQ(lengths.input, 17);
    EXPECT_EQ(lengths.output, 9);
    for (const char* bad : {"06 00 FF A1 01 75 08 95 08 81 02 C0", // no output report
                            "A1 01 75 08 95 08 81 02 91 02",       // collection not closed
                            "75 08 95 08 81 02 91 02 C0",          // closes what never opened
                            "75 08 95 08 81 02 91 02 96 01"}) {    // item cut short
        const auto d = Hex(bad);
        EXPECT_FALSE(vorex::links::ParseReportLengths(d.data(), d.size(), lengths)) << bad;
    }
}

TEST(HidLink, TwentyBytesGoOutInThreeReportsAtOutputLengthNine) {
    auto hid = std::make_shared<StandInHid>();
    const size_t dev = hid->Add({.serial = "4160-0001"}, nullptr);
    CHidLink link(hid);
    ASSERT_TRUE(link.OpenHidDevice("4160-0001 HID"));
    std::vector<uint8_t> bytes(20);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i + 1);
    ASSERT_TRUE(link.WriteHidData(bytes.data(), bytes.size()));
    EXPECT_EQ(hid->Written(dev),
              (std::vector<std::vector<uint8_t>>{Hex("00 07 01 02 03 04 05 06 07"),
                                                 Hex("00 07 08 09 0A 0B 0C 0D 0E"),
                                                 Hex("00 06 0F 10 11 12 13 14 00")}));
    EXPECT_TRUE(link.WriteHidData(bytes.data(), 0));
    EXPECT_EQ(hid->Written(dev).size(), 3u) << "nothing to send, nothing written";
}

TEST(HidLink, ReportLengthsFromTheCapabilitiesOrNine) {
    struct Case {
        HidReaderSpec spec;
        uint16_t input, output;
    };
    const Case cases[] = {
        {{.serial = "4160-1", .input = 65, .output = 65}, 65, 65},
        {{.serial = "4160-1", .input = 134, .output = 33}, 134, 33},
        {{.serial = "4160-1", .input = 65, .output = 65, .capabilities = false}, 9, 9},
        {{.serial = "4160-1", .input = 65, .output = 66}, 9, 9},  // larger than the buffer
        {{.serial = "4160-1", .input = 135, .output = 65}, 9, 9}, // likewise
        {{.serial = "4160-1", .input = 2, .output = 9}, 9, 9},    // no room for data
    };
    for (const Case& c : cases) {
        auto hid = std::make_shared<StandInHid>();
        hid->Add(c.spec, nullptr);
        CHidLink link(hid);
        ASSERT_TRUE(link.OpenHidDevice("4160-1 HID"));
        EXPECT_EQ(link.InputReportLength(), c.input) << c.spec.input << "/" << c.spec.output;
        EXPECT_EQ(link.OutputReportLength(), c.output) << c.spec.input << "/" << c.spec.output;
    }
}

TEST(HidLink, ListsReadersOnceBySerialNumber) {
    auto hid = std::make_shared<StandInHid>();
    const size_t first = hid->Add({.serial = "4160-0007"}, nullptr);
    hid->Add({.vendorId = 0x16C0, .productId = 0x3A71}, nullptr); // no serial number
    const size_t twin = hid->Add({.productId = 0x0C37, .serial = "4160-0007"}, nullptr);
    hid->Add({.vendorId = 0x046D, .productId = 0xC52B, .serial = "4160-0008"}, nullptr); // a mouse
    hid->Add({.productId = 0x0C34, .serial = "4160-0009"}, nullptr); // not a reader id
    CHidLink link(hid);
    std::vector<std::string> list{"FT123"};
    link.ListHidDevices(list);
    EXPECT_EQ(list, (std::vector<std::string>{"FT123", "4160-0007 HID", "4019-???? HID"}));
    ASSERT_TRUE(link.OpenHidDevice("4160-0007 HID"));
    EXPECT_EQ(link.GetHidName(), "4160-0007 HID");
    EXPECT_EQ(hid->Opens(first), 1) << "the first in enumeration order";
    EXPECT_EQ(hid->Opens(twin), 0);
    EXPECT_FALSE(link.OpenHidDevice("4160-0008 HID"));
    EXPECT_EQ(link.GetHidName(), "");
}

TEST(HidConnection, OpensIdentifiesAndClosesLikeASerialReader) {
    auto hid = std::make_shared<StandInHid>();
    auto model = Reader();
    auto second = Reader();
    const size_t dev = hid->Add({.serial = "4160-0001", .input = 17, .output = 17}, model.get());
    hid->Add({.serial = "4162-0002"}, second.get());
    EngineHid engine(hid);

    const int handle = VOREX_OpenPort("4160-0001 HID", 115200, 300);
    ASSERT_EQ(handle, 10001);
    EXPECT_EQ(VOREX_IsUsbLink(handle), 1);
    EXPECT_EQ(VOREX_GetDeviceType(handle), 0x125);
    unsigned char settings[16];
    EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), 3);
    const int other = VOREX_OpenPort("4162-0002 HID:1", 19200, 300);
    EXPECT_EQ(other, 10002);
    EXPECT_EQ(VOREX_ClosePort(other), 0);

    const auto before = hid->Written(dev);
    ASSERT_GE(before.size(), 2u);
    EXPECT_EQ(before.front(), Hex("00 82 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00"))
        << "prepared right after opening";
    EXPECT_EQ(VOREX_ClosePort(handle), 0);
    EXPECT_EQ(hid->Written(dev).back(), Hex("00 82 10 01 00 00 00 00 00 00 00 00 00 00 00 00 00"))
        << "and before closing";
    EXPECT_EQ(VOREX_OpenPort("4160-0001 HID", 19200, 300), 10001) << "the number is free again";
    VOREX_ClosePort(10001);
}

TEST(HidConnection, OpenFailures) {
    auto hid = std::make_shared<StandInHid>();
    auto model = Reader();
    hid->Add({.serial = "4160-0003", .refuseControl = true}, model.get());
    hid->Add({.serial = "4160-0004"}, nullptr); // never answers
    EngineHid engine(hid);
    EXPECT_EQ(VOREX_OpenPort("4160-0009 HID", 19200, 100), -1) << "no such reader";
    EXPECT_EQ(VOREX_OpenPort("4160-0003 HID", 19200, 100), -13) << "preparation refused";
    EXPECT_EQ(VOREX_OpenPort("4160-0004 HID", 19200, 50), -11) << "no identification";
}

TEST(HidConnection, RemovedDeviceFailsTheWaitWithoutHanging) {
    auto hid = std::make_shared<StandInHid>();
    auto model = Reader();
    const size_t dev = hid->Add({.serial = "4160-0005"}, model.get());
    EngineHid engine(hid);
    const int handle = VOREX_OpenPort("4160-0005 HID", 19200, 300);
    ASSERT_GT(handle, 0);
    model->InjectFault({.kind = vsim::Fault::Kind::Delay, .ms = 2000});
    hid->Remove(dev);
    const auto started = std::chrono::steady_clock::now();
    unsigned char settings[16];
    EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), -1) << "it stays gone";
    VOREX_ClosePort(handle);
    char list[256];
    VOREX_ListUsbDevices(list, sizeof list);
    EXPECT_TRUE(Names(list).empty());
}

TEST(UsbReaders, ListHoldsFtdiThenHidReadersOfTheMakersArticles) {
    vtest::SimReader ftdiReader, foreign;
    const std::string devices = "4350-0001=" + ftdiReader.Path() + ";FT5A3B=" + foreign.Path();
    vtest::ScopedEnv dir("VOREX_VENDOR_LIBS", vtest::StandInVendorDir().c_str());
    vtest::ScopedEnv list("VOREX_STANDIN_FTDI", devices.c_str());
    auto hid = std::make_shared<StandInHid>();
    hid->Add({.serial = "4160-0001"}, nullptr);
    hid->Add({}, nullptr);
    hid->Add({.serial = "9999-1"}, nullptr);
    EngineHid engine(hid);
    char names[256];
    const int used = VOREX_ListUsbDevices(names, sizeof names);
    EXPECT_EQ(Names(names),
              (std::vector<std::string>{"4350-0001", "4160-0001 HID", "4019-???? HID"}));
    EXPECT_EQ(used, 10 + 14 + 14 + 1);
}

TEST(HidLink, SerialNumberTextBecomesUtf8) {
    using vorex::links::WideToUtf8;
    EXPECT_EQ(WideToUtf8(L"4019-0001"), "4019-0001");
    EXPECT_EQ(WideToUtf8(L"\u00e9\u20ac\U0001F600"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    const wchar_t invalid[] = {L'A', static_cast<wchar_t>(0x110000), static_cast<wchar_t>(0xD800),
                               L'B', 0};
    EXPECT_EQ(WideToUtf8(invalid), "AB") << "no Unicode scalar values: left out";
    EXPECT_EQ(WideToUtf8(L""), "");
    EXPECT_EQ(WideToUtf8(nullptr), "");
}
