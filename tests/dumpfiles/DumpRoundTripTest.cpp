// Every writer's output reads back as the memory written (unknown bytes included, as
// far as the format carries them), conversions between formats keep every byte the
// target can carry, and a lossy export needs a fill byte.
#include "dumpfiles/DumpFiles.h"
#include "tests/dumpfiles/DumpFixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace vtest::dumps;

// What a format keeps of a memory.
TagDump Carried(Format f, TagDump d) {
    if (auto* m = std::get_if<ClassicMemory>(&d); m && (f == Format::Mct || f == Format::Bin)) {
        m->uid = md::FourByteUid(*m).value_or(std::vector<uint8_t>{});
        m->atqa.reset();
        m->sak.reset();
    }
    if (auto* p = std::get_if<PageMemory>(&d); p && f == Format::Flipper) {
        p->tbo0.reset();
        p->tbo1.reset();
    }
    if (auto* t = std::get_if<Iso15693Memory>(&d); t && f == Format::Pm3)
        t->slix.reset();
    return d;
}

TagDump RoundTrip(Format f, const TagDump& d) {
    const WriteResult w = WriteDump(f, d, std::nullopt);
    EXPECT_EQ(w.error, "");
    EXPECT_EQ(w.filled, 0u);
    const ReadResult r = ReadDump("out", w.content);
    EXPECT_EQ(r.error, "") << w.content.substr(0, 400);
    EXPECT_EQ(r.format, f);
    return r.dump.value_or(TagDump{});
}

struct Case {
    const char* name;
    TagDump dump;
    std::vector<Format> formats;
};

TEST(DumpRoundTrip, EveryWriterReadsBackWhatItWrote) {
    const std::vector<Format> all = {Format::Own, Format::Pm3, Format::Mct, Format::Flipper,
                                     Format::Bin};
    const Case cases[] = {
        {"mini", Classic(md::ClassicSize::Mini), all},
        {"1k", Classic(md::ClassicSize::K1), all},
        {"2k", Classic(md::ClassicSize::K2), {Format::Own, Format::Pm3, Format::Mct, Format::Bin}},
        {"4k", Classic(md::ClassicSize::K4), all},
        {"1k with unknown blocks and key",
         Classic(md::ClassicSize::K1, 40),
         {Format::Own, Format::Mct, Format::Flipper}},
        {"4k with unknown 16-block sectors",
         Classic(md::ClassicSize::K4, 150),
         {Format::Own, Format::Mct, Format::Flipper}},
        {"ntag215", Ntag215(), {Format::Own, Format::Pm3, Format::Flipper, Format::Bin}},
        {"ntag215 partly read", Ntag215(true), {Format::Own, Format::Flipper}},
        {"iso15693", Iso(), {Format::Own, Format::Pm3, Format::Flipper}},
        {"slix", Iso(true), {Format::Own, Format::Pm3, Format::Flipper}},
        {"iso15693 with unknown byte and lock", Iso(false, true), {Format::Own}},
    };
    for (const Case& c : cases)
        for (Format f : c.formats)
            EXPECT_EQ(RoundTrip(f, c.dump), Carried(f, c.dump))
                << c.name << " as " << FormatName(f);
}

TEST(DumpRoundTrip, ConversionsKeepWhatTheTargetCarries) {
    // own -> pm3 -> flipper -> mct -> bin -> own of a whole 4K card, and a partial 1K
    // through the formats that mark unknown bytes.
    const struct {
        TagDump dump;
        std::vector<Format> chain;
    } chains[] = {
        {Classic(md::ClassicSize::K4),
         {Format::Own, Format::Pm3, Format::Flipper, Format::Mct, Format::Bin, Format::Own}},
        {Classic(md::ClassicSize::K1, 20), {Format::Flipper, Format::Mct, Format::Own}},
        {Ntag215(), {Format::Pm3, Format::Bin, Format::Flipper, Format::Own}},
    };
    for (const auto& c : chains) {
        TagDump d = c.dump;
        for (Format f : c.chain)
            d = RoundTrip(f, d);
        TagDump expected = c.dump;
        for (Format f : c.chain)
            expected = Carried(f, expected);
        if (auto* m = std::get_if<ClassicMemory>(&expected))
            EXPECT_EQ(std::get<ClassicMemory>(d).bytes, m->bytes);
        else
            EXPECT_EQ(std::get<PageMemory>(d).bytes, std::get<PageMemory>(expected).bytes);
    }
}

TEST(DumpRoundTrip, LossyExportNeedsFillAndCountsTheFilledBytes) {
    const ClassicMemory partial = Classic(md::ClassicSize::K1, 60); // 4 blocks + Key B
    const size_t unknown = 4 * 16 + 6;
    for (Format f : {Format::Pm3, Format::Bin}) {
        const WriteResult refused = WriteDump(f, partial, std::nullopt);
        EXPECT_TRUE(refused.content.empty());
        EXPECT_NE(refused.error.find(std::to_string(unknown) + " bytes"), std::string::npos)
            << refused.error;
        EXPECT_NE(refused.error.find("--fill 00"), std::string::npos);
        const WriteResult filled = WriteDump(f, partial, 0x00);
        EXPECT_EQ(filled.error, "");
        EXPECT_EQ(filled.filled, unknown) << FormatName(f);
        const ReadResult back = ReadDump("filled", filled.content);
        ASSERT_TRUE(back.dump) << back.error;
        const auto& m = std::get<ClassicMemory>(*back.dump);
        EXPECT_EQ(m.bytes[60 * 16], 0x00);
        EXPECT_EQ(m.bytes[20], partial.bytes[20]);
    }
    // Flipper marks unknown Classic bytes, but only whole blocks and keys, and no
    // unknown ISO 15693 data.
    EXPECT_EQ(WriteDump(Format::Flipper, partial, std::nullopt).filled, 0u);
    ClassicMemory halfKnown = partial;
    halfKnown.bytes[60 * 16 + 2] = 0x42;
    EXPECT_NE(WriteDump(Format::Flipper, halfKnown, std::nullopt).error, "");
    const WriteResult half = WriteDump(Format::Flipper, halfKnown, 0x00);
    EXPECT_EQ(half.filled, 15u);
    EXPECT_NE(half.content.find("\nBlock 60: 00 00 42 00 "), std::string::npos);
    EXPECT_NE(WriteDump(Format::Flipper, Iso(false, true), std::nullopt).error, "");
    EXPECT_EQ(WriteDump(Format::Flipper, Iso(false, true), 0xFF).filled, 2u);
}

TEST(DumpRoundTrip, WrittenFilesLookAsTheOtherToolsExpect) {
    const ClassicMemory partial = Classic(md::ClassicSize::K1, 63);
    const std::string mct = WriteDump(Format::Mct, partial, std::nullopt).content;
    EXPECT_EQ(mct.substr(0, 44), "+Sector: 0\nDEADBEEF220804006263646566676869\n");
    EXPECT_NE(mct.find("\n+Sector: 15\n"), std::string::npos) << "no sector is left out";
    EXPECT_NE(mct.find("\n--------------------------------"), std::string::npos);
    EXPECT_NE(mct.back(), '\n');

    const std::string nfc = WriteDump(Format::Flipper, partial, std::nullopt).content;
    for (const char* line :
         {"Filetype: Flipper NFC device\nVersion: 4\n", "\nDevice type: Mifare Classic\n",
          "\nUID: DE AD BE EF\n", "\nATQA: 00 04\nSAK: 08\n",
          "\nMifare Classic type: 1K\nData format version: 2\n",
          "\nBlock 63: ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ??\n"})
        EXPECT_NE(nfc.find(line), std::string::npos) << line;

    const std::string pm3 =
        WriteDump(Format::Pm3, Classic(md::ClassicSize::K1), std::nullopt).content;
    for (const char* part : {"\"FileType\": \"mfc v2\"", "\"ATQA\": \"0400\"", "\"SAK\": \"08\"",
                             "\"63\": \"FFFFFFFFFFFFFF078069FFFFFFFFFFFF\""})
        EXPECT_NE(pm3.find(part), std::string::npos) << part;
    const std::string iso = WriteDump(Format::Pm3, Iso(), std::nullopt).content;
    EXPECT_NE(iso.find("\"uid\": \"78563412000104E0\""), std::string::npos) << "E0 last";
}

} // namespace
