// NDEF records in Type 2 tag memory: well-formed messages decoded, and truncated or
// lying lengths, missing capability containers and missing NDEF TLVs reported.
#include "cards/Ndef.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

namespace nd = vorex::cards::ndef;

// Tag memory: pages 0-2 zero, a capability container announcing `dataBytes`, then
// `data` from page 4 on, padded with zeros to a whole page.
std::vector<uint8_t> Memory(std::vector<uint8_t> data, uint8_t dataBytes8 = 0x6D) {
    std::vector<uint8_t> m(12, 0);
    m.insert(m.end(), {0xE1, 0x10, dataBytes8, 0x00});
    m.insert(m.end(), data.begin(), data.end());
    m.resize((m.size() + 3) / 4 * 4, 0);
    return m;
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(Ndef, DecodesWellFormedMessages) {
    const struct {
        const char* what;
        std::vector<uint8_t> data;
        std::vector<std::string> summaries;
    } cases[] = {
        {"URI with prefix 0x04",
         Cat({{0x03, 0x0F, 0xD1, 0x01, 0x0B, 'U', 0x04}, Bytes("vorex.test"), {0xFE}}),
         {"URI https://vorex.test"}},
        {"Text in German, UTF-8",
         Cat({{0x03, 0x0C, 0xD1, 0x01, 0x08, 'T', 0x02}, Bytes("deHallo"), {0xFE}}),
         {"Text (de, UTF-8): Hallo"}},
        {"Text in UTF-16 with byte order mark",
         {0x03, 0x0D, 0xD1, 0x01, 0x09, 'T', 0x82, 'e', 'n', 0xFF, 0xFE, 'H', 0, 'i', 0, 0xFE},
         {"Text (en, UTF-16): Hi"}},
        {"MIME, then an unknown external type, after a NULL and a lock control TLV",
         Cat({{0x00, 0x01, 0x03, 0xA0, 0x0C, 0x44, 0x03, 0x18, 0x92, 0x0A, 0x03},
              Bytes("text/plainabc"),
              {0x54, 0x03, 0x02},
              Bytes("a:bxy"),
              {0xFE}}),
         {"MIME text/plain, 3 bytes", "Type a:b, TNF 4, 2 bytes"}},
        {"empty NDEF message", {0x03, 0x00, 0xFE}, {}},
        {"empty record", {0x03, 0x03, 0xD0, 0x00, 0x00, 0xFE}, {"Empty record"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const nd::Message m = nd::Parse(Memory(c.data));
        ASSERT_EQ(m.status, nd::Status::Ok) << m.error;
        ASSERT_EQ(m.records.size(), c.summaries.size());
        for (size_t i = 0; i < c.summaries.size(); ++i)
            EXPECT_EQ(nd::Describe(m.records[i]), c.summaries[i]);
    }
}

TEST(Ndef, ThreeByteTlvLengthAndRecordFields) {
    // A URI record of 300 bytes payload (no short-record flag) in a TLV with the
    // three-byte length form FF 01 32.
    std::vector<uint8_t> data = {0x03, 0xFF, 0x01, 0x33, 0xC1, 0x01,
                                 0x00, 0x00, 0x01, 0x2C, 'U',  0x00};
    const std::string rest(299, 'x');
    data.insert(data.end(), rest.begin(), rest.end());
    data.push_back(0xFE);
    const nd::Message m = nd::Parse(Memory(data, 0xFF));
    ASSERT_EQ(m.status, nd::Status::Ok) << m.error;
    ASSERT_EQ(m.records.size(), 1u);
    EXPECT_EQ(m.records[0].uri, rest);
    const nlohmann::json j = nd::ToJson(m);
    EXPECT_EQ(j["status"], "ok");
    EXPECT_EQ(j["records"][0]["kind"], "uri");
    EXPECT_EQ(j["records"][0]["payload_length"], 300);
}

TEST(Ndef, RefusesWhatIsNotNdefOrDoesNotFit) {
    const std::vector<uint8_t> uri = {0x03, 0x06, 0xD1, 0x01, 0x02, 'U', 0x04, 'a', 0xFE};
    auto noCc = Memory(uri);
    noCc[12] = 0x00;
    auto truncated = Memory(uri);
    truncated.resize(20); // read stopped after page 4
    const struct {
        const char* what;
        std::vector<uint8_t> memory;
        nd::Status status;
    } cases[] = {
        {"no capability container", noCc, nd::Status::NotNdef},
        {"only pages 0-2", std::vector<uint8_t>(12, 0), nd::Status::NotNdef},
        {"terminator before any NDEF TLV", Memory({0xFE, 0x03, 0x00}), nd::Status::NotNdef},
        {"no NDEF TLV, only zeros", Memory(std::vector<uint8_t>(64, 0)), nd::Status::NotNdef},
        {"memory read ends inside the TLV", truncated, nd::Status::Damaged},
        {"TLV longer than the data area announced",
         Memory({0x03, 0x0A, 0xD1, 0x01, 0x06, 'U', 0x04, 'a', 'b', 'c', 'd', 'e'}, 0x01),
         nd::Status::Damaged},
        {"capability container announcing no data area", Memory(uri, 0x00), nd::Status::NotNdef},
        {"TLV length lies", Memory({0x03, 0xFF, 0x7F, 0xFF, 0xD1}), nd::Status::Damaged},
        {"TLV without length at the end", Memory({0x00, 0x00, 0x00, 0x03}, 0x00),
         nd::Status::NotNdef},
        {"record payload length lies", Memory({0x03, 0x06, 0xD1, 0x01, 0x40, 'U', 0x04, 'a'}),
         nd::Status::Damaged},
        {"long payload length lies",
         Memory({0x03, 0x08, 0xC1, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 'U', 0x04}), nd::Status::Damaged},
        {"message without its last record", Memory({0x03, 0x05, 0x91, 0x01, 0x01, 'U', 0x04}),
         nd::Status::Damaged},
        {"first record without message begin", Memory({0x03, 0x05, 0x51, 0x01, 0x01, 'U', 0x04}),
         nd::Status::Damaged},
        {"Text language longer than its payload",
         Memory({0x03, 0x06, 0xD1, 0x01, 0x02, 'T', 0x05, 'd'}), nd::Status::Damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const nd::Message m = nd::Parse(c.memory);
        EXPECT_EQ(m.status, c.status);
        EXPECT_FALSE(m.error.empty());
        EXPECT_TRUE(m.records.empty());
    }
}

TEST(Ndef, TextFromTheTagIsAlwaysValidUtf8) {
    // Invalid UTF-8 in a Text record and an unpaired UTF-16 surrogate become U+FFFD, so
    // the JSON output never fails.
    const nd::Message m =
        nd::Parse(Memory({0x03, 0x12, 0x91, 0x01, 0x05, 'T',  0x02, 'd',  'e', 0xC3, 0x28,
                          0x51, 0x01, 0x05, 'T',  0x80, 0xD8, 0x00, 0x00, 'A', 0xFE}));
    ASSERT_EQ(m.status, nd::Status::Ok) << m.error;
    ASSERT_EQ(m.records.size(), 2u);
    EXPECT_EQ(m.records[0].text, "\xEF\xBF\xBD(");
    EXPECT_EQ(m.records[1].text, "\xEF\xBF\xBD"
                                 "A");
    EXPECT_NO_THROW((void)nd::ToJson(m).dump());
}

// Messages built for writing read back as written: URI prefixes abbreviated, and long
// Text records with a four-byte payload length in a three-byte-length TLV.
TEST(Ndef, BuiltMessagesReadBack) {
    const std::string longText(300, 'x');
    const struct {
        std::vector<uint8_t> message;
        const char* kind;
        std::string value;
        size_t tlvHeader;
    } cases[] = {
        {nd::UriMessage("https://www.vorex.example"), "uri", "https://www.vorex.example", 2},
        {nd::UriMessage("urn:x"), "uri", "urn:x", 2},
        {nd::TextMessage("Grüezi", "de-CH"), "text", "Grüezi", 2},
        {nd::TextMessage(longText, "en"), "text", longText, 4},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> tlv = nd::MessageTlv(c.message);
        EXPECT_EQ(tlv.size(), c.tlvHeader + c.message.size() + 1) << c.value;
        EXPECT_EQ(tlv.back(), 0xFE);
        const nd::Message m = nd::Parse(Memory(tlv, 0xFF));
        ASSERT_EQ(m.status, nd::Status::Ok) << m.error;
        ASSERT_EQ(m.records.size(), 1u);
        EXPECT_EQ(m.records[0].kind, c.kind);
        EXPECT_EQ(c.kind == std::string("uri") ? m.records[0].uri : m.records[0].text, c.value);
    }
    EXPECT_EQ(nd::UriMessage("https://www.vorex.example")[4], 0x02) << "prefix code";
}

} // namespace
