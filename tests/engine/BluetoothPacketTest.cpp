// The module packet format: building requests, the inquiry length rule, and the cutter
// that takes a packet only whole and with its checksum and end byte right.
#include "engine/links/bluetooth/BluetoothPacket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vorex::links::bt;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Indication(uint8_t opcode, const Bytes& payload) {
    return BuildPacket(kIndication, opcode, payload.data(), payload.size());
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

TEST(BluetoothPacket, BuildsRequestsWithChecksumAndEnd) {
    EXPECT_EQ(BuildRequest(0x00, {14, 0, 0}),
              (Bytes{0x02, 0x52, 0x00, 0x03, 0x00, 0x55, 14, 0, 0, 0x03}));
    EXPECT_EQ(BuildRequest(0x26, {}), (Bytes{0x02, 0x52, 0x26, 0x00, 0x00, 0x78, 0x03}));
    // The checksum is taken modulo 256 over type, opcode and both length bytes.
    const Bytes big(300, 0xAA);
    const Bytes p = BuildRequest(0x0F, big);
    EXPECT_EQ(p[3], 0x2C);
    EXPECT_EQ(p[4], 0x01);
    EXPECT_EQ(p[5], static_cast<uint8_t>(0x52 + 0x0F + 0x2C + 0x01));
    EXPECT_EQ(p.size(), 307u);
}

TEST(BluetoothPacket, InquiryCountFollowsTheTimeout) {
    const std::pair<uint32_t, int> cases[] = {{20000, 14}, {10000, 6},  {2600, 1},
                                              {1300, 0},   {1299, 48},  {0, 48},
                                              {65000, 48}, {63700, 48}, {62400, 47}};
    for (const auto& [ms, n] : cases)
        EXPECT_EQ(InquiryCount(ms), n) << ms << " ms";
}

TEST(BluetoothPacket, CutterTakesOnlyWholeValidPackets) {
    const Bytes a = Indication(0x10, {0x02, 0x02, 0x00, 0xAB, 0xCD});
    const Bytes b = BuildPacket(kConfirmation, 0x00, Bytes{0x00}.data(), 1);
    Bytes badChecksum = a;
    badChecksum[5] ^= 0x01;
    Bytes badEnd = a;
    badEnd.back() = 0x04;
    // A header announcing more than the raw buffer can ever hold, with a right checksum.
    const Bytes tooLong{0x02, 0x69, 0x10,
                        0xE8, 0x03, static_cast<uint8_t>(0x69 + 0x10 + 0xE8 + 0x03)};

    struct Case {
        const char* what;
        std::vector<Bytes> reads;
        std::vector<uint16_t> codes; // packets taken, in order
    };
    const Case cases[] = {
        {"one packet", {a}, {0x1069}},
        {"split across reads",
         {Bytes(a.begin(), a.begin() + 4), Bytes(a.begin() + 4, a.end())},
         {0x1069}},
        {"two in one read", {Join({a, b})}, {0x1069, 0x0043}},
        {"garbage before", {Join({{0x00, 0x55, 0x03}, b})}, {0x0043}},
        {"bad checksum skipped", {Join({badChecksum, b})}, {0x0043}},
        {"wrong end byte skipped", {Join({badEnd, b})}, {0x0043}},
        {"length past the buffer skipped", {Join({tooLong, b})}, {0x0043}},
        {"a start byte inside noise", {Join({{0x02, 0x02}, a})}, {0x1069}},
        {"header only", {Bytes(a.begin(), a.begin() + 6)}, {}},
    };
    for (const Case& c : cases) {
        PacketCutter cutter;
        std::vector<uint16_t> codes;
        Packet packet;
        for (const Bytes& read : c.reads) {
            cutter.Append(read.data(), read.size());
            while (cutter.Next(packet))
                codes.push_back(packet.code);
        }
        EXPECT_EQ(codes, c.codes) << c.what;
    }
    PacketCutter cutter;
    cutter.Append(a.data(), a.size());
    Packet packet;
    ASSERT_TRUE(cutter.Next(packet));
    EXPECT_EQ(packet.payload, (Bytes{0x02, 0x02, 0x00, 0xAB, 0xCD}));
    EXPECT_EQ(cutter.Buffered(), 0u);
}

TEST(BluetoothPacket, CutterStaysWithinItsBuffer) {
    PacketCutter cutter;
    const Bytes flood(1500, 0x02);
    EXPECT_EQ(cutter.Append(flood.data(), flood.size()), kRawCapacity);
    EXPECT_EQ(cutter.Room(), 0u);
    Packet packet;
    EXPECT_FALSE(cutter.Next(packet)) << "start bytes without a valid header make no packet";
    EXPECT_LT(cutter.Buffered(), kOverhead) << "all of them were given up";

    // The largest packet the buffer holds is still taken whole.
    PacketCutter second;
    const Bytes largest = Indication(0x10, Bytes(kRawCapacity - kOverhead, 0x11));
    EXPECT_EQ(second.Append(largest.data(), largest.size()), kRawCapacity);
    ASSERT_TRUE(second.Next(packet));
    EXPECT_EQ(packet.payload.size(), kRawCapacity - kOverhead);
}
