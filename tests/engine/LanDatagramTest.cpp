// The LAN datagram protocol: request bytes, the record fields, discovery entries, model
// and probe checks, address texts and the adapter list. Payloads are built byte by byte
// here, so that the offsets are checked against the protocol and not against the code.
#include "engine/links/lan/LanDatagram.h"
#include "engine/links/lan/LanConfig.h"
#include "engine/links/lan/TCPSocket.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vorex::lan;
using vtest::Hex;

namespace {

// A record-0 payload: address, host bits, gateway, port, name characters 1-8 and 9-16.
Bytes Record0Bytes(std::array<uint8_t, 4> ip, uint8_t hostBits, std::array<uint8_t, 4> gw,
                   uint16_t port, const std::string& low, const std::string& high,
                   size_t size = 120) {
    Bytes p(size, 0xEE); // filler that must survive a rewrite
    for (size_t i = 0; i < 4; ++i) {
        p[i] = ip[i];
        p[12 + i] = gw[i];
    }
    p[6] = hostBits;
    p[20] = static_cast<uint8_t>(port & 0xFF);
    p[21] = static_cast<uint8_t>(port >> 8);
    for (size_t i = 0; i < 8; ++i) {
        p[112 + i] = i < low.size() ? static_cast<uint8_t>(low[i]) : 0;
        p[84 + i] = i < high.size() ? static_cast<uint8_t>(high[i]) : 0;
    }
    return p;
}

Bytes Record2With(const std::string& model, size_t size = 126, bool terminate = true) {
    Bytes p(size, 0);
    for (size_t i = 0; i < model.size() && 93 + i < size; ++i)
        p[93 + i] = static_cast<uint8_t>(model[i]);
    if (!terminate)
        std::fill(p.begin() + 93, p.end(), 'X');
    return p;
}

} // namespace

TEST(LanDatagram, RequestBytes) {
    const Bytes payload{0xAA, 0xBB};
    struct Case {
        Bytes got;
        const char* want;
    } cases[] = {
        {RecordQuery(0), "00 01 00 F8"},
        {RecordQuery(2), "00 01 00 E2"},
        {RecordQuery(15), "00 01 00 EF"},
        {RecordQuery(16), ""},
        {RecordQuery(-1), ""},
        {RecordWrite(0, payload), "00 00 00 FD AA BB"},
        {RecordWrite(3, payload), "00 01 00 C3 AA BB"},
        {ProbeRequest(), "00 01 00 F6"},
        {RestartRequest(), "00 00 00 03 58 33"},
        {AddressSetupRequest(payload, true), "00 00 00 FC 49 50 2D 53 45 54 55 50 45 58 AA BB"},
        {AddressSetupRequest(payload, false), "00 00 00 FC 49 50 2D 53 45 54 55 50 00 00 AA BB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, Hex(c.want)) << c.want;
    EXPECT_EQ(QueryAnswerType(0), 0xF9);
    EXPECT_EQ(QueryAnswerType(2), 0xD2);
    EXPECT_EQ(WriteAnswerType(0), 0xFB);
    EXPECT_EQ(WriteAnswerType(3), 0xB3);
}

TEST(LanDatagram, AddressSetupPayloads) {
    const Mac mac{0x00, 0x20, 0x4A, 0x01, 0x02, 0x03};
    const Bytes extended =
        ExtendedSetup(mac, *Ipv4::Parse("192.168.1.20"), 4001, *Ipv4::Parse("255.255.255.0"),
                      *Ipv4::Parse("192.168.1.1"), "LAB1");
    EXPECT_EQ(extended, Hex("00 20 4A 01 02 03  C0 A8 01 14  A1 0F  FF FF FF 00  C0 A8 01 01"
                            "4C 41 42 31 00 00 00 00 00 00 00 00 00 00 00 00"));
    EXPECT_EQ(ShortSetup(mac, *Ipv4::Parse("10.0.0.7")), Hex("02 03 0A 00 00 07"));
}

TEST(LanDatagram, SplitRefusesDatagramsShorterThanTheHeader) {
    const Bytes three{0x00, 0x00, 0xF9};
    uint8_t type = 0;
    Bytes payload{1};
    EXPECT_FALSE(SplitDatagram(three.data(), three.size(), type, payload));
    const Bytes four{0x00, 0x00, 0x00, 0xF9};
    ASSERT_TRUE(SplitDatagram(four.data(), four.size(), type, payload));
    EXPECT_EQ(type, 0xF9);
    EXPECT_TRUE(payload.empty());
}

TEST(LanDatagram, Record0FieldsAndRewriteKeepsTheOtherBytes) {
    Bytes p = Record0Bytes({192, 168, 1, 20}, 8, {192, 168, 1, 1}, 10001, "ABCDEFGH", "12345678");
    const auto r = ReadRecord0(p);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->address.Text(), "192.168.1.20");
    EXPECT_EQ(r->hostBits, 8u);
    EXPECT_EQ(r->gateway.Text(), "192.168.1.1");
    EXPECT_EQ(r->port, 10001);
    EXPECT_EQ(r->name, "ABCDEFGH12345678");

    Record0 next = *r;
    next.gateway = *Ipv4::Parse("10.1.2.3");
    next.port = 4001;
    next.name = "LAB1";
    ASSERT_TRUE(StoreRecord0(p, next));
    const Bytes want =
        Record0Bytes({192, 168, 1, 20}, 8, {10, 1, 2, 3}, 4001, "LAB1", "", p.size());
    EXPECT_EQ(p, want);

    EXPECT_FALSE(ReadRecord0(Bytes(119)));
    Bytes short119(119);
    EXPECT_FALSE(StoreRecord0(short119, next));
}

TEST(LanDatagram, DiscoveryEntries) {
    struct Case {
        Bytes record;
        const char* sender;
        const char* want;
    } cases[] = {
        // Configured address = sender: the address entry.
        {Record0Bytes({192, 168, 1, 20}, 8, {}, 10001, "X", ""), "192.168.1.20",
         "192.168.1.20-10001"},
        // Obtained automatically: name, sender and port.
        {Record0Bytes({0, 0, 0, 0}, 8, {}, 10001, "READER01", ""), "10.0.0.7",
         "[READER01]10.0.0.7-10001"},
        // Configured for another address than it answers from.
        {Record0Bytes({10, 0, 0, 8}, 8, {}, 4001, "AB", "CD"), "10.0.0.7", "[ABCD]10.0.0.7-4001"},
        // Both name fields full: sixteen characters, nothing read beyond them.
        {Record0Bytes({0, 0, 0, 0}, 8, {}, 10001, "ABCDEFGH", "12345678"), "10.0.0.7",
         "[ABCDEFGH12345678]10.0.0.7-10001"},
        // A 119-byte answer is no record 0.
        {Bytes(119), "10.0.0.7", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DiscoveryEntry(c.record, *Ipv4::Parse(c.sender)), c.want) << c.want;
}

TEST(LanDatagram, ModelTextStaysInsideTheDatagram) {
    EXPECT_TRUE(IsOwnModel(Record2With("VX-C770")));
    EXPECT_EQ(ModelText(Record2With("VX-C770")), "VX-C770");
    EXPECT_FALSE(IsOwnModel(Record2With("XP-1000")));
    EXPECT_FALSE(IsOwnModel(Record2With("VX-C770", 125)));        // too short for record 2
    EXPECT_FALSE(IsOwnModel(Record2With("VX-C770", 126, false))); // never terminated
    EXPECT_EQ(ModelText(Record2With("", 126)), "");
}

TEST(LanDatagram, ProbeAnswer) {
    Bytes p(26, 0);
    p[11] = 'N';
    p[12] = 'V';
    p[13] = 'K';
    for (size_t i = 0; i < 6; ++i)
        p[20 + i] = static_cast<uint8_t>(0xA0 + i);
    auto a = ReadProbeAnswer(p);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->makerTag);
    EXPECT_EQ(a->mac, (Mac{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    p[13] = 'X';
    EXPECT_FALSE(ReadProbeAnswer(p)->makerTag);
    EXPECT_FALSE(ReadProbeAnswer(Bytes(25)));
}

TEST(LanDatagram, MaskAndHostBits) {
    struct Case {
        unsigned bits;
        const char* mask;
    } cases[] = {{8, "255.255.255.0"}, {0, "255.255.255.255"}, {16, "255.255.0.0"},
                 {24, "255.0.0.0"},    {32, "0.0.0.0"},        {3, "255.255.255.248"}};
    for (const auto& c : cases) {
        EXPECT_EQ(MaskFromHostBits(c.bits).Text(), c.mask);
        EXPECT_EQ(HostBitsOfMask(*Ipv4::Parse(c.mask)), c.bits) << c.mask;
    }
    // A record may carry any byte: beyond 32 host bits the mask is empty.
    EXPECT_EQ(MaskFromHostBits(200).Text(), "0.0.0.0");
}

TEST(LanDatagram, AddressTexts) {
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", "a.b.c.d", "1..2.3"})
        EXPECT_FALSE(Ipv4::Parse(bad)) << bad;
    EXPECT_EQ(Ipv4::Parse("10.0.0.7")->Text(), "10.0.0.7");

    struct Case {
        const char* text;
        bool ok;
        const char* address;
        const char* name;
        uint16_t port;
    } cases[] = {
        {"[LAB1]-10001", true, "0.0.0.0", "LAB1", 10001},
        {"[LAB1]", true, "0.0.0.0", "LAB1", 0},
        {"[A-B]-4001", true, "0.0.0.0", "A-B", 4001},
        {"127.0.0.5-4001", true, "127.0.0.5", "", 4001},
        {"127.0.0.5", true, "127.0.0.5", "", 0},
        {"127.0.0.5-99999", false, "", "", 0},
        {"127.0.0.5-", false, "", "", 0},
        {"[ABCDEFGH123456789]-1", false, "", "", 0}, // 17 characters
        {"[]-1", false, "", "", 0},
        {"host-1", false, "", "", 0},
    };
    for (const auto& c : cases) {
        const auto a = ParseAddressText(c.text);
        ASSERT_EQ(a.has_value(), c.ok) << c.text;
        if (!a)
            continue;
        EXPECT_EQ(a->address.Text(), c.address) << c.text;
        EXPECT_EQ(a->name, c.name) << c.text;
        EXPECT_EQ(a->port, c.port) << c.text;
    }
}

TEST(LanDatagram, TcpNamesDefaultToPort10001) {
    EXPECT_EQ(SplitHostPort("192.168.0.20").host, "192.168.0.20");
    EXPECT_EQ(SplitHostPort("192.168.0.20").port, 10001);
    EXPECT_EQ(SplitHostPort("192.168.0.20-4001").host, "192.168.0.20");
    EXPECT_EQ(SplitHostPort("192.168.0.20-4001").port, 4001);
    EXPECT_EQ(SplitHostPort("192.168.0.20-").port, 0);      // no port: nothing to connect to
    EXPECT_EQ(SplitHostPort("192.168.0.20-70000").port, 0); // out of range
}

TEST(LanAdapters, InjectedListAndSelection) {
    const auto list = ParseAdapterList("127.0.0.1/8,10.0.0.5/255.0.0.0,bogus,0.0.0.0/8,"
                                       "192.168.1.7/24");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].broadcast, "127.255.255.255");
    EXPECT_EQ(list[0].mask, "255.0.0.0");
    EXPECT_EQ(list[1].broadcast, "10.255.255.255");
    EXPECT_EQ(list[2].broadcast, "192.168.1.255");

    AdapterSelection sel([list] { return list; });
    EXPECT_TRUE(sel.Broadcast().empty()); // nothing selected: nothing may be sent
    ASSERT_TRUE(sel.Enumerate());
    ASSERT_TRUE(sel.SelectFirst());
    EXPECT_EQ(sel.LocalAddress(), "127.0.0.1");
    ASSERT_TRUE(sel.SelectNext());
    EXPECT_EQ(sel.LocalAddress(), "10.0.0.5");
    ASSERT_TRUE(sel.SelectNext());
    EXPECT_EQ(sel.LocalAddress(), "192.168.1.7");
    EXPECT_FALSE(sel.SelectNext());
    // The kernel reaches 127.0.0.9 from 127.0.0.1, which is on that subnet.
    sel.SelectFor("127.0.0.9");
    EXPECT_EQ(sel.LocalAddress(), "127.0.0.1");

    AdapterSelection none([] { return std::vector<CAdapter>{}; });
    EXPECT_FALSE(none.Enumerate());
    EXPECT_FALSE(none.SelectFirst());
    EXPECT_FALSE(none.SelectNext());
}
