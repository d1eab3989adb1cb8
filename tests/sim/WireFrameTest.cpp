// The stand-in reader's side of the wire: request parsing, resynchronisation and
// scenario validation.
#include "sim/WireFrame.h"
#include "sim/DeviceCommands.h"
#include "sim/Scenario.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using vtest::Hex;

TEST(WireFrame, ParsesAfterGarbageAndSkipsOtherAddresses) {
    struct Case {
        int variant;
        const char* bytes;
        uint8_t command;
        const char* data;
    } cases[] = {
        {0, "55 02 01 F0 00 F1", 0xF0, ""},
        {0, "02 07 F0 00 F7  02 01 F5 01 01 F4", 0xF5, "01"}, // address 7 is not ours
        {0, "02 01 F0 00 00  02 01 F0 00 F1", 0xF0, ""},      // bad check: resynchronised
        {1, "01 F0 00 64 00", 0xF0, ""},
        {2, "AA 1E 28 04 00 26 01 00", 0x20, "26 01 00"},
        {3, "1E 21 04 08 22 22 05", 0x20, "22 22 05"},
        {2, "1E 0C 00", 0xF5, "01"},
        {2, "1E 0E 00", 0xFA, ""},
        {2, "1E 0E 03 03 00 80", 0xF9, "03 00 80"},
    };
    for (const auto& c : cases) {
        vsim::Bytes buffer = Hex(c.bytes);
        vsim::Request request;
        vsim::ParseResult r;
        do {
            r = vsim::ParseRequest(buffer, c.variant, 1, request);
        } while (r == vsim::ParseResult::Skipped);
        ASSERT_EQ(r, vsim::ParseResult::Parsed) << c.bytes;
        EXPECT_EQ(request.command, c.command) << c.bytes;
        EXPECT_EQ(request.data, Hex(c.data)) << c.bytes;
        EXPECT_TRUE(buffer.empty()) << c.bytes;
    }
    vsim::Bytes partial = Hex("02 01 F0 03 AA");
    vsim::Request request;
    EXPECT_EQ(vsim::ParseRequest(partial, 0, 1, request), vsim::ParseResult::NeedMore);
}

TEST(ReaderModel, PartialFramesExpireAndOtherSpeedsAreNotHeard) {
    vsim::ReaderConfig config;
    config.baud = 19200;
    vsim::ReaderModel model(config);
    model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
    const auto t0 = vsim::Clock::now();
    const auto frame = Hex("02 01 F0 00 F1");
    EXPECT_TRUE(model.Feed(frame.data(), frame.size(), t0, 9600).empty());
    EXPECT_EQ(model.Feed(frame.data(), frame.size(), t0, 19200).size(), 1u);
    // The start of a frame, then nothing for longer than the inter-byte timeout.
    EXPECT_TRUE(model.Feed(frame.data(), 3, t0, 19200).empty());
    EXPECT_EQ(
        model.Feed(frame.data(), frame.size(), t0 + std::chrono::milliseconds(150), 19200).size(),
        1u);
}

TEST(Scenario, InvalidReaderSectionsAreRefused) {
    const char* bad[] = {
        R"([])",
        R"({"reader": {"variant": 4}})",
        R"({"reader": {"device_type": "12"}})",
        R"({"reader": {"address": 300}})",
        R"({"reader": {"settings": "0G"}})",
        R"({"reader": {"revision": "ab"}})",
        R"({"reader": {"format": 9}})",
        R"({"reader": {"variant": "zero"}})",
        R"({"faults": [{"kind": "explode"}]})",
        R"({"faults": [{"kind": "status", "status": 300}]})",
        R"({"faults": {}})",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_EQ(vsim::LoadScenario(nlohmann::json::parse(text), error), nullptr) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    for (const char* name : {"demo", "variant0", "variant1", "variant2", "variant3"}) {
        std::string error;
        EXPECT_NE(
            vsim::LoadScenarioFile(vtest::SourcePath("sim/scenarios/") + name + ".json", error),
            nullptr)
            << name << ": " << error;
    }
}

TEST(ReaderModel, RefusedBaudChangeKeepsTheSpeed) {
    vsim::ReaderConfig config;
    config.baud = 19200;
    vsim::ReaderModel model(config);
    model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
    model.InjectFault({.kind = vsim::Fault::Kind::Status, .status = 0x18});
    const auto f2 = Hex("02 01 F2 01 16 E4");
    ASSERT_EQ(model.Feed(f2.data(), f2.size(), vsim::Clock::now(), 19200).size(), 1u);
    EXPECT_EQ(model.Config().baud, 19200u);
    ASSERT_EQ(model.Feed(f2.data(), f2.size(), vsim::Clock::now(), 19200).size(), 1u);
    EXPECT_EQ(model.Config().baud, 115200u);
    EXPECT_EQ(model.Config().format, 1);
}
