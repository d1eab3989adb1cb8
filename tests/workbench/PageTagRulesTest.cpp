// Rules of the MIFARE Ultralight and NFC Type 2 workbenches that depend on no widget:
// refused cards, chip makers, the changed-pages rule of writing, cell edits of the
// fixed pages, and the Ultralight pages taken from their edits.
#include "workbench/iso14443/PageTagRules.h"
#include "cards/Ndef.h"
#include "tests/workbench/ShownText.h"
#include "workbench/common/ByteText.h"
#include "workbench/iso14443/Type2Memory.h"
#include "workbench/iso14443/UltralightPages.h"

#include <gtest/gtest.h>
#include <iterator>
#include <set>

using namespace vorex::wb::nfc;
using vorex::wb::kAscii;
using vorex::wb::kHex;
using vorex::wb::kLsbFirst;
using vorex::wb::kMsbFirst;

namespace {

TEST(PageTagRules, RefusesEveryCardButAPageTag) {
    struct Case {
        uint8_t sak;
        int id;
    };
    for (const Case c : {Case{0x00, 0}, Case{0x08, 238}, Case{0x88, 238}, Case{0x18, 239},
                         Case{0x20, 241}, Case{0x09, 241}})
        EXPECT_EQ(RefusalTextId(c.sak), c.id) << int(c.sak);
}

TEST(PageTagRules, NamesTheMakerOnlyForLongUids) {
    struct Case {
        Bytes uid;
        const char* maker;
    };
    for (const Case& c : {
             Case{{0x04, 0x8F, 0x2D, 0x6A, 0xE1, 0x52, 0x80}, "NXP Semiconductors"},
             Case{{0x02, 1, 2, 3, 4, 5, 6}, "STMicroelectronics"},
             Case{{0x3D, 1, 2, 3, 4, 5, 6, 7, 8, 9}, "HID Global"},
             Case{{0x39, 1, 2, 3, 4, 5, 6}, "Silicon Craft"},
             Case{{0x03, 1, 2, 3, 4, 5, 6}, "Unknown"},
             // A 4-byte UID starting with 04 is a random ID, not the NXP maker code.
             Case{{0x04, 1, 2, 3}, "Unknown"},
             Case{{}, "Unknown"},
         })
        EXPECT_EQ(MakerName(c.uid), c.maker);
}

TEST(PageTagRules, RowLabelsAndWriteErrors) {
    EXPECT_EQ(PageRowLabel(0), "000 - 003");
    EXPECT_EQ(PageRowLabel(508), "508 - 511");
    EXPECT_EQ(WriteErrorCode(246), 241);
    EXPECT_EQ(WriteErrorCode(104), 104);
}

// A 45-page tag as the page discovery leaves it: pages 0..44.
std::vector<vorex::cards::type2::Page> Pages(int count) {
    std::vector<vorex::cards::type2::Page> pages;
    for (int p = 0; p < count; ++p) {
        const auto b = static_cast<uint8_t>(p);
        pages.push_back({b, b, b, b});
    }
    return pages;
}

TEST(PageTagRules, EveryNdefReasonOfTheCardLibraryIsTranslated) {
    // Tag memories the library refuses, each for another reason.
    auto memory = [](std::vector<uint8_t> data, uint8_t size8 = 0x12) {
        std::vector<uint8_t> m(12, 0);
        m.insert(m.end(), {0xE1, 0x10, size8, 0x00});
        m.insert(m.end(), data.begin(), data.end());
        m.resize(m.size() + 8, 0);
        return m;
    };
    auto noCc = memory({});
    noCc[12] = 0;
    const struct {
        std::vector<uint8_t> memory;
        std::string german; // the text for the first of them
    } cases[] = {
        {noCc, "keine NDEF-Kennung (Capability Container) in Page 3"},
        {memory({0xFE}), ""},
        {memory({0, 0, 0, 0, 0, 0, 0, 0x03}, 0x01), ""},
        {memory({0x03, 0x40, 0xD1}), ""},
        {memory({0x03, 0x05, 0x51, 0x01, 0x01, 'U', 0x04}), ""},
        {memory({0x03, 0x02, 0xC1, 0x01}), ""},
        {memory({0x03, 0x06, 0xD1, 0x01, 0x40, 'U', 0x04, 'a'}), ""},
        {memory({0x03, 0x04, 0xD1, 0x01, 0x00, 'T'}), ""},
        {memory({0x03, 0x06, 0xD1, 0x01, 0x02, 'T', 0x05, 'd'}), ""},
        {memory({0x03, 0x05, 0x91, 0x01, 0x01, 'U', 0x04}), ""},
    };
    std::set<int> ids;
    for (const auto& c : cases) {
        const vorex::cards::ndef::Message m = vorex::cards::ndef::Parse(c.memory);
        SCOPED_TRACE(m.error);
        const vorex::wb::TextRef text = NdefReasonText(m.error);
        ASSERT_NE(text.id, 0);
        ids.insert(text.id);
        const std::string shown = vorex::wbtest::Shown(text);
        if (!c.german.empty()) {
            EXPECT_EQ(shown, c.german);
        }
    }
    EXPECT_EQ(ids.size(), std::size(cases));
    EXPECT_EQ(NdefReasonText("record 2: something new").id, 0);
}

TEST(Type2Memory, FillsTheLastRowWithEmptyPages) {
    Type2Memory m;
    m.Load(Pages(45));
    EXPECT_EQ(m.PageCount(), 48);
    EXPECT_EQ(m.TagData(44), (Bytes{44, 44, 44, 44}));
    for (int p : {45, 46, 47}) {
        EXPECT_TRUE(m.TagData(p).empty());
        EXPECT_EQ(m.Text(p, kHex, kLsbFirst), "");
    }
    EXPECT_EQ(m.TagBytes().size(), 45u * 4);
    m.Load(Pages(16));
    EXPECT_EQ(m.PageCount(), 16);
    m.Clear();
    EXPECT_EQ(m.PageCount(), 0);
    EXPECT_EQ(m.Text(0, kHex, kLsbFirst), "");
}

TEST(Type2Memory, EditOfAHexCellIsNormalisedAndMarked) {
    Type2Memory m;
    m.Load(Pages(16));
    EXPECT_EQ(m.AfterEdit(4, "A1B2C3D4", kHex, kLsbFirst), "A1 B2 C3 D4");
    EXPECT_TRUE(m.Differs(4, "A1 B2 C3 D4", kHex, kLsbFirst));
    EXPECT_EQ(m.Current(4), (Bytes{0xA1, 0xB2, 0xC3, 0xD4}));
    // MSB first: the text's first pair is the page's last byte; zeros complete it on the right.
    EXPECT_EQ(m.AfterEdit(5, "a1b2", kHex, kMsbFirst), "A1B20000");
    EXPECT_EQ(m.Current(5), (Bytes{0, 0, 0xB2, 0xA1}));
    // The text the page holds is no change, in either byte order.
    EXPECT_FALSE(m.Differs(6, "06 06 06 06", kHex, kLsbFirst));
    EXPECT_FALSE(m.Differs(6, "06060606", kHex, kMsbFirst));
    // An emptied cell writes nothing, so it is not marked either.
    EXPECT_FALSE(m.Differs(7, "", kHex, kLsbFirst));
    EXPECT_EQ(m.AfterEdit(7, "", kHex, kLsbFirst), "");
    EXPECT_EQ(m.Current(7), (Bytes{7, 7, 7, 7}));
}

TEST(Type2Memory, FixedPagesGoBackToTheirTagData) {
    Type2Memory m;
    m.Load(Pages(16));
    for (int p : {0, 2, 3}) {
        EXPECT_EQ(m.AfterEdit(p, "FFFFFFFF", kHex, kLsbFirst), m.Text(p, kHex, kLsbFirst));
        EXPECT_EQ(m.Current(p), m.TagData(p));
        m.Take(p, "FF FF FF FF", kHex, kLsbFirst); // taken by a later exchange
        EXPECT_EQ(m.WriteAction(p, "FF FF FF FF"), PageWrite::Skip);
    }
}

TEST(Type2Memory, AsciiEditIsTakenAsTyped) {
    Type2Memory m;
    m.Load(Pages(8));
    EXPECT_EQ(m.AfterEdit(4, "Ab", kAscii, kLsbFirst), "Ab");
    EXPECT_EQ(m.Current(4), (Bytes{4, 4, 4, 4})); // taken only with the dialog data
    m.Take(4, "Ab", kAscii, kLsbFirst);
    EXPECT_EQ(m.Current(4), (Bytes{'A', 'b', 0, 0}));
}

TEST(Type2Memory, WritesExactlyTheChangedPages) {
    Type2Memory m;
    m.Load(Pages(45));
    m.Take(4, "A1 B2 C3 D4", kHex, kLsbFirst);
    m.Take(5, "05 05 05 05", kHex, kLsbFirst); // typed as it was
    m.Take(46, "01020304", kHex, kLsbFirst);   // past the end the tag answered
    struct Case {
        int page;
        const char* cell;
        PageWrite action;
    };
    for (const Case& c :
         {Case{4, "A1 B2 C3 D4", PageWrite::Write}, Case{4, "", PageWrite::WrongLength},
          Case{5, "05 05 05 05", PageWrite::Skip}, Case{6, "06 06 06 06", PageWrite::Skip},
          Case{45, "", PageWrite::Skip}, Case{46, "01 02 03 04", PageWrite::Write},
          Case{48, "x", PageWrite::Skip}, Case{-1, "x", PageWrite::Skip}})
        EXPECT_EQ(m.WriteAction(c.page, c.cell), c.action) << c.page << " " << c.cell;
    // The unwritten edits: what a read or close asks about, and cyclic reading keeps.
    EXPECT_EQ(m.ChangedPages(), (std::vector<int>{4, 46}));
    m.Written(4);
    EXPECT_EQ(m.ChangedPages(), std::vector<int>{46});
    EXPECT_EQ(m.WriteAction(4, "A1 B2 C3 D4"), PageWrite::Skip);
    EXPECT_FALSE(m.Differs(4, "A1 B2 C3 D4", kHex, kLsbFirst));
}

TEST(UltralightPages, TakesAndWritesOnlyPagesFourToFifteen) {
    UltralightPages u;
    for (int p = 0; p < kUltralightPages; ++p)
        u.Take(p, "0A0B0C0D", kHex, kMsbFirst);
    for (int p = 0; p < 4; ++p) {
        EXPECT_TRUE(u.Data(p).empty()) << p;
        EXPECT_EQ(u.WriteAction(p, true), PageWrite::Skip);
    }
    EXPECT_EQ(u.Data(4), (Bytes{0x0D, 0x0C, 0x0B, 0x0A}));
    EXPECT_EQ(u.Text(4, kHex, kLsbFirst), "0D 0C 0B 0A");
    EXPECT_EQ(u.WriteAction(4, true), PageWrite::Write);
    EXPECT_EQ(u.WriteAction(4, false), PageWrite::Skip);
    u.Take(5, "", kHex, kLsbFirst); // an empty edit keeps the page
    EXPECT_EQ(u.WriteAction(5, true), PageWrite::Write);
    u.Clear(5);
    EXPECT_EQ(u.WriteAction(5, true), PageWrite::WrongLength);
    EXPECT_EQ(u.Text(5, kHex, kLsbFirst), "");
    u.ClearAll();
    EXPECT_TRUE(u.Data(15).empty());
}

TEST(UltralightPages, ChangedPagesAreTheEditsAReadWouldLose) {
    UltralightPages u;
    u.Take(5, "01020304", kHex, kLsbFirst); // typed without a read: a blank tag's data
    EXPECT_EQ(u.ChangedPages(), std::vector<int>{5});
    u.Set(4, {0x0A, 0x0B, 0x0C, 0x0D});
    u.Set(2, {0xFF, 0xFF, 0xFF, 0xFF});
    u.MarkRead();
    EXPECT_TRUE(u.ChangedPages().empty());
    u.Take(4, "0A 0B 0C 0D", kHex, kLsbFirst); // typed back to what was read
    u.Take(6, "11 22 33 44", kHex, kLsbFirst);
    u.Set(2, {0x00, 0x00, 0x00, 0x00}); // pages 0..3 are never written
    EXPECT_EQ(u.ChangedPages(), std::vector<int>{6});
    u.Take(7, "55 66 77 88", kHex, kLsbFirst);
    u.MarkWritten(6);
    EXPECT_EQ(u.ChangedPages(), std::vector<int>{7});
    u.ClearAll();
    EXPECT_TRUE(u.ChangedPages().empty());
}

TEST(UltralightPages, ByteOrderOfTheShownPage) {
    UltralightPages u;
    u.Set(4, {0x0A, 0x0B, 0x0C, 0x0D});
    EXPECT_EQ(u.Text(4, kHex, kLsbFirst), "0A 0B 0C 0D");
    EXPECT_EQ(u.Text(4, kHex, kMsbFirst), "0D0C0B0A");
    EXPECT_EQ(u.Text(4, 7, kMsbFirst), ""); // a stored mode other than HEX and ASCII
}

} // namespace
