// Rules of the LAN dialogs: the merged reader list and the address settings form.
#include "shell/core/LanDialogRules.h"

#include <gtest/gtest.h>

using namespace vorex::shell;

TEST(LanDialogRules, ReaderListMergesBothSearches) {
    const auto items = MergeLanSearches({"192.168.1.20-10001", "[READER01]", ""},
                                        {"192.168.1.20-10001", "[READER01]10.0.0.7-10001",
                                         "192.168.1.30-10001", "", "[OTHER]10.0.0.8-10001"});
    const std::vector<std::pair<std::string, bool>> want = {
        {"192.168.1.20-10001", true},       // found by both: once, normal
        {"[READER01]10.0.0.7-10001", true}, // the full entry of the unverified search
        {"192.168.1.30-10001", false},      // only unverified: red italics
        {"[OTHER]10.0.0.8-10001", false},
    };
    ASSERT_EQ(items.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(items[i].text, want[i].first) << i;
        EXPECT_EQ(items[i].verified, want[i].second) << i;
    }
    EXPECT_EQ(ChosenAddress(items[1]), "[READER01]10.0.0.7-10001");
    EXPECT_EQ(ChosenAddress(items[2]), ""); // cannot be returned
    EXPECT_TRUE(MergeLanSearches({}, {}).empty());
}

TEST(LanDialogRules, FormFromTheReadersTexts) {
    struct Case {
        const char* name;
        const char* address;
        LanMode mode;
        const char* wantAddress;
        const char* dhcp;
        int port;
    } cases[] = {
        {"[READER01]-10001", "192.168.1.20-4001", LanMode::Fixed, "192.168.1.20", "READER01", 4001},
        {"[READER01]-4002", "", LanMode::Automatic, "", "READER01", 4002},
        {"[LAB1]", "", LanMode::Automatic, "", "LAB1", 10001},
        {"PLAIN", "", LanMode::Automatic, "", "PLAIN", 10001},
        {"[ABCDEFGH12345678]-10001", "", LanMode::Automatic, "", "ABCDEFGH12345678", 10001},
        {"[X]-10001", "10.0.0.5", LanMode::Fixed, "10.0.0.5", "X", 10001},
    };
    for (const auto& c : cases) {
        const LanForm f = FormFromReader(c.name, c.address, "255.255.255.0", "10.0.0.1");
        EXPECT_EQ(f.mode, c.mode) << c.name;
        EXPECT_EQ(f.address, c.wantAddress) << c.name;
        EXPECT_EQ(f.dhcpName, c.dhcp) << c.name;
        EXPECT_EQ(f.port, c.port) << c.name;
        EXPECT_EQ(f.mask, "255.255.255.0");
        EXPECT_EQ(f.gateway, "10.0.0.1");
    }
}

TEST(LanDialogRules, UneditedFormSendsTheReadersOwnAddressText) {
    // An OK without edits must not rename the reader: names of every length the reader
    // stores come back unchanged.
    for (const char* text : {"[A]-10001", "[ABCDEFGH1234567]-10001", "[ABCDEFGH12345678]-10001"})
        EXPECT_EQ(NewAddressText(FormFromReader(text, "", "", "")), text);
}

TEST(LanDialogRules, AddressTextToSend) {
    LanForm f;
    f.mode = LanMode::Automatic;
    f.dhcpName = "LAB1";
    f.port = 10001;
    EXPECT_EQ(NewAddressText(f), "[LAB1]-10001");
    f.mode = LanMode::Fixed;
    f.address = "192.168.1.20";
    f.port = 4001;
    EXPECT_EQ(NewAddressText(f), "192.168.1.20-4001");
    for (const char* blank : {"", "0.0.0.0"}) {
        f.address = blank;
        EXPECT_EQ(NewAddressText(f), "") << blank; // message 10128
    }
}
