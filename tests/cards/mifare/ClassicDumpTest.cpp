// Dump files: both layouts read back what was written, and bad files give an error.
#include "cards/ClassicDump.h"

#include <gtest/gtest.h>
#include <string>

namespace md = vorex::cards::mifare;

namespace {

md::ClassicDump Sample(bool is4k) {
    md::ClassicDump d;
    d.blocks.assign(is4k ? 256 : 64, std::nullopt);
    for (size_t b = 0; b < d.blocks.size(); b += 3) {
        d.blocks[b].emplace();
        d.blocks[b]->fill(static_cast<uint8_t>(b));
    }
    d.keys.assign(is4k ? 40 : 16, md::SectorKeys{});
    d.keys[1].keyA = std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6};
    d.uid = {0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    d.sak = is4k ? 0x18 : 0x08;
    d.atqa = 0x44;
    return d;
}

TEST(MifareDumpFile, JsonKeepsUnreadBlocksAndKnownKeys) {
    for (bool is4k : {false, true}) {
        const md::ClassicDump d = Sample(is4k);
        md::ClassicDump back;
        std::string error;
        ASSERT_TRUE(md::ParseDump(md::ToJson(d), back, error)) << error;
        EXPECT_EQ(back.blocks, d.blocks);
        EXPECT_EQ(back.uid, d.uid);
        EXPECT_EQ(back.sak, d.sak);
        EXPECT_EQ(back.keys[1].keyA, d.keys[1].keyA);
        EXPECT_FALSE(back.keys[1].keyB);
        EXPECT_EQ(back.Is4k(), is4k);
    }
}

TEST(MifareDumpFile, BinaryLayoutHasRawBlocks) {
    md::ClassicDump d = Sample(false);
    const std::string bin = md::ToBinary(d);
    ASSERT_EQ(bin.size(), 1024u);
    EXPECT_EQ(bin.substr(16, 16), std::string(16, '\0')) << "unread block 1 is zeros";
    md::ClassicDump back;
    std::string error;
    ASSERT_TRUE(md::ParseDump(bin, back, error)) << error;
    EXPECT_TRUE(back.keys.empty());
    EXPECT_EQ(back.blocks[3], d.blocks[3]);
    ASSERT_TRUE(back.blocks[1]);
    // A 4-byte UID is taken from block 0 when its check byte fits.
    std::string withUid = bin;
    const char b0[] = {0x11, 0x22, 0x33, 0x44, 0x11 ^ 0x22 ^ 0x33 ^ 0x44};
    withUid.replace(0, 5, b0, 5);
    ASSERT_TRUE(md::ParseDump(withUid, back, error));
    EXPECT_EQ(back.uid, (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
    ASSERT_TRUE(md::ParseDump(std::string(4096, '\xFF'), back, error));
    EXPECT_TRUE(back.Is4k());
}

TEST(MifareDumpFile, BadFilesAreRefusedWithAReason) {
    const std::string blocks64 = [] {
        std::string s = "[";
        for (int i = 0; i < 64; ++i)
            s += std::string(i ? "," : "") + "null";
        return s + "]";
    }();
    const std::string bad[] = {
        "",
        std::string(1023, '\0'),
        std::string(2048, '\0'),
        "{",
        "{}",
        "[1,2]",
        R"({"blocks": []})",
        R"({"blocks": "x"})",
        R"({"blocks": [)" + std::string("\"00\"") + "]}",
        R"({"blocks": )" + blocks64 + R"(, "type": "classic4k"})",
        R"({"blocks": )" + blocks64 + R"(, "type": 3})",
        R"({"blocks": )" + blocks64 + R"(, "sak": -1})",
        R"({"blocks": )" + blocks64 + R"(, "uid": "0"})",
        R"({"blocks": )" + blocks64 + R"(, "sectors": [{"sector": 16}]})",
        R"({"blocks": )" + blocks64 + R"(, "sectors": [{"sector": 1, "key_a": "00"}]})",
        R"({"blocks": )" + blocks64 + R"(, "sectors": {}})",
        std::string(100000, '[') + "]",
        std::string("{\"blocks\": [") + std::string(5000, '[') + "]}",
    };
    for (const auto& text : bad) {
        md::ClassicDump d;
        std::string error;
        EXPECT_FALSE(md::ParseDump(text, d, error)) << text.substr(0, 80);
        EXPECT_FALSE(error.empty()) << text.substr(0, 80);
    }
    md::ClassicDump d;
    std::string error;
    std::string withBlock = blocks64;
    withBlock.replace(1, 4, "\"00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff\"");
    EXPECT_TRUE(md::ParseDump(R"({"blocks": )" + withBlock + "}", d, error)) << error;
    EXPECT_EQ((*d.blocks[0])[10], 0xAA);
}

TEST(MifareDumpFile, UnreadListBesideABinaryDump) {
    md::ClassicDump d = Sample(false);
    md::ClassicDump back;
    std::string error;
    ASSERT_TRUE(md::ParseDump(md::ToBinary(d), back, error));
    ASSERT_TRUE(md::ApplyUnreadList(md::UnreadList(d), back, error)) << error;
    EXPECT_EQ(back.blocks, d.blocks);
    ASSERT_TRUE(md::ApplyUnreadList("# comment\r\n\n  7 \r\n", back, error)) << error;
    EXPECT_FALSE(back.blocks[7]);
    for (const char* bad : {"64\n", "-1\n", "1x\n", "0007\n", "1 2\n"}) {
        EXPECT_FALSE(md::ApplyUnreadList(bad, back, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(MifareDumpFile, AccessBitsCheck) {
    const uint8_t delivery[] = {0xFF, 0x07, 0x80}, broken[] = {0x00, 0x00, 0x00},
                  open[] = {0xFF, 0x0F, 0x00}, c3[] = {0x77, 0x8F, 0x08};
    EXPECT_EQ(md::TrailerCondition(delivery), 4);
    EXPECT_EQ(md::TrailerCondition(open), 0);
    EXPECT_EQ(md::TrailerCondition(c3), 3);
    EXPECT_EQ(md::TrailerCondition(broken), -1);
    EXPECT_FALSE(md::AccessBitsConsistent(broken));
}

} // namespace
