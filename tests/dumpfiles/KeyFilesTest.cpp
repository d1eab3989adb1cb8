// Key dictionaries: the three text forms and binary key files read into one list
// (upper case, each key once, comments kept), a bad line refuses the whole file, and
// the written forms read back.
#include "dumpfiles/KeyFiles.h"
#include "dumpfiles/DumpFiles.h"
#include "tests/dumpfiles/DumpFixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace vtest::dumps;

std::vector<std::string> Keys(const KeyList& l) {
    std::vector<std::string> out;
    for (const auto& e : l.entries)
        if (!e.key.empty())
            out.push_back(e.key);
    return out;
}

TEST(KeyFiles, ReadsEveryFormIntoOneNormalisedList) {
    const struct {
        const char* name;
        std::string content;
        std::vector<std::string> keys;
    } cases[] = {
        {"mct .keys",
         "# transport\nFFFFFFFFFFFF\n  a0a1a2a3a4a5  # MAD\n\nffffffffffff\n",
         {"FFFFFFFFFFFF", "A0A1A2A3A4A5"}},
        {"pm3 .dic",
         "#comment\nd3f7d3f7d3f7 #NDEF\n000000000000\n",
         {"D3F7D3F7D3F7", "000000000000"}},
        {"flipper dictionary", "# Flipper\nB0B1B2B3B4B5\nb0b1b2b3b4b5\n", {"B0B1B2B3B4B5"}},
        {"hf-mf-DEADBEEF-key.bin",
         std::string("\xA0\xA1\xA2\xA3\xA4\xA5\xFF\xFF\xFF\xFF\xFF\xFF\xB0\xB1\xB2\xB3\xB4\xB5\xFF"
                     "\xFF\xFF\xFF\xFF\xFF",
                     24),
         {"A0A1A2A3A4A5", "FFFFFFFFFFFF", "B0B1B2B3B4B5"}},
    };
    for (const auto& c : cases) {
        const KeyReadResult r = ReadKeys(c.name, c.content);
        ASSERT_TRUE(r.keys) << c.name << ": " << r.error;
        EXPECT_EQ(Keys(*r.keys), c.keys) << c.name;
    }
    const KeyReadResult bin = ReadKeys("k.bin", cases[3].content);
    ASSERT_EQ(bin.keys->notes.size(), 1u);
    EXPECT_NE(bin.keys->notes[0].find("not found"), std::string::npos);
    const KeyReadResult mct = ReadKeys("k", cases[0].content);
    EXPECT_EQ(mct.keys->entries[0].comment, "transport");
    EXPECT_EQ(mct.keys->entries[2].comment, "MAD");
}

TEST(KeyFiles, RefusesTheWholeFileForOneBadLine) {
    for (const auto& [content, where] : std::vector<std::pair<std::string, std::string>>{
             {"FFFFFFFFFFFF\nFFFFFFFFFFF\n", "k: line 2: expected a key of 12 hex digits"},
             {"FFFFFFFFFFFF\nXFFFFFFFFFFF\n", "k: line 2"},
             {"A0A1A2A3A4A5B6\n", "k: line 1"},
             {std::string("\x01\x02\x03\x04\x05\x06\x07", 7), "k: offset 6: expected 6-byte keys"},
             {"A0A1A2", "k: line 1"}, // six letters are text, not one binary key
         }) {
        const KeyReadResult r = ReadKeys("k", content);
        EXPECT_FALSE(r.keys);
        EXPECT_EQ(r.error.rfind(where, 0), 0u) << r.error;
    }
}

TEST(KeyFiles, MergeConvertAndKeysOfADump) {
    KeyList a = *ReadKeys("a", "# set A\nA0A1A2A3A4A5\nFFFFFFFFFFFF\n").keys;
    const KeyList b = *ReadKeys("b", "# set A\nffffffffffff\nB0B1B2B3B4B5\n").keys;
    EXPECT_EQ(a.Merge(b), 1u);
    EXPECT_EQ(Keys(a), (std::vector<std::string>{"A0A1A2A3A4A5", "FFFFFFFFFFFF", "B0B1B2B3B4B5"}));
    const std::string text = WriteKeys(a, KeyFormat::Text);
    EXPECT_EQ(text, "# set A\nA0A1A2A3A4A5\nFFFFFFFFFFFF\nB0B1B2B3B4B5\n");
    for (KeyFormat f : {KeyFormat::Text, KeyFormat::Binary})
        EXPECT_EQ(Keys(*ReadKeys(f == KeyFormat::Text ? "w.keys" : "w.bin", WriteKeys(a, f)).keys),
                  Keys(a));
    // Keys whose bytes begin as a text dump does ("+Sector: 0\nD"): the binary file written
    // still reads back as these keys.
    const KeyList ascii = *ReadKeys("k", "2B536563746F\n723A20300A44\n").keys;
    const KeyReadResult binary = ReadKeys("w.bin", WriteKeys(ascii, KeyFormat::Binary));
    ASSERT_TRUE(binary.keys) << binary.error;
    EXPECT_EQ(Keys(*binary.keys), Keys(ascii));

    // Keys of a dump: Key A then Key B of each trailer, each once, unknown ones left out.
    ClassicMemory m = Classic(md::ClassicSize::K1, 60);
    for (size_t i = 0; i < 6; ++i)
        m.bytes[m.BlockOffset(7) + i] = static_cast<uint8_t>(0xC0 + i);
    const KeyReadResult fromDump =
        ReadKeys("d.mct", WriteDump(Format::Mct, m, std::nullopt).content);
    ASSERT_TRUE(fromDump.keys) << fromDump.error;
    EXPECT_EQ(Keys(*fromDump.keys), (std::vector<std::string>{"FFFFFFFFFFFF", "C0C1C2C3C4C5"}));
    EXPECT_NE(ReadKeys("n.nfc", WriteDump(Format::Flipper, Iso(), std::nullopt).content).error, "");
}

} // namespace
