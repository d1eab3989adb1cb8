// USB discovery: the driver check over fixture sysfs trees, and the article numbers
// that keep a listed USB reader.
#include "engine/links/usb/UsbDiscovery.h"
#include "tests/support/TestSupport.h"

#include <array>
#include <gtest/gtest.h>
#include <vorex/vorex.h>

using vorex::links::CheckUsbDriversIn;

TEST(UsbDrivers, ReaderWithoutBoundDriverSetsItsBit) {
    struct Case {
        const char* what;
        std::vector<std::array<const char*, 4>> devices; // bus, vid, pid, driver
        int bits;
    };
    const Case cases[] = {
        {"CDC reader with driver and FTDI reader without",
         {{"1-1", "2e5b", "0c2d", "cdc_acm"}, {"1-2", "0403", "d7a4", ""}},
         1},
        {"CDC reader without driver", {{"1-3", "2E5B", "0C2D", ""}}, 2},
        {"both without", {{"1-1", "2e5b", "0c2d", ""}, {"1-2", "0403", "d7a4", ""}}, 3},
        {"both with", {{"1-1", "2e5b", "0c2d", "cdc_acm"}, {"1-2", "0403", "d7a4", "ftdi_sio"}}, 0},
        {"other devices without driver do not count",
         {{"1-4", "0403", "6001", ""}, {"1-5", "2e5b", "0c33", ""}},
         0},
        {"a device without ids is passed over", {{"1-6", "", "", ""}, {"1-7", "2e5b", "", ""}}, 0},
        {"an id that is no four-digit hex number is no id", {{"1-8", "2e5b0", "0c2d", ""}}, 0},
    };
    for (const Case& c : cases) {
        vtest::SysfsTree sysfs;
        for (const auto& d : c.devices)
            sysfs.UsbDevice(d[0], d[1], d[2], d[3]);
        EXPECT_EQ(CheckUsbDriversIn(sysfs.Root()), c.bits) << c.what;
    }
}

TEST(UsbDrivers, MissingTreeGivesNothingMissing) {
    EXPECT_EQ(CheckUsbDriversIn("/nonexistent/vorex-sysfs"), 0);
    vtest::SysfsTree sysfs; // a tree without bus/usb
    EXPECT_EQ(CheckUsbDriversIn(sysfs.Root()), 0);
}

TEST(UsbDrivers, CdcDriverComesWithTheKernel) {
    EXPECT_EQ(VOREX_IsCdcDriverAvailable(), 1);
    const int bits = VOREX_CheckUsbDrivers();
    EXPECT_GE(bits, 0);
    EXPECT_LE(bits, 3);
}

TEST(UsbArticles, FirstFourCharactersNameTheArticle) {
    struct Case {
        const char* name;
        bool kept;
    };
    const Case cases[] = {
        {"4160-00123 HID", true}, {"4178-1", true},  {"4179-1", false},    {"4019-???? HID", true},
        {"4855ABCD", true},       {"5700", true},    {"4350", true},       {"435", false},
        {"43501234", true},       {"FT5A3B", false}, {"", false},          {"41A0-1", false},
        {"0416-0001 HID", false}, {"4900-1", false}, {"4705-9 HID", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vorex::links::IsMakerArticle(c.name), c.kept) << c.name;
    EXPECT_EQ(vorex::links::KeepMakerArticles({"FT123", "4350-7", "9999", "4160-1 HID"}),
              (std::vector<std::string>{"4350-7", "4160-1 HID"}));
}
