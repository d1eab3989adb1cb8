// The stand-in reader's ISO 15693 tags, driven directly with reader requests.
#include "sim/Iso15693Tags.h"
#include "sim/Scenario.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

using nlohmann::json;
using vtest::Hex;

namespace {

json Tag(const std::string& type, const std::string& uid, json extra = json::object()) {
    extra["type"] = type;
    extra["uid"] = uid;
    return extra;
}

// UID bytes as they travel (least significant first), as hex text for requests.
std::string UidLsb(const std::string& msbFirst) {
    auto b = Hex(msbFirst);
    std::string s;
    for (auto it = b.rbegin(); it != b.rend(); ++it) {
        char x[4];
        std::snprintf(x, sizeof x, "%02X ", *it);
        s += x;
    }
    return s;
}

json TagsOf(std::vector<json> tags) {
    return json{{"tags", json(std::move(tags))}};
}

class Field {
public:
    explicit Field(const json& section) {
        std::vector<vsim::IsoTag> tags;
        std::string error;
        if (!vsim::ParseIso15693(section, tags, error))
            throw std::runtime_error(error);
        set_ = std::make_unique<vsim::Iso15693Commands>(std::move(tags));
    }
    vsim::Reply Send(int variant, const std::string& isoRequest) {
        vsim::Request r;
        r.command = r.wireCommand = 0x20;
        r.data = Hex(isoRequest);
        r.variant = variant;
        auto reply = set_->Handle(r, model_);
        if (!reply)
            throw std::runtime_error("not handled");
        return *reply;
    }
    std::vector<vsim::IsoTag>& Tags() { return set_->Tags(); }

private:
    vsim::ReaderModel model_;
    std::unique_ptr<vsim::Iso15693Commands> set_;
};

// Slot statuses of a chained inventory reply (one per slot).
std::vector<uint8_t> SlotStatuses(const vsim::Reply& r) {
    std::vector<uint8_t> s;
    for (size_t at = 0; at < r.payload.size(); at += r.payload[at] + 1u)
        s.push_back(r.payload.at(at + 1));
    return s;
}

const std::string kA = "E0 04 01 00 00 00 00 15";
const std::string kB = "E0 04 01 00 00 00 00 25";
const std::string kC = "E0 04 01 00 00 00 00 40";

TEST(IsoTags, SlotsFollowUidBitsAboveTheMask) {
    Field f(TagsOf({Tag("nxp-icode-slix", kA), Tag("nxp-icode-slix", kB),
                    Tag("nxp-icode-slix", kC, {{"afi", 7}})}));
    auto r = f.Send(0, "04 01 00");
    ASSERT_TRUE(r.chained);
    auto s = SlotStatuses(r);
    ASSERT_EQ(s.size(), 16u);
    EXPECT_EQ(s[0], 0x00);
    EXPECT_EQ(s[5], 0x02); // A and B collide
    EXPECT_EQ(s[1], 0x01);
    // Mask 5 of length 4: slots follow the next four bits.
    s = SlotStatuses(f.Send(0, "04 01 04 05"));
    EXPECT_EQ(s[1], 0x00);
    EXPECT_EQ(s[2], 0x00);
    EXPECT_EQ(s[0], 0x01);
    // The record: slot status, flags, DSFID, UID least significant byte first.
    r = f.Send(0, "04 01 08 15");
    EXPECT_EQ(vsim::Bytes(r.payload.begin(), r.payload.begin() + 12),
              Hex("0B 00 00 00 " + UidLsb(kA)));
    // AFI 7 only reaches C.
    s = SlotStatuses(f.Send(0, "14 01 07 00"));
    EXPECT_EQ(std::count(s.begin(), s.end(), 0x00), 1);
    EXPECT_EQ(s[0], 0x00);
}

TEST(IsoTags, CollisionMarkerPerVariant) {
    Field f(TagsOf({Tag("nxp-icode-slix", kA), Tag("nxp-icode-slix", kB)}));
    EXPECT_EQ(SlotStatuses(f.Send(0, "04 01 00"))[5], 0x02);
    EXPECT_EQ(SlotStatuses(f.Send(2, "04 01 00"))[5], 0x02);
    EXPECT_EQ(SlotStatuses(f.Send(3, "04 01 00"))[5], 0xCC);
    EXPECT_EQ(SlotStatuses(f.Send(1, "04 01 00"))[5], 0x01); // never reported
    EXPECT_EQ(SlotStatuses(f.Send(3, "24 01 00")), std::vector<uint8_t>{0xCC});
}

TEST(IsoTags, Variant3OneSlotAnswerIsTheBareResponse) {
    Field f(TagsOf({Tag("nxp-icode-slix", kA)}));
    auto r = f.Send(3, "24 01 00");
    EXPECT_FALSE(r.chained);
    EXPECT_EQ(r.payload, Hex("00 00 " + UidLsb(kA)));
    r = f.Send(3, "24 01 04 06"); // nobody matches
    EXPECT_EQ(r.status, vsim::kNoTransponder);
}

TEST(IsoTags, ReaderWrapsTagAnswersPerVariant) {
    Field f(TagsOf(
        {Tag("nxp-icode-slix", kA, {{"blocks", {"01 02 03 04"}}}), Tag("nxp-icode-slix", kB)}));
    const std::string readA = "20 20 " + UidLsb(kA) + "00";
    EXPECT_EQ(f.Send(0, readA).payload, Hex("00 01 02 03 04"));
    EXPECT_EQ(f.Send(2, readA).payload, Hex("00 00 01 02 03 04"));
    const std::string absent = "20 20 " + UidLsb("E0 04 01 00 00 00 00 99") + "00";
    EXPECT_EQ(f.Send(0, absent).status, vsim::kNoTransponder);
    EXPECT_EQ(f.Send(2, absent).payload, Hex("01"));
    // Not addressed: both tags answer at once.
    EXPECT_EQ(f.Send(0, "00 20 00").status, vsim::kCollision);
    EXPECT_EQ(f.Send(2, "00 20 00").payload, Hex("02"));
}

TEST(IsoTags, LocksArePermanentAndReportedWithTheOptionFlag) {
    Field f(TagsOf({Tag("nxp-icode-slix", kA)}));
    const std::string uid = UidLsb(kA);
    EXPECT_EQ(f.Send(0, "20 21 " + uid + "03 AA BB CC DD").payload, Hex("00"));
    EXPECT_EQ(f.Send(0, "60 20 " + uid + "03").payload, Hex("00 00 AA BB CC DD"));
    EXPECT_EQ(f.Send(0, "20 22 " + uid + "03").payload, Hex("00"));
    EXPECT_EQ(f.Send(0, "60 20 " + uid + "03").payload, Hex("00 01 AA BB CC DD"));
    EXPECT_EQ(f.Send(0, "20 22 " + uid + "03").payload, Hex("01 11"));
    EXPECT_EQ(f.Send(0, "20 21 " + uid + "03 00 00 00 00").payload, Hex("01 12"));
    EXPECT_EQ(f.Send(0, "20 21 " + uid + "1C 00 00 00 00").payload, Hex("01 10"));
    EXPECT_EQ(f.Send(0, "20 21 " + uid + "04 00 00").payload, Hex("01 0F"));
    EXPECT_EQ(f.Send(0, "60 23 " + uid + "02 01").payload, Hex("00 00 00 00 00 00 01 AA BB CC DD"));
}

struct QuirkCase {
    const char* name;
    const char* type;
    const char* uid;
    const char* request; // "%U" stands for the UID
    int status;          // reader status of the reply
    const char* payload; // variant 0 payload, when status is 0
};

class Quirks : public ::testing::TestWithParam<QuirkCase> {};

TEST_P(Quirks, Answer) {
    const QuirkCase& c = GetParam();
    Field f(TagsOf({Tag(c.type, c.uid)}));
    std::string request = c.request;
    const auto at = request.find("%U");
    if (at != std::string::npos)
        request.replace(at, 2, UidLsb(c.uid));
    const vsim::Reply r = f.Send(0, request);
    EXPECT_EQ(r.status, c.status);
    if (c.status == 0) {
        EXPECT_EQ(r.payload, Hex(c.payload));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Vendors, Quirks,
    ::testing::Values(
        QuirkCase{"SlixInfo", "nxp-icode-slix", "E0 04 01 00 00 00 00 01", "20 2B %U", 0,
                  "00 0F 01 00 00 00 00 01 04 E0 00 00 1B 03 01"},
        QuirkCase{"SlixLReportsTooMany", "nxp-icode-slix-l", "E0 04 03 00 00 00 00 01", "20 2B %U",
                  0, "00 0F 01 00 00 00 00 03 04 E0 00 00 2F 03 03"},
        QuirkCase{"SlixUnsupportedIs0F", "nxp-icode-slix", "E0 04 01 00 00 00 00 01", "20 A5 04 %U",
                  0, "01 0F"},
        QuirkCase{"StInfoWithoutExtension", "st-m24lr64", "E0 02 2C 00 00 00 00 01", "20 2B %U", 0,
                  "00 0B 01 00 00 00 00 2C 02 E0 00 00 2C"},
        QuirkCase{"StInfoWithExtension", "st-m24lr64", "E0 02 2C 00 00 00 00 01", "28 2B %U", 0,
                  "00 0F 01 00 00 00 00 2C 02 E0 00 00 FF 07 03 2C"},
        QuirkCase{"StTwoByteBlock", "st-m24lr64", "E0 02 2C 00 00 00 00 01", "68 20 %U 2C 01", 0,
                  "00 00 00 00 00 00"},
        // M24LR64-R: Read Single/Multiple Block and Write Single Block need the protocol
        // extension flag; without it the chip answers an error code. It has no ISO Lock
        // Block (its blocks are protected per sector).
        QuirkCase{"StReadWithoutExtension", "st-m24lr64", "E0 02 2C 00 00 00 00 01", "20 20 %U 2C",
                  0, "01 0F"},
        QuirkCase{"StReadMultipleWithoutExtension", "st-m24lr64", "E0 02 2C 00 00 00 00 01",
                  "20 23 %U 2C 00", 0, "01 0F"},
        QuirkCase{"StWriteWithoutExtension", "st-m24lr64", "E0 02 2C 00 00 00 00 01",
                  "20 21 %U 2C 01 02 03 04", 0, "01 0F"},
        QuirkCase{"StReadMultipleWithExtension", "st-m24lr64", "E0 02 2C 00 00 00 00 01",
                  "68 23 %U FF 07 00", 0, "00 00 00 00 00 00"},
        QuirkCase{"StWriteWithExtension", "st-m24lr64", "E0 02 2C 00 00 00 00 01",
                  "28 21 %U 00 01 01 02 03 04", 0, "00"},
        QuirkCase{"StHasNoLockBlock", "st-m24lr64", "E0 02 2C 00 00 00 00 01", "28 22 %U 05", 0,
                  "01 01"},
        QuirkCase{"TiPlusWriteWithoutOptionIsSilent", "ti-tagit-hfi-plus",
                  "E0 07 80 00 00 00 00 01", "20 21 %U 01 01 02 03 04", vsim::kNoTransponder, ""},
        QuirkCase{"TiPlusWriteWithOption", "ti-tagit-hfi-plus", "E0 07 80 00 00 00 00 01",
                  "60 21 %U 01 01 02 03 04", 0, "00"},
        QuirkCase{"TiPlusLockWithoutOptionIsSilent", "ti-tagit-hfi-plus", "E0 07 80 00 00 00 00 01",
                  "20 22 %U 01", vsim::kNoTransponder, ""},
        QuirkCase{"TiProHasNoInfo", "ti-tagit-hfi-pro", "E0 07 C4 00 00 00 00 01", "20 2B %U", 0,
                  "01 01"},
        QuirkCase{"MydHasNoInfo", "infineon-myd", "E0 05 45 00 00 00 00 01", "20 2B %U", 0,
                  "01 01"},
        QuirkCase{"MydHasNoStandardRead", "infineon-myd", "E0 05 45 00 00 00 00 01", "20 20 %U 05",
                  0, "01 01"},
        QuirkCase{"MydCustomRead", "infineon-myd", "E0 05 45 00 00 00 00 01",
                  "20 A0 05 %U 10 05 00", 0, "00 00 00 00 00 00 00 00 00"},
        QuirkCase{"MydServiceBlockReadOnly", "infineon-myd", "E0 05 45 00 00 00 00 01",
                  "20 A0 05 %U 30 02 00 01 02 03 04 05 06 07 08", 0, "01 12"},
        QuirkCase{"MydBeyondMemory", "infineon-myd", "E0 05 45 00 00 00 00 01",
                  "20 A0 05 %U 10 20 00", 0, "01 10"},
        QuirkCase{"OtherMakersIgnoreInfineonCommands", "nxp-icode-slix", "E0 04 01 00 00 00 00 01",
                  "20 A0 05 %U 10 05 00", vsim::kNoTransponder, ""},
        QuirkCase{"EmNoReadSingle", "em4233", "E0 16 02 00 00 00 00 01", "20 20 %U 05", 0, "01 01"},
        QuirkCase{"EmReadMultiple", "em4233", "E0 16 02 00 00 00 00 01", "20 23 %U 05 00", 0,
                  "00 00 00 00 00"},
        QuirkCase{"FujitsuIgnoresTwoSubcarriers", "fujitsu-mb89r118", "E0 08 01 00 00 00 00 01",
                  "21 20 %U 05", vsim::kNoTransponder, ""},
        QuirkCase{"FujitsuOneSubcarrier", "fujitsu-mb89r118", "E0 08 01 00 00 00 00 01",
                  "20 20 %U 05", 0, "00 00 00 00 00 00 00 00 00"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(IsoTags, WriteAnswerLostStillProgramsTheBlock) {
    Field f(TagsOf({Tag("nxp-icode-slix2", kA, {{"write_answer_lost", true}})}));
    const std::string uid = UidLsb(kA);
    EXPECT_EQ(f.Send(0, "20 21 " + uid + "07 01 02 03 04").status, vsim::kNoTransponder);
    EXPECT_EQ(f.Send(2, "20 21 " + uid + "07 01 02 03 04").payload, Hex("01"));
    EXPECT_EQ(f.Send(0, "20 20 " + uid + "07").payload, Hex("00 01 02 03 04"));
}

TEST(IsoTags, GeneratedTagsAreUniqueAndRepeatable) {
    const json section{{"count", 20},
                       {"generated_type", "ti-tagit-hfi-plus"},
                       {"seed", 3},
                       {"tags", {Tag("nxp-icode-slix", kA)}}};
    Field a(section), b(section);
    ASSERT_EQ(a.Tags().size(), 21u);
    std::set<uint64_t> uids;
    for (size_t i = 0; i < a.Tags().size(); ++i) {
        uids.insert(a.Tags()[i].Uid64());
        EXPECT_EQ(a.Tags()[i].uid, b.Tags()[i].uid);
        if (i > 0) {
            EXPECT_EQ(a.Tags()[i].uid[6], 0x07);
            EXPECT_EQ(a.Tags()[i].uid[7], 0xE0);
            EXPECT_EQ(a.Tags()[i].blockCount, 64);
        }
    }
    EXPECT_EQ(uids.size(), 21u);
    EXPECT_TRUE(Field(json{{"count", 0}}).Tags().empty());
}

TEST(IsoTags, GeneratedUidsCarryTheirChipsTypeBits) {
    // ISO 15693 UID: E0, the maker's code, then the maker's serial number. NXP puts the
    // IC type in UID byte 5 (01 ICODE SLI/SLIX/SLIX2, 03 SLIX-L) and, for type 01, the
    // type indicator in bits 4..3 of byte 4 (10 SLIX, 01 SLIX2); SLIX-L sets bit 4.
    // TI names Tag-it HF-I Plus (80) and Pro (C4), Infineon the my-d memory, ST the
    // M24LR64 (2C) in byte 5.
    struct Case {
        const char* type;
        uint8_t maker, byte5, byte4Mask, byte4Bits;
    };
    const Case cases[] = {{"nxp-icode-slix", 0x04, 0x01, 0x18, 0x10},
                          {"nxp-icode-slix2", 0x04, 0x01, 0x18, 0x08},
                          {"nxp-icode-slix-l", 0x04, 0x03, 0x10, 0x10},
                          {"ti-tagit-hfi-plus", 0x07, 0x80, 0, 0},
                          {"ti-tagit-hfi-pro", 0x07, 0xC4, 0, 0},
                          {"infineon-myd", 0x05, 0x45, 0, 0},
                          {"st-m24lr64", 0x02, 0x2C, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Field f(json{{"count", 14}, {"generated_type", c.type}, {"tags", {{{"type", c.type}}}}});
        ASSERT_EQ(f.Tags().size(), 15u);
        std::set<uint8_t> byte4;
        for (const auto& t : f.Tags()) {
            EXPECT_EQ(t.uid[7], 0xE0);
            EXPECT_EQ(t.uid[6], c.maker);
            EXPECT_EQ(t.uid[5], c.byte5);
            EXPECT_EQ(t.uid[4] & c.byte4Mask, c.byte4Bits);
            byte4.insert(t.uid[4]);
        }
        EXPECT_GT(byte4.size(), 1u) << "the other bits of byte 4 stay random";
    }
}

TEST(IsoTags, MydMemoryFollowsUidByte5) {
    Field f(TagsOf({Tag("infineon-myd", "E0 05 45 00 00 00 00 01"),
                    Tag("infineon-myd", "E0 05 10 00 00 00 00 02"),
                    Tag("infineon-myd", "E0 05 85 00 00 00 00 03")}));
    EXPECT_EQ(f.Tags()[0].blockCount, 32);
    EXPECT_EQ(f.Tags()[1].blockCount, 128);
    EXPECT_EQ(f.Tags()[2].blockCount, 256);
    EXPECT_EQ(f.Tags()[0].blockSize, 8);
}

TEST(IsoScenario, BadSectionsAreRefusedWithAReason) {
    const char* cases[] = {
        R"([])",
        R"({"tags": [{"type": "acme-tag"}]})",
        R"({"tags": [{"uid": "E0 04 01 00 00 00 00 01"}]})",
        R"({"tags": [{"type": "nxp-icode-slix", "uid": "E0 04 01 00 00 00 01"}]})",
        R"({"tags": [{"type": "nxp-icode-slix", "uid": "E0040100000000ZZ"}]})",
        R"({"tags": [{"type": "nxp-icode-slix", "blocks": ["01 02 03"]}]})",
        R"({"tags": [{"type": "nxp-icode-slix-l", "blocks": ["00000000", "00000000",
            "00000000", "00000000", "00000000", "00000000", "00000000", "00000000",
            "00000000"]}]})",
        R"({"tags": [{"type": "nxp-icode-slix", "locked": [28]}]})",
        R"({"tags": [{"type": "nxp-icode-slix", "locked": ["x"]}]})",
        R"({"tags": [{"type": "nxp-icode-slix", "dsfid": 256}]})",
        R"({"tags": [{"type": "nxp-icode-slix", "uid": "E004010000000015"},
                     {"type": "nxp-icode-slix2", "uid": "E004010000000015"}]})",
        R"({"count": 65})",
        R"({"count": -1})",
        R"({"count": "many"})",
        R"({"count": 2, "generated_type": "acme"})",
        R"({"tags": "none"})",
    };
    for (const char* text : cases) {
        const json c = json::parse(text);
        std::vector<vsim::IsoTag> tags;
        std::string error;
        EXPECT_FALSE(vsim::ParseIso15693(c, tags, error)) << c.dump();
        EXPECT_FALSE(error.empty()) << c.dump();
    }
}

TEST(IsoScenario, DemoHasATagOfEveryType) {
    std::string error;
    auto model = vsim::LoadScenarioFile(vtest::SourcePath("sim/scenarios/demo.json"), error);
    ASSERT_TRUE(model) << error;
    std::ifstream in(vtest::SourcePath("sim/scenarios/demo.json"));
    const json demo = json::parse(in);
    std::vector<vsim::IsoTag> tags;
    ASSERT_TRUE(vsim::ParseIso15693(demo.at("iso15693"), tags, error)) << error;
    std::set<std::string> types;
    for (const auto& t : tags)
        types.insert(t.profile->type);
    for (const auto& type : vsim::IsoTagTypes())
        EXPECT_TRUE(types.count(type)) << type;
}

} // namespace
