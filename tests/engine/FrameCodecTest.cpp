#include "engine/FrameCodec.h"
#include "engine/IsoAnswer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using vtest::Hex;
namespace frame = vorex::frame;

TEST(Crc16, ModbusCheckValue) {
    const std::string text = "123456789";
    EXPECT_EQ(frame::Crc16(reinterpret_cast<const uint8_t*>(text.data()), text.size()), 0x4B37);
}

struct BuildCase {
    int variant;
    const char* request;
    const char* frame;
    uint8_t lastCommand;
};

class BuildFrameTest : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildFrameTest, BuildsTheVariantsFrame) {
    const BuildCase& c = GetParam();
    std::vector<uint8_t> bytes = Hex(c.request);
    EXPECT_EQ(frame::BuildFrame(bytes, static_cast<uint8_t>(c.variant), 1), c.lastCommand);
    EXPECT_EQ(bytes, Hex(c.frame));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, BuildFrameTest,
    testing::Values(
        BuildCase{0, "F0", "02 01 F0 00 F1", 0xF0}, BuildCase{1, "F0", "01 F0 00 64 00", 0xF0},
        // ISO write single block: the inserted byte is counted in n
        BuildCase{2, "20 22 21 05 AA BB CC DD", "1E 28 08 01 22 21 05 AA BB CC DD", 0x28},
        BuildCase{3, "20 26 01 00", "1E 21 04 04 26 01 00", 0x21},
        BuildCase{3, "20 22 22 05", "1E 21 04 08 22 22 05", 0x21},
        BuildCase{3, "F5 00", "1E 0D 00", 0x0D}, BuildCase{2, "F5 01", "1E 0C 00", 0x0C},
        BuildCase{2, "F0", "1E 0B 00", 0x0B}, BuildCase{3, "F0", "1E 60 00", 0x60},
        BuildCase{2, "F0 46 56", "1E 0B 02 46 56", 0x0B},
        BuildCase{2, "FF 01", "1E 0F 01 01", 0x0F}, BuildCase{3, "FF 01", "1E FF 01 01", 0xFF},
        BuildCase{2, "FA", "1E 0E 00", 0x0E}, BuildCase{3, "FA", "1E FA 00", 0xFA},
        BuildCase{3, "F6 00 00", "1E 07 02 00 00", 0x07},
        BuildCase{2, "21 01", "1E 29 01 01", 0x29},
        BuildCase{0, "34 05", "02 01 34 01 05 31", 0x34}));

struct AnswerCase {
    const char* name;
    int variant;
    const char* frame;
    uint8_t lastCommand;
    bool ok;
    int error;
    const char* payload;
};

class TakeAnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(TakeAnswerTest, ChecksAndUnpacks) {
    const AnswerCase& c = GetParam();
    std::vector<uint8_t> bytes = Hex(c.frame);
    int error = -1;
    EXPECT_EQ(frame::TakeAnswer(bytes, static_cast<uint8_t>(c.variant), c.lastCommand, error),
              c.ok);
    EXPECT_EQ(error, c.error);
    if (c.ok) {
        EXPECT_EQ(bytes, Hex(c.payload));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TakeAnswerTest,
    testing::Values(AnswerCase{"v0_ok", 0, "02 01 00 01 AA AA", 0, true, 0, "AA"},
                    AnswerCase{"v0_status20_delivered", 0, "02 01 20 01 AA 8A", 0, true, 32, "AA"},
                    AnswerCase{"v0_status7", 0, "02 01 07 00 06", 0, false, 44, ""},
                    AnswerCase{"v0_status3", 0, "02 01 03 00 02", 0, false, 23, ""},
                    AnswerCase{"v0_status25", 0, "02 01 19 00 18", 0, false, 23, ""},
                    AnswerCase{"v0_status21", 0, "02 01 15 00 14", 0, false, 21, ""},
                    AnswerCase{"v0_bad_xor", 0, "02 01 00 01 AA AB", 0, false, 10, ""},
                    AnswerCase{"v0_trailing_byte", 0, "02 01 00 01 AA AA 00", 0, false, 10, ""},
                    AnswerCase{"v0_chained", 0, "02 01 00 FF 02 A1 A2 01 B1 FF B0", 0, true, 0,
                               "02 A1 A2 01 B1"},
                    AnswerCase{"v0_too_short", 0, "02 01", 0, false, 10, ""},
                    AnswerCase{"empty", 0, "", 0, false, 12, ""},
                    AnswerCase{"v1_ok", 1, "01 00 04 31 36 31 33 41 77", 0, true, 0, "31 36 31 33"},
                    AnswerCase{"v1_status", 1, "01 05 00 00 00", 0, false, 10, ""},
                    AnswerCase{"v1_bad_crc", 1, "01 00 04 31 36 31 33 41 78", 0, false, 10, ""},
                    AnswerCase{"v2_echo", 2, "1E 0B 04 31 37 31 33", 0x0B, true, 0, "31 37 31 33"},
                    AnswerCase{"v2_A0", 2, "1E A0 00", 0x0B, false, 24, ""},
                    AnswerCase{"v2_A4", 2, "1E A4 00", 0x0B, false, 20, ""},
                    AnswerCase{"v2_88", 2, "1E 88 00", 0x0B, false, 17, ""},
                    AnswerCase{"v3_CC", 3, "1E CC 00", 0x60, false, 23, ""},
                    AnswerCase{"v3_C4", 3, "1E C4 00", 0x60, false, 21, ""},
                    AnswerCase{"v3_C5", 3, "1E C5 00", 0x60, false, 21, ""},
                    AnswerCase{"v3_unexpected", 3, "1E 61 00", 0x60, false, 16, ""},
                    AnswerCase{"v2_trailing_dropped", 2, "1E 0B 02 AA BB CC", 0x0B, true, 0,
                               "AA BB"},
                    AnswerCase{"v3_chained", 3, "1E 21 FF 01 AA 00 FF", 0x21, true, 0, "01 AA 00"},
                    AnswerCase{"v2_chain_without_end", 2, "1E 28 FF", 0x28, true, 0, ""}),
    [](const testing::TestParamInfo<AnswerCase>& p) { return std::string(p.param.name); });

TEST(TakeAnswer, Variant1StatusIsTheErrorNumber) {
    // A correct CRC around status 0x05.
    std::vector<uint8_t> f = Hex("01 05 00");
    const uint16_t crc = frame::Crc16(f.data(), f.size());
    f.push_back(crc & 0xFF);
    f.push_back(crc >> 8);
    int error = 0;
    EXPECT_FALSE(frame::TakeAnswer(f, 1, 0, error));
    EXPECT_EQ(error, 5);
}

TEST(AnswerComplete, ChainedAnswerNeedsClosingByteAndCheck) {
    for (int variant : {0, 1, 2, 3}) {
        std::vector<uint8_t> f = variant == 0   ? Hex("02 01 00 FF")
                                 : variant == 1 ? Hex("01 00 FF")
                                                : Hex("1E 28 FF");
        // blocks whose data holds 0xFF bytes: only the block lengths count
        const std::vector<uint8_t> blocks = Hex("02 FF FF 01 B1 FF");
        f.insert(f.end(), blocks.begin(), blocks.end());
        f.resize(f.size() + frame::CheckBytes(static_cast<uint8_t>(variant)), 0x55);
        for (size_t n = 0; n < f.size(); ++n)
            EXPECT_FALSE(frame::AnswerComplete(f.data(), n, static_cast<uint8_t>(variant)))
                << "variant " << variant << " prefix " << n;
        EXPECT_TRUE(frame::AnswerComplete(f.data(), f.size(), static_cast<uint8_t>(variant)));
    }
}

TEST(AnswerComplete, BlockLengthsRunningPastTheBufferAreNotFollowed) {
    // Under the sanitizers a read past the vector fails the test.
    const std::vector<uint8_t> f = Hex("02 01 00 FF F0 01 02");
    for (size_t n = 0; n <= f.size(); ++n) {
        std::vector<uint8_t> exact(f.begin(), f.begin() + static_cast<long>(n));
        EXPECT_FALSE(frame::AnswerComplete(exact.data(), exact.size(), 0));
    }
}

TEST(AnswerComplete, LengthsBelow255ArePlainAnswers) {
    std::vector<uint8_t> v0(255, 0);
    v0[3] = 250; // 250 data bytes: 255 in all
    EXPECT_FALSE(frame::AnswerComplete(v0.data(), 254, 0));
    EXPECT_TRUE(frame::AnswerComplete(v0.data(), 255, 0));
    std::vector<uint8_t> v2(255, 0);
    v2[2] = 252;
    EXPECT_FALSE(frame::AnswerComplete(v2.data(), 254, 2));
    EXPECT_TRUE(frame::AnswerComplete(v2.data(), 255, 2));
}

struct IsoCase {
    int variant;
    const char* payload;
    bool ok;
    int error;
    const char* data;
};

TEST(IsoAnswer, EvaluatesReaderStatusFlagsAndErrorCodes) {
    const IsoCase cases[] = {
        {0, "00 11 22", true, 0, "11 22"},
        {0, "01 0F", false, 35, ""},
        {0, "01 12", false, 38, ""},
        {0, "01 A7", false, 0xA7, ""},
        {0, "01 E0", false, 41, ""},
        {0, "01", false, 42, ""},
        {0, "", false, 42, ""},
        {2, "00 00 AB", true, 0, "AB"},
        {2, "01 00", false, 21, ""},
        {2, "02", false, 23, ""},
        {2, "08", false, 10, ""},
        {2, "00", false, 9, ""},
        {3, "00 01 02 03", true, 0, "01 02 03"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> p = Hex(c.payload);
        int error = -1;
        EXPECT_EQ(vorex::iso::EvaluateIsoAnswer(p, static_cast<uint8_t>(c.variant), error), c.ok)
            << c.payload;
        EXPECT_EQ(error, c.error) << c.payload;
        if (c.ok) {
            EXPECT_EQ(p, Hex(c.data));
        }
    }
}
