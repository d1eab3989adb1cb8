// The rules that keep a workbench write on the card the operator read and typed for:
// the card binding, the report of a multi-block write, the question before unwritten
// edits are dropped, the single-byte check of ASCII texts, and the texts they name.
#include "resources/strings/StringTable.h"
#include "tests/workbench/ShownText.h"
#include "workbench/common/ByteText.h"
#include "workbench/common/CardBinding.h"
#include "workbench/common/CellText.h"
#include "workbench/common/DumpTextIds.h"
#include "workbench/common/PendingEdits.h"
#include "workbench/common/SingleByteText.h"
#include "workbench/common/TextIds.h"
#include "workbench/common/WriteReport.h"
#include "workbench/iso14443/PageTagRules.h"
#include "workbench/iso14443/ClassicTexts.h"
#include "workbench/iso15693/Iso15693TextIds.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

using namespace vorex::wb;
using vorex::wbtest::Shown;

namespace {

using Bytes = std::vector<uint8_t>;

// ---- Card binding ----

TEST(CardBinding, WritesOnlyToTheCardWhoseDataIsShown) {
    const Bytes classic{0x5A, 0x3C, 0x91, 0xE2};
    const Bytes other{0x3E, 0x7A, 0x91, 0xC4};
    const Bytes sevenByte{0x5A, 0x3C, 0x91, 0xE2, 0x01, 0x02, 0x03};
    const Bytes slix{0xD7, 0x0D, 0x32, 0x59, 0xEC, 0x01, 0x04, 0xE0}; // as the reader sends it
    const Bytes slix2{0xD8, 0x0D, 0x32, 0x59, 0xEC, 0x01, 0x04, 0xE0};
    const struct {
        const char* name;
        UidOrder order;
        Bytes shown; // empty: nothing read
        Bytes present;
        bool write;
        const char* says;
    } cases[] = {
        {"same card", UidOrder::CardOrder, classic, classic, true, ""},
        {"swapped card", UidOrder::CardOrder, classic, other, false,
         "im Feld ist 3E7A91C4, angezeigt werden aber die Daten von 5A3C91E2"},
        {"longer UID, same start", UidOrder::CardOrder, classic, sevenByte, false,
         "im Feld ist 5A3C91E2010203"},
        {"card gone",
         UidOrder::CardOrder,
         classic,
         {},
         false,
         "der Transponder 5A3C91E2, dessen Daten angezeigt werden, ist nicht im Feld"},
        {"nothing read, card there", UidOrder::CardOrder, {}, other, true, ""},
        {"nothing read, no card", UidOrder::CardOrder, {}, {}, false, "kein Transponder im Feld"},
        {"same tag", UidOrder::LsbFirst, slix, slix, true, ""},
        {"other tag, shown most significant first", UidOrder::LsbFirst, slix, slix2, false,
         "im Feld ist E00401EC59320DD8, angezeigt werden aber die Daten von E00401EC59320DD7"},
    };
    for (const auto& c : cases) {
        CardBinding binding(c.order);
        if (!c.shown.empty())
            binding.Bind(c.shown);
        const BindingCheck check = binding.Check(c.present);
        EXPECT_EQ(check.write, c.write) << c.name;
        if (c.write)
            EXPECT_EQ(check.refusal.id, 0) << c.name;
        else
            EXPECT_NE(Shown(check.refusal).find(c.says), std::string::npos)
                << c.name << ": " << Shown(check.refusal);
    }
}

TEST(CardBinding, InventoryMustHoldTheBoundTagAndReleaseUnbinds) {
    const Bytes a{1, 2, 3, 4, 5, 6, 4, 0xE0};
    const Bytes b{9, 2, 3, 4, 5, 6, 4, 0xE0};
    CardBinding binding(UidOrder::LsbFirst);
    binding.Bind(a);
    EXPECT_TRUE(binding.CheckInventory({b, a}).write);
    const BindingCheck gone = binding.CheckInventory({b});
    EXPECT_FALSE(gone.write);
    EXPECT_EQ(gone.refusal, (TextRef{kTextBoundCardMissing, {"E004060504030201"}}));
    EXPECT_FALSE(binding.CheckInventory({}).write);

    binding.Release();
    EXPECT_FALSE(binding.Bound());
    EXPECT_TRUE(binding.CheckInventory({b}).write) << "an empty grid holds only typed data";
    EXPECT_FALSE(binding.CheckInventory({}).write);
}

// ---- Report of a multi-block write ----

TEST(WriteReport, NeverSaysSuccessWhenABlockFailed) {
    struct Step {
        int block;
        const char* cause; // null: written
    };
    const struct {
        const char* name;
        WriteUnit unit;
        std::vector<Step> steps;
        int id;
        std::vector<std::string> args;
    } cases[] = {
        {"nothing tried", WriteUnit::Block, {}, 0, {}},
        {"all written", WriteUnit::Block, {{4, nullptr}, {5, nullptr}}, kTextWriteSucceeded, {}},
        {"refused block, later block written",
         WriteUnit::Block,
         {{8, "Block kann nicht geschrieben werden\r\n"}, {10, nullptr}},
         kTextWriteBlocksSummary,
         {"1", "2", "Block 8: Block kann nicht geschrieben werden"}},
        {"runs per cause, in the order they occurred",
         WriteUnit::Block,
         {{3, "Timeout\r\n"},
          {10, "Timeout\r\n"},
          {11, "Timeout\r\n"},
          {12, "Timeout\r\n"},
          {4, "ISO Fehler 0x12"},
          {13, nullptr},
          {15, "Timeout"}},
         kTextWriteBlocksSummary,
         {"6", "7", "Block 3, 10-12, 15: Timeout\nBlock 4: ISO Fehler 0x12"}},
        {"pages",
         WriteUnit::Page,
         {{4, "Timeout"}},
         kTextWritePagesSummary,
         {"1", "1", "Page 4: Timeout"}},
    };
    for (const auto& c : cases) {
        WriteReport report(c.unit);
        for (const Step& s : c.steps)
            if (s.cause != nullptr)
                report.Failed(s.block, s.cause);
            else
                report.Written(s.block);
        const TextRef summary = report.Summary();
        EXPECT_EQ(summary, (TextRef{c.id, c.args})) << c.name;
        if (summary.id != 0)
            Shown(summary);
        EXPECT_EQ(report.AnyFailed(), c.id != kTextWriteSucceeded && c.id != 0) << c.name;
    }
}

TEST(WriteReport, StatusLineNamesTheBlockOrPage) {
    WriteReport blocks(WriteUnit::Block);
    EXPECT_EQ(Shown(blocks.Failed(219, "Timeout\r\n")), "Block 219 schreiben: Timeout");
    WriteReport pages(WriteUnit::Page);
    EXPECT_EQ(Shown(pages.Failed(5, "")), "Page 5 schreiben: ");
    EXPECT_EQ(blocks.FailedIndices(), std::vector<int>{219});
}

// ---- Unwritten edits ----

TEST(PendingEdits, OperatorActionsAskBackgroundRefreshesKeepTheEdits) {
    const struct {
        GridAction action;
        PendingVerdict withEdits;
    } cases[] = {
        {GridAction::TabChange, PendingVerdict::Ask},
        {GridAction::DisplaySwitch, PendingVerdict::Ask},
        {GridAction::Read, PendingVerdict::Ask},
        {GridAction::Close, PendingVerdict::Ask},
        {GridAction::CyclicRefresh, PendingVerdict::KeepEdits},
        {GridAction::TagLost, PendingVerdict::KeepEdits},
    };
    for (const auto& c : cases) {
        PendingEdits edits(WriteUnit::Block);
        EXPECT_EQ(edits.Before(c.action), PendingVerdict::Proceed) << static_cast<int>(c.action);
        edits.Edited(7);
        EXPECT_EQ(edits.Before(c.action), c.withEdits) << static_cast<int>(c.action);
        edits.Settled(7);
        EXPECT_EQ(edits.Before(c.action), PendingVerdict::Proceed) << static_cast<int>(c.action);
    }
}

TEST(PendingEdits, QuestionCountsAndNamesTheUnwrittenBlocks) {
    PendingEdits blocks(WriteUnit::Block);
    EXPECT_EQ(blocks.Question().id, 0);
    blocks.Edited(5);
    blocks.Edited(5);
    EXPECT_EQ(Shown(blocks.Question()),
              "Block 5 wurde geändert und noch nicht geschrieben. Die Änderung verwerfen?");
    for (int b : {6, 7, 20})
        blocks.Edited(b);
    EXPECT_EQ(blocks.Count(), 4);
    EXPECT_EQ(Shown(blocks.Question()), "4 Blöcke (5-7, 20) wurden geändert und noch nicht "
                                        "geschrieben. Die Änderungen verwerfen?");
    blocks.DiscardAll();
    EXPECT_EQ(blocks.Count(), 0);

    PendingEdits pages(WriteUnit::Page);
    pages.Edited(4);
    pages.Edited(9);
    EXPECT_EQ(pages.Question(), (TextRef{kTextDiscardPages, {"2", "4, 9"}}));
    EXPECT_EQ(pages.Indices(), (std::vector<int>{4, 9}));
}

// ---- Single-byte texts ----

TEST(SingleByteText, RefusesEveryCharacterWithoutASingleByteCode) {
    const struct {
        const char* name;
        std::string utf8;
        std::string bytes; // when taken
        std::string refused;
        uint32_t codePoint;
        size_t position;
    } cases[] = {
        {"plain ASCII", "Tag 01", "Tag 01", "", 0, 0},
        {"Latin-1 letters", "\xC3\xBC\xC3\x9F\xC3\xBF", "\xFC\xDF\xFF", "", 0, 0},
        {"C1 control as read from a tag", "\xC2\x80", "\x80", "", 0, 0},
        {"zero byte", std::string("a\0b", 3), std::string("a\0b", 3), "", 0, 0},
        {"euro sign first", "\xE2\x82\xAC\xC3\xBC", "", "\xE2\x82\xAC", 0x20AC, 0},
        {"after two characters", "a\xC3\xBC\xC5\x93", "", "\xC5\x93", 0x0153, 2},
        {"outside the BMP", "x\xF0\x9F\x98\x80", "", "\xF0\x9F\x98\x80", 0x1F600, 1},
        {"cut sequence", "ab\xC3", "", "\xEF\xBF\xBD", 0xFFFD, 2},
        {"overlong zero", "\xC0\x80", "", "\xEF\xBF\xBD", 0xFFFD, 0},
        {"surrogate", "\xED\xA0\x80", "", "\xEF\xBF\xBD", 0xFFFD, 0},
        {"stray continuation byte", "\x80", "", "\xEF\xBF\xBD", 0xFFFD, 0},
    };
    for (const auto& c : cases) {
        const SingleByteText result = ToSingleByte(c.utf8);
        if (c.refused.empty()) {
            EXPECT_FALSE(result.refused) << c.name;
            EXPECT_EQ(result.bytes, c.bytes) << c.name;
            continue;
        }
        ASSERT_TRUE(result.refused) << c.name;
        EXPECT_TRUE(result.bytes.empty()) << c.name << ": nothing may be written";
        EXPECT_EQ(result.refused->text, c.refused) << c.name;
        EXPECT_EQ(result.refused->codePoint, c.codePoint) << c.name;
        EXPECT_EQ(result.refused->position, c.position) << c.name;
    }
}

TEST(SingleByteText, TheEuroSignIsNamedAndNeverBecomesAQuestionMark) {
    const SingleByteText result = ToSingleByte("\xE2\x82\xAC\xC3\xBC");
    ASSERT_TRUE(result.refused);
    EXPECT_NE(Shown(RefusalText(*result.refused)).find("„€“ (U+20AC, Stelle 1)"),
              std::string::npos);
    // What is taken goes into the block byte for byte: "ü" is FC, not "?".
    std::vector<uint8_t> block;
    ASSERT_TRUE(TextToBlock(ToSingleByte("\xC3\xBC").bytes, 4, kAscii, block));
    EXPECT_EQ(block, (std::vector<uint8_t>{0xFC, 0, 0, 0}));
}

// ---- The texts ----

std::string Unescaped(std::string text) {
    static const std::pair<const char*, const char*> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : kEntities)
        for (size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, std::string(entity).size(), plain);
    return text;
}

std::set<std::string> Placeholders(const std::string& text) {
    std::set<std::string> marks;
    const std::regex mark("%[0-9]");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), mark);
         it != std::sregex_iterator(); ++it)
        marks.insert(it->str());
    return marks;
}

TEST(RuleTexts, EveryIdHasItsGermanTextAndAnEnglishTranslation) {
    std::ifstream in(VOREX_SOURCE_DIR "/resources/VorexProgrammerEng.ts");
    ASSERT_TRUE(in);
    std::stringstream content;
    content << in.rdbuf();
    const std::string ts = content.str();
    const std::regex message("<source>([^<]*)</source>\\s*<comment>([0-9]+)</comment>\\s*"
                             "<translation>([^<]*)</translation>");
    std::map<int, std::pair<std::string, std::string>> english;
    for (auto it = std::sregex_iterator(ts.begin(), ts.end(), message);
         it != std::sregex_iterator(); ++it)
        english[std::stoi((*it)[2])] = {Unescaped((*it)[1]), Unescaped((*it)[3])};
    const std::vector<std::pair<int, int>> ranges{{kTextBoundCardMissing, kTextTagLogNoFolder},
                                                  {kTextDumpNothingShown, kTextDumpHexOnly},
        // the page-tag workbenches, the demo mode's field menu (12606..12609), NDEF reasons,
        // ASCII kept
        {nfc::kTextWrongPageLength, nfc::kTextAsciiKept},
        {mfc::kTextRowEmpty, mfc::kTextTakeKnownKeys},
        {iso::kTextReadCancelled, iso::kTextOneSubcarrierTags}};
    for (const auto& [first, last] : ranges) {
        for (int id = first; id <= last; ++id) {
            const std::string german = vorex::GermanString(id);
            ASSERT_FALSE(german.empty()) << id;
            ASSERT_EQ(english.count(id), 1u) << id << " has no translation";
            EXPECT_EQ(english[id].first, german) << id << ": the translation looks up another text";
            EXPECT_FALSE(english[id].second.empty()) << id;
            EXPECT_EQ(Placeholders(english[id].second), Placeholders(german)) << id;
        }
    }
}

} // namespace
