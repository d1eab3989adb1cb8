// The NDEF message a job writes, read back by the card library's parser: URI prefixes
// abbreviated, Text records with their language, long records past 255 bytes.
#include "production/NdefMessage.h"
#include "cards/Ndef.h"

#include <gtest/gtest.h>

namespace {

namespace out = vorex::production::ndef;
namespace nd = vorex::cards::ndef;

// Type 2 memory: CC in page 3 announcing the whole data area, the TLV from page 4.
nd::Message ReadBack(const std::vector<out::OutRecord>& records) {
    std::vector<uint8_t> memory(12, 0);
    memory.insert(memory.end(), {0xE1, 0x10, 0xFE, 0x00});
    std::vector<uint8_t> tlv = out::WrapTlv(out::EncodeMessage(records));
    memory.insert(memory.end(), tlv.begin(), tlv.end());
    memory.resize(16 + 0xFE * 8, 0);
    return nd::Parse(memory);
}

TEST(NdefMessage, RecordsReadBackAsWritten) {
    out::OutRecord uri;
    uri.uri.uri = "https://www.vorex.example/t/VX-000001";
    out::OutRecord text;
    text.isUri = false;
    text.text = {"de", "Seriennummer VX-000001"};
    out::OutRecord plain;
    plain.uri.uri = "urn:nfc:x";
    nd::Message m = ReadBack({uri, text, plain});
    ASSERT_EQ(m.status, nd::Status::Ok) << m.error;
    ASSERT_EQ(m.records.size(), 3u);
    EXPECT_EQ(m.records[0].uri, "https://www.vorex.example/t/VX-000001");
    EXPECT_EQ(m.records[0].payload[0], 0x02); // "https://www." abbreviated
    EXPECT_EQ(m.records[1].language, "de");
    EXPECT_EQ(m.records[1].text, "Seriennummer VX-000001");
    EXPECT_EQ(m.records[2].uri, "urn:nfc:x");
    EXPECT_EQ(m.records[2].payload[0], 0x23); // "urn:nfc:" abbreviated
}

TEST(NdefMessage, LongRecordAndThreeByteTlvLength) {
    out::OutRecord uri;
    uri.uri.uri = "https://" + std::string(400, 'a');
    std::vector<uint8_t> message = out::EncodeMessage({uri});
    EXPECT_EQ(message[0] & 0x10, 0); // not a short record
    std::vector<uint8_t> tlv = out::WrapTlv(message);
    EXPECT_EQ(tlv[1], 0xFF);
    EXPECT_EQ((tlv[2] << 8 | tlv[3]), static_cast<int>(message.size()));
    EXPECT_EQ(tlv.back(), 0xFE);
    nd::Message m = ReadBack({uri});
    ASSERT_EQ(m.status, nd::Status::Ok) << m.error;
    EXPECT_EQ(m.records[0].uri, uri.uri.uri);
}

} // namespace
