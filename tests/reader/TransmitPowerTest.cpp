// The settings block of the transmit-power dialog: which blocks are understood and the
// bytes written back.
#include "reader/TransmitPower.h"

#include <gtest/gtest.h>

namespace {

using namespace vorex::reader;

TEST(TransmitPower, DecodesOnlyAValidBlock) {
    const struct {
        std::vector<uint8_t> block;
        int length; // VOREX_ReadSettings result
        bool ok;
        int iso15693, iso14443;
    } cases[] = {
        {{0x01, 0x02, 0x80}, 3, true, 0, 1}, // ISO 15693 full, ISO 14443 half
        {{0x03, 0x01, 0x80}, 3, true, 1, 0},   {{0x01, 0xFF}, 2, true, 1, 1}, // other bits ignored
        {{0x00, 0x03, 0x80}, 3, false, 0, 0},  // power bits not valid
        {{0x01, 0x03, 0x80}, 1, false, 0, 0},  // one byte only
        {{0x01, 0x03, 0x80}, -1, false, 0, 0}, // read failed (e.g. block too long)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        TransmitPower p{1, 1};
        EXPECT_EQ(DecodeTransmitPower(c.block.data(), c.length, p), c.ok);
        EXPECT_EQ(p.iso15693, c.iso15693);
        EXPECT_EQ(p.iso14443, c.iso14443);
    }
}

TEST(TransmitPower, EncodesTheBlockWrittenBack) {
    using B = std::array<uint8_t, 3>;
    EXPECT_EQ(EncodeTransmitPower({0, 0}), (B{0x03, 0x00, 0x80}));
    EXPECT_EQ(EncodeTransmitPower({1, 0}), (B{0x03, 0x01, 0x80}));
    EXPECT_EQ(EncodeTransmitPower({0, 1}), (B{0x03, 0x02, 0x80}));
    EXPECT_EQ(EncodeTransmitPower({1, 1}), (B{0x03, 0x03, 0x80}));
}

} // namespace
