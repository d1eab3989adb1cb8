// Stand-in ISO 14443A cards: MIFARE Classic access conditions checked against the
// data sheet tables, value blocks, key store, Ultralight lock bits and Type 2 memory
// ends. Driven through the reader's command set without a line.
#include "sim/Iso14443Commands.h"
#include "sim/MifareAccess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using vsim::Bytes;
using vsim::Reply;
using vtest::Hex;

namespace {

const Bytes kKeyA = Hex("A0 A1 A2 A3 A4 A5");
const Bytes kKeyB = Hex("B0 B1 B2 B3 B4 B5");

// A reader with one card; commands go straight to the command set.
class Reader {
public:
    explicit Reader(std::unique_ptr<vsim::Card14443> card, bool small = false) : set_(small) {
        set_.AddCard(std::move(card));
        set_.SetField(0);
        set_.SetKey(0, 0, kKeyA);
        set_.SetKey(1, 0, kKeyB);
    }
    Reply Send(uint8_t command, const Bytes& data = {}) {
        vsim::Request r;
        r.command = r.wireCommand = command;
        r.data = data;
        return *set_.Handle(r, model_);
    }
    // Request, select and authenticate from the key store (slot 0).
    int Open(int block, bool keyB) {
        Send(0x30);
        Send(0x31);
        return Send(0x33, {0x00, static_cast<uint8_t>(block), keyB ? uint8_t{1} : uint8_t{0}, 0})
            .status;
    }
    vsim::Iso14443Commands& Set() { return set_; }

private:
    vsim::ReaderModel model_;
    vsim::Iso14443Commands set_;
};

std::unique_ptr<vsim::ClassicCard> Classic(const std::array<int, 4>& sector1, bool is4k = false) {
    auto card = std::make_unique<vsim::ClassicCard>(is4k, Hex("11 22 33 44"));
    card->Block(7) = vsim::ClassicCard::Trailer(kKeyA, sector1, 0x69, kKeyB);
    // Block 4: a valid value block of 10.
    card->Block(4) = Hex("0A 00 00 00 F5 FF FF FF 0A 00 00 00 04 FB 04 FB");
    return card;
}

// The rights as the MIFARE Classic data sheet lists them, by C1 C2 C3:
// read / write / increment / decrement-transfer-restore.
const char* const kDataTable = "000 A|B / A|B / A|B / A|B; 010 A|B / - / - / -; "
                               "100 A|B / B / - / -; 110 A|B / B / B / A|B; "
                               "001 A|B / - / - / A|B; 011 B / B / - / -; "
                               "101 B / - / - / -; 111 - / - / - / -";
// Key A read/write; access bits read/write; Key B read/write.
const char* const kTrailerTable = "000 -/A; A/-; A/A. 010 -/-; A/-; A/-. 100 -/B; A|B/-; -/B. "
                                  "110 -/-; A|B/-; -/-. 001 -/A; A/A; A/A. "
                                  "011 -/B; A|B/B; -/B. 101 -/-; A|B/B; -/-. "
                                  "111 -/-; A|B/-; -/-.";

// Parses the tables into condition (C1 + 2 C2 + 4 C3) -> list of right strings.
std::map<int, std::vector<std::string>> ParseTable(std::string text) {
    for (char& c : text)
        if (c == ';' || c == '/' || c == '.')
            c = ' ';
    std::istringstream in(text);
    std::map<int, std::vector<std::string>> table;
    std::string word;
    int condition = -1;
    while (in >> word) {
        if (word.size() == 3 && word.find_first_not_of("01") == std::string::npos) {
            condition = (word[0] - '0') | (word[1] - '0') << 1 | (word[2] - '0') << 2;
            continue;
        }
        table[condition].push_back(word);
    }
    return table;
}

bool Grants(const std::string& right, bool keyB) {
    return right.find(keyB ? 'B' : 'A') != std::string::npos;
}

TEST(ClassicAccess, DataBlockConditionsFollowTheDataSheet) {
    const auto table = ParseTable(kDataTable);
    ASSERT_EQ(table.size(), 8u);
    for (const auto& [condition, rights] : table) {
        ASSERT_EQ(rights.size(), 4u);
        for (bool keyB : {false, true}) {
            SCOPED_TRACE("condition " + std::to_string(condition) + (keyB ? " key B" : " key A"));
            // Trailer condition 110: Key B is not readable, so it may authenticate.
            const std::array<int, 4> access{condition, 0, 0, 3};
            {
                Reader r(Classic(access));
                ASSERT_EQ(r.Open(4, keyB), vsim::kOk);
                const Reply read = r.Send(0x34, {4});
                EXPECT_EQ(read.status,
                          Grants(rights[0], keyB) ? vsim::kOk : vsim::kNotAuthenticated);
            }
            {
                Reader r(Classic(access));
                ASSERT_EQ(r.Open(4, keyB), vsim::kOk);
                Bytes data(16, 0x5A);
                data.insert(data.begin(), 4);
                EXPECT_EQ(r.Send(0x35, data).status,
                          Grants(rights[1], keyB) ? vsim::kOk : vsim::kNotWritable);
            }
            for (int op : {1, 0}) {
                Reader r(Classic(access));
                ASSERT_EQ(r.Open(4, keyB), vsim::kOk);
                const bool allowed = Grants(rights[op == 1 ? 2 : 3], keyB);
                EXPECT_EQ(r.Send(0x38, {4, static_cast<uint8_t>(op), 3, 0, 0, 0}).status,
                          allowed ? vsim::kOk : vsim::kNotWritable);
                if (allowed) {
                    ASSERT_EQ(r.Open(4, keyB), vsim::kOk);
                    auto& card = static_cast<vsim::ClassicCard&>(r.Set().Card(0));
                    EXPECT_EQ(card.Block(4)[0], op == 1 ? 13 : 7);
                }
            }
        }
    }
}

TEST(ClassicAccess, TrailerConditionsFollowTheDataSheet) {
    const auto table = ParseTable(kTrailerTable);
    ASSERT_EQ(table.size(), 8u);
    const Bytes newKeyA = Hex("C0 C1 C2 C3 C4 C5"), newKeyB = Hex("D0 D1 D2 D3 D4 D5");
    for (const auto& [condition, rights] : table) {
        ASSERT_EQ(rights.size(), 6u);
        const std::array<int, 4> access{0, 0, 0, condition};
        const bool keyBReadable = Grants(rights[4], false);
        for (bool keyB : {false, true}) {
            SCOPED_TRACE("trailer condition " + std::to_string(condition) +
                         (keyB ? " key B" : " key A"));
            // Where Key B can be read, it authenticates but opens nothing.
            const bool dead = keyB && keyBReadable;
            Reader r(Classic(access));
            ASSERT_EQ(r.Open(7, keyB), vsim::kOk);
            const Reply read = r.Send(0x34, {7});
            if (dead) {
                EXPECT_EQ(read.status, vsim::kNotAuthenticated);
                ASSERT_EQ(r.Open(7, keyB), vsim::kOk);
                EXPECT_EQ(r.Send(0x34, {4}).status, vsim::kNotAuthenticated);
            } else {
                ASSERT_EQ(read.status, vsim::kOk);
                const Bytes& t = read.payload;
                EXPECT_EQ(Bytes(t.begin(), t.begin() + 6), Bytes(6, 0)) << "Key A reads as 0";
                const Bytes stored = vsim::ClassicCard::Trailer(kKeyA, access, 0x69, kKeyB);
                EXPECT_EQ(Bytes(t.begin() + 6, t.begin() + 10),
                          Grants(rights[2], keyB) ? Bytes(stored.begin() + 6, stored.begin() + 10)
                                                  : Bytes(4, 0));
                EXPECT_EQ(Bytes(t.begin() + 10, t.end()),
                          Grants(rights[4], keyB) ? kKeyB : Bytes(6, 0));
            }
            // Write new keys and a new user byte with the same access bits.
            ASSERT_EQ(r.Open(7, keyB), vsim::kOk);
            Bytes trailer = vsim::ClassicCard::Trailer(newKeyA, access, 0x42, newKeyB);
            trailer.insert(trailer.begin(), 7);
            const bool anyWrite = !dead && (Grants(rights[1], keyB) || Grants(rights[3], keyB) ||
                                            Grants(rights[5], keyB));
            EXPECT_EQ(r.Send(0x35, trailer).status, anyWrite ? vsim::kOk : vsim::kNotWritable);
            const Bytes& t = static_cast<vsim::ClassicCard&>(r.Set().Card(0)).Block(7);
            const bool wroteA = !dead && Grants(rights[1], keyB);
            const bool wroteAccess = !dead && Grants(rights[3], keyB);
            const bool wroteB = !dead && Grants(rights[5], keyB);
            EXPECT_EQ(Bytes(t.begin(), t.begin() + 6), wroteA ? newKeyA : kKeyA);
            EXPECT_EQ(t[9], wroteAccess ? 0x42 : 0x69);
            EXPECT_EQ(Bytes(t.begin() + 10, t.end()), wroteB ? newKeyB : kKeyB);
        }
    }
}

TEST(ClassicAccess, AccessBytesRoundTrip) {
    // Worked examples: conditions of groups 0, 1, 2 and trailer -> bytes 6, 7, 8.
    const std::pair<std::array<int, 4>, Bytes> cases[] = {{{0, 0, 0, 4}, Hex("FF 07 80")},
                                                          {{0, 0, 0, 0}, Hex("FF 0F 00")},
                                                          {{1, 2, 3, 6}, Hex("1A 57 8E")},
                                                          {{4, 4, 4, 3}, Hex("77 88 78")},
                                                          {{7, 7, 7, 7}, Hex("00 F0 FF")}};
    for (const auto& [conditions, bytes] : cases) {
        const auto encoded = vsim::mifare::EncodeAccess(conditions);
        EXPECT_EQ(Bytes(encoded.begin(), encoded.end()), bytes);
        EXPECT_EQ(vsim::mifare::DecodeAccess(bytes.data()), conditions);
    }
    EXPECT_FALSE(vsim::mifare::DecodeAccess(Hex("00 00 00").data()));
    // Cards come in the delivery state.
    vsim::ClassicCard fresh(false, Hex("01 02 03 04"));
    EXPECT_EQ(fresh.Block(63), Hex("FFFFFFFFFFFF FF0780 69 FFFFFFFFFFFF"));
    EXPECT_EQ(fresh.Block(0).size(), 16u);
}

TEST(ClassicCard, AuthenticationNeedsTheSectorsKeyAndASelectedCard) {
    Reader r(Classic({0, 0, 0, 3}));
    EXPECT_EQ(r.Open(4, false), vsim::kOk);
    EXPECT_EQ(r.Send(0x34, {8}).status, vsim::kNotAuthenticated) << "other sector";
    // A refusal drops the card to idle: it stays silent until selected again.
    EXPECT_EQ(r.Send(0x34, {4}).status, vsim::kNoTransponder);
    r.Send(0x31);
    EXPECT_EQ(r.Send(0x34, {4}).status, vsim::kNotAuthenticated) << "session gone";
    // Sector 2 still has the delivery keys, which are not in the store.
    EXPECT_EQ(r.Open(8, false), vsim::kNotAuthenticated);
    r.Send(0x31);
    EXPECT_EQ(r.Send(0x33, Hex("06 FF FF FF FF FF FF 08 00 05")).status, vsim::kOk);
    EXPECT_EQ(r.Send(0x34, {8}).status, vsim::kOk);
    // After a request the card is ready, not selected.
    r.Send(0x30);
    EXPECT_EQ(r.Send(0x33, Hex("00 04 00 00")).status, vsim::kNoTransponder);
    EXPECT_EQ(r.Send(0x33, Hex("00 04 00")).status, vsim::kWrongCount);
}

TEST(ClassicCard, BrokenAccessBitsBlockTheSector) {
    auto card = Classic({0, 0, 0, 4}); // trailer writable with Key A
    Reader r(std::move(card));
    ASSERT_EQ(r.Open(7, false), vsim::kOk);
    Bytes trailer = kKeyA;
    for (uint8_t b : Hex("00 00 00 69"))
        trailer.push_back(b);
    trailer.insert(trailer.end(), kKeyB.begin(), kKeyB.end());
    trailer.insert(trailer.begin(), 7);
    EXPECT_EQ(r.Send(0x35, trailer).status, vsim::kOk);
    EXPECT_EQ(r.Send(0x34, {4}).status, vsim::kNotAuthenticated);
    EXPECT_EQ(r.Open(4, false), vsim::kNotAuthenticated);
    EXPECT_EQ(r.Open(4, true), vsim::kNotAuthenticated);
    EXPECT_EQ(r.Open(0, false), vsim::kNotAuthenticated) << "other sectors keep the delivery keys";
}

TEST(ClassicCard, ValueBlocksAndTheManufacturerBlock) {
    Reader r(Classic({0, 0, 0, 3}));
    ASSERT_EQ(r.Open(4, false), vsim::kOk);
    EXPECT_EQ(r.Send(0x38, {5, 1, 1, 0, 0, 0}).status, vsim::kNoValue) << "zeros: no value";
    ASSERT_EQ(r.Open(4, false), vsim::kOk);
    EXPECT_EQ(r.Send(0x38, {4, 0, 11, 0, 0, 0}).status, vsim::kOk);
    EXPECT_EQ(r.Send(0x34, {4}).payload, Hex("FF FF FF FF 00 00 00 00 FF FF FF FF 04 FB 04 FB"));
    EXPECT_EQ(r.Send(0x38, {7, 1, 1, 0, 0, 0}).status, vsim::kNotWritable) << "trailer";
    ASSERT_EQ(r.Open(4, false), vsim::kOk);
    EXPECT_EQ(r.Send(0x38, {4, 2, 1, 0, 0, 0}).status, vsim::kUnknownCommand);
    EXPECT_EQ(r.Send(0x35, {4, 1, 2}).status, vsim::kWrongCount);

    // Block 0 cannot be written whatever the conditions say.
    ASSERT_EQ(r.Open(0, false), vsim::kNotAuthenticated); // delivery keys in sector 0
    r.Send(0x31);
    ASSERT_EQ(r.Send(0x33, Hex("06 FF FF FF FF FF FF 00 00 00")).status, vsim::kOk);
    Bytes data(17, 0);
    EXPECT_EQ(r.Send(0x35, data).status, vsim::kNotWritable);
}

TEST(ClassicCard, FourKGeometryAndAtqa) {
    auto card = std::make_unique<vsim::ClassicCard>(true, Hex("04 01 02 03 04 05 06"));
    EXPECT_EQ(card->Sak(), 0x18);
    EXPECT_EQ(card->Atqa(), 0x0042);
    EXPECT_EQ(card->TrailerOf(32), 143);
    EXPECT_EQ(card->TrailerOf(39), 255);
    // A 16-block sector: groups of five blocks.
    card->Block(255) = vsim::ClassicCard::Trailer(kKeyA, {0, 2, 7, 3}, 0, kKeyB);
    Reader r(std::move(card));
    const std::pair<int, int> cases[] = {{240, vsim::kOk},          {244, vsim::kOk},
                                         {245, vsim::kNotWritable}, {249, vsim::kNotWritable},
                                         {250, vsim::kNotWritable}, {254, vsim::kNotWritable}};
    for (const auto& [block, status] : cases) {
        ASSERT_EQ(r.Open(240, false), vsim::kOk);
        Bytes data(17, 0x11);
        data[0] = static_cast<uint8_t>(block);
        EXPECT_EQ(r.Send(0x35, data).status, status) << block;
    }
    ASSERT_EQ(r.Open(240, false), vsim::kOk);
    EXPECT_EQ(r.Send(0x34, {250}).status, vsim::kNotAuthenticated) << "condition 7: no read";
}

TEST(KeyStore, PairsAndTwelveKeyStores) {
    Reader pairs(Classic({0, 0, 0, 3}));
    EXPECT_EQ(pairs.Send(0x39, Hex("01 0F C1 C2 C3 C4 C5 C6")).status, vsim::kOk);
    EXPECT_EQ(pairs.Send(0x39, Hex("01 10 C1 C2 C3 C4 C5 C6")).status, vsim::kNotWritable);
    EXPECT_EQ(pairs.Send(0x39, Hex("00 00 C1 C2 C3 C4 C5")).status, vsim::kWrongCount);
    EXPECT_EQ(pairs.Set().Key(1, 15), Hex("C1 C2 C3 C4 C5 C6"));
    EXPECT_EQ(pairs.Open(4, true), vsim::kOk) << "Key B from slot B0";

    // The small store: one key per slot, used as Key A or Key B.
    Reader small(Classic({0, 0, 0, 3}), true);
    EXPECT_EQ(small.Set().KeySlots(), 12);
    EXPECT_EQ(small.Send(0x39, Hex("00 0C C1 C2 C3 C4 C5 C6")).status, vsim::kNotWritable);
    ASSERT_EQ(small.Send(0x39, Hex("00 03 B0 B1 B2 B3 B4 B5")).status, vsim::kOk);
    small.Send(0x31);
    EXPECT_EQ(small.Send(0x33, Hex("00 04 01 03")).status, vsim::kOk) << "slot 3 as Key B";
    EXPECT_TRUE(vsim::HasSmallKeyStore(0x191));
    EXPECT_FALSE(vsim::HasSmallKeyStore(0x190));
    EXPECT_TRUE(vsim::HasSmallKeyStore(0x40F));
    EXPECT_FALSE(vsim::HasSmallKeyStore(0x125));
}

TEST(Field, NoCardAndSwappingCards) {
    vsim::ReaderModel model;
    vsim::Iso14443Commands set;
    auto send = [&](uint8_t cmd) {
        vsim::Request r;
        r.command = cmd;
        return *set.Handle(r, model);
    };
    EXPECT_EQ(send(0x30).status, vsim::kNoTransponder);
    EXPECT_EQ(send(0x31).status, vsim::kNoTransponder);
    set.AddCard(std::make_unique<vsim::ClassicCard>(false, Hex("01 02 03 04")));
    set.AddCard(std::make_unique<vsim::PageTag>(vsim::PageTag::Kind::Ultralight,
                                                Hex("04 01 02 03 04 05 06")));
    set.SetField(0);
    EXPECT_EQ(send(0x30).payload, Hex("04 00"));
    EXPECT_EQ(send(0x31).payload, Hex("08 01 02 03 04"));
    set.SetField(1);
    EXPECT_EQ(send(0x34).status, vsim::kWrongCount);
    EXPECT_EQ(send(0x30).payload, Hex("44 00"));
    EXPECT_EQ(send(0x31).payload, Hex("00 04 01 02 03 04 05 06"));
    set.SetField(-1);
    EXPECT_EQ(send(0x30).status, vsim::kNoTransponder);
    EXPECT_FALSE(set.Handle(vsim::Request{0xF0}, model));
}

// ---- Ultralight and Type 2 ----------------------------------------------------------

std::unique_ptr<vsim::PageTag> Tag(vsim::PageTag::Kind kind, int pages = 0) {
    return std::make_unique<vsim::PageTag>(kind, Hex("04 01 02 03 04 05 06"), pages);
}

Bytes FirstPage(const Reply& read) {
    return read.payload.size() >= 4 ? Bytes(read.payload.begin(), read.payload.begin() + 4)
                                    : Bytes{};
}

int WritePage(Reader& r, int page, const Bytes& data) {
    Bytes d{static_cast<uint8_t>(page)};
    d.insert(d.end(), data.begin(), data.end());
    return r.Send(0x35, d).status;
}

TEST(Ultralight, LockBitsAndOtpOnlyEverGetSet) {
    Reader r(Tag(vsim::PageTag::Kind::Ultralight));
    r.Send(0x31);
    auto& tag = static_cast<vsim::PageTag&>(r.Set().Card(0));
    EXPECT_EQ(WritePage(r, 4, Hex("11 22 33 44")), vsim::kOk);
    EXPECT_EQ(WritePage(r, 0, Hex("11 22 33 44")), vsim::kNotWritable) << "UID";
    r.Send(0x31);
    // OTP: bits are ORed in.
    EXPECT_EQ(WritePage(r, 3, Hex("01 00 00 80")), vsim::kOk);
    EXPECT_EQ(WritePage(r, 3, Hex("02 00 00 00")), vsim::kOk);
    EXPECT_EQ(tag.Page(3), Hex("03 00 00 80"));
    // Lock page 4 (L4, byte 2 bit 4) and page 12 (L12, byte 3 bit 4); bytes 0-1 stay.
    EXPECT_EQ(WritePage(r, 2, Hex("FF FF 10 10")), vsim::kOk);
    EXPECT_EQ(tag.Page(2)[0], 0x03 ^ 0x04 ^ 0x05 ^ 0x06);
    EXPECT_EQ(Bytes(tag.Page(2).begin() + 2, tag.Page(2).end()), Hex("10 10"));
    EXPECT_EQ(WritePage(r, 4, Hex("55 55 55 55")), vsim::kNotWritable);
    r.Send(0x31);
    EXPECT_EQ(WritePage(r, 12, Hex("55 55 55 55")), vsim::kNotWritable);
    r.Send(0x31);
    EXPECT_EQ(WritePage(r, 5, Hex("55 55 55 55")), vsim::kOk);
    EXPECT_EQ(tag.Page(4), Hex("11 22 33 44"));
    // Clearing does nothing; block-lock bit 1 freezes L4..L9.
    EXPECT_EQ(WritePage(r, 2, Hex("00 00 02 00")), vsim::kOk);
    EXPECT_EQ(WritePage(r, 2, Hex("00 00 20 03")), vsim::kOk);
    EXPECT_EQ(Bytes(tag.Page(2).begin() + 2, tag.Page(2).end()), Hex("12 10"));
    EXPECT_EQ(WritePage(r, 5, Hex("66 66 66 66")), vsim::kOk) << "L5 stayed clear";
    // The OTP lock bit.
    EXPECT_EQ(WritePage(r, 2, Hex("00 00 08 00")), vsim::kOk);
    EXPECT_EQ(WritePage(r, 3, Hex("00 00 00 01")), vsim::kNotWritable);
    EXPECT_EQ(tag.Page(3), Hex("03 00 00 80"));
}

TEST(Ultralight, ReadReturnsFourPagesAndRollsOver) {
    Reader r(Tag(vsim::PageTag::Kind::Ultralight));
    auto& tag = static_cast<vsim::PageTag&>(r.Set().Card(0));
    tag.Page(15) = Hex("F1 F2 F3 F4");
    r.Send(0x31);
    const Reply read = r.Send(0x34, {14});
    ASSERT_EQ(read.status, vsim::kOk);
    ASSERT_EQ(read.payload.size(), 16u);
    EXPECT_EQ(Bytes(read.payload.begin() + 4, read.payload.begin() + 12),
              Hex("F1 F2 F3 F4 04 01 02 8F"));
    EXPECT_EQ(r.Send(0x34, {16}).status, vsim::kNoTransponder);
    EXPECT_EQ(r.Send(0x34, {0}).status, vsim::kNoTransponder) << "idle after the refusal";
}

TEST(Ntag, MemoryEndsAndConfiguration) {
    const std::tuple<vsim::PageTag::Kind, int, Bytes> tags[] = {
        {vsim::PageTag::Kind::Ntag213, 45, Hex("E1 10 12 00")},
        {vsim::PageTag::Kind::Ntag215, 135, Hex("E1 10 3E 00")},
        {vsim::PageTag::Kind::Ntag216, 231, Hex("E1 10 6D 00")}};
    for (const auto& [kind, pages, cc] : tags) {
        SCOPED_TRACE(pages);
        Reader r(Tag(kind));
        r.Send(0x31);
        EXPECT_EQ(FirstPage(r.Send(0x34, {3})), cc);
        const auto last = static_cast<uint8_t>(pages - 1);
        // The last page starts a read that rolls over to page 0; the password pages
        // read as zeros.
        const Reply end = r.Send(0x34, {last});
        ASSERT_EQ(end.status, vsim::kOk);
        EXPECT_EQ(FirstPage(end), Bytes(4, 0));
        EXPECT_EQ(Bytes(end.payload.begin() + 4, end.payload.begin() + 7), Hex("04 01 02"));
        EXPECT_EQ(WritePage(r, last - 5, Hex("01 02 03 04")), vsim::kOk) << "last user page";
        EXPECT_EQ(r.Send(0x34, {static_cast<uint8_t>(pages)}).status, vsim::kNoTransponder);
        r.Send(0x31);
        EXPECT_EQ(WritePage(r, pages, Hex("01 02 03 04")), vsim::kNotWritable);
    }
}

TEST(Ntag, DynamicLockBitsLockPageGroups) {
    // NTAG213: two pages per bit from page 16; NTAG216: sixteen.
    const std::tuple<vsim::PageTag::Kind, int, int, int> cases[] = {
        {vsim::PageTag::Kind::Ntag213, 0x28, 17, 18}, {vsim::PageTag::Kind::Ntag216, 0xE2, 31, 32}};
    for (const auto& [kind, lockPage, lastLocked, firstFree] : cases) {
        Reader r(Tag(kind));
        r.Send(0x31);
        EXPECT_EQ(WritePage(r, lockPage, Hex("01 00 00 00")), vsim::kOk);
        EXPECT_EQ(WritePage(r, lockPage, Hex("00 00 00 00")), vsim::kOk);
        EXPECT_EQ(WritePage(r, 16, Hex("01 02 03 04")), vsim::kNotWritable);
        r.Send(0x31);
        EXPECT_EQ(WritePage(r, lastLocked, Hex("01 02 03 04")), vsim::kNotWritable);
        r.Send(0x31);
        EXPECT_EQ(WritePage(r, firstFree, Hex("01 02 03 04")), vsim::kOk);
    }
}

TEST(Ntag, BlockLockBitsFreezeTheirLockBits) {
    // Data sheet, dynamic lock bytes: NTAG213 has 6 block-lock bits for 4 pages each
    // (two lock bits of 2 pages), NTAG215 4 and NTAG216 7 for 32 pages each (two lock
    // bits of 16 pages). Block-lock bit k sits in byte 2 and freezes lock bits 2k, 2k+1.
    struct Case {
        vsim::PageTag::Kind kind;
        int lockPage;
        int blBits;
        int pagesPerLockBit;
    };
    const Case cases[] = {{vsim::PageTag::Kind::Ntag213, 0x28, 6, 2},
                          {vsim::PageTag::Kind::Ntag215, 0x82, 4, 16},
                          {vsim::PageTag::Kind::Ntag216, 0xE2, 7, 16}};
    for (const Case& c : cases) {
        for (int k = 0; k < c.blBits; ++k) {
            SCOPED_TRACE(testing::Message() << c.lockPage << " BL bit " << k);
            Reader r(Tag(c.kind));
            auto& tag = static_cast<vsim::PageTag&>(r.Set().Card(0));
            r.Send(0x31);
            ASSERT_EQ(WritePage(r, c.lockPage, {0, 0, static_cast<uint8_t>(1 << k), 0}), vsim::kOk);
            // Try to set every lock bit: the two frozen ones stay clear.
            ASSERT_EQ(WritePage(r, c.lockPage, Hex("FF FF 00 00")), vsim::kOk);
            const unsigned bits = tag.Page(c.lockPage)[0] | tag.Page(c.lockPage)[1] << 8;
            EXPECT_EQ(bits & (3u << (2 * k)), 0u);
            EXPECT_NE(bits & ~(3u << (2 * k)), 0u) << "the other lock bits were set";
            // The pages under the frozen lock bits take writes; the page after them not.
            const int first = 16 + 2 * k * c.pagesPerLockBit;
            const int after = first + 2 * c.pagesPerLockBit;
            EXPECT_EQ(WritePage(r, first, Hex("01 02 03 04")), vsim::kOk);
            EXPECT_EQ(WritePage(r, std::min(after, c.lockPage) - 1, Hex("01 02 03 04")), vsim::kOk);
            if (after < c.lockPage) {
                EXPECT_EQ(WritePage(r, after, Hex("01 02 03 04")), vsim::kNotWritable);
            }
        }
    }
}

// An NTAG213 with a password: PWD 11 22 33 44, PACK AA BB, AUTH0 0x10.
std::unique_ptr<vsim::PageTag> ProtectedNtag(bool prot, int authlim = 0, bool cfglck = false) {
    auto tag = Tag(vsim::PageTag::Kind::Ntag213);
    tag->Page(tag->PwdPage()) = Hex("11 22 33 44");
    tag->Page(tag->PackPage()) = Hex("AA BB 00 00");
    tag->Page(tag->Cfg0Page())[3] = 0x10;
    tag->Page(tag->Cfg1Page())[0] =
        static_cast<uint8_t>((prot ? 0x80 : 0) | (cfglck ? 0x40 : 0) | authlim);
    tag->Page(0x0F) = Hex("0F 0F 0F 0F");
    tag->Page(0x10) = Hex("10 10 10 10");
    return tag;
}

Reply PwdAuth(Reader& r, const char* password) {
    Bytes d{4};
    const Bytes pwd = Hex(password);
    d.insert(d.end(), pwd.begin(), pwd.end());
    d.insert(d.end(), {0, 0, 0}); // block, key type, key number: not used
    return r.Send(0x33, d);
}

TEST(Ntag, PasswordProtectsFromAuth0On) {
    // Data sheet, password verification: pages from AUTH0 on refuse writes, and with
    // PROT = 1 also reads, until PWD_AUTH succeeded; PWD_AUTH answers PACK. Reading
    // rolls over at AUTH0 while the pages are hidden. A new selection forgets the
    // authentication.
    for (bool prot : {true, false}) {
        SCOPED_TRACE(prot ? "read and write protected" : "write protected");
        Reader r(ProtectedNtag(prot));
        r.Send(0x31);
        const Reply low = r.Send(0x34, {0x0E});
        ASSERT_EQ(low.status, vsim::kOk);
        EXPECT_EQ(Bytes(low.payload.begin() + 4, low.payload.begin() + 12),
                  prot ? Hex("0F 0F 0F 0F 04 01 02 8F") : Hex("0F 0F 0F 0F 10 10 10 10"));
        EXPECT_EQ(r.Send(0x34, {0x10}).status, prot ? vsim::kNotAuthenticated : vsim::kOk);
        r.Send(0x31);
        EXPECT_EQ(WritePage(r, 0x0F, Hex("01 01 01 01")), vsim::kOk) << "below AUTH0";
        EXPECT_EQ(WritePage(r, 0x10, Hex("01 01 01 01")), vsim::kNotAuthenticated);
        r.Send(0x31);
        EXPECT_EQ(WritePage(r, 0x28, Hex("FF 00 00 00")), vsim::kNotAuthenticated)
            << "the dynamic lock bytes lie past AUTH0 too";
        r.Send(0x31);
        EXPECT_EQ(WritePage(r, 0x2B, Hex("00 00 00 00")), vsim::kNotAuthenticated)
            << "nor can the password be changed";

        r.Send(0x31);
        const Reply ok = PwdAuth(r, "11 22 33 44");
        ASSERT_EQ(ok.status, vsim::kOk);
        EXPECT_EQ(ok.payload, Hex("AA BB"));
        EXPECT_EQ(FirstPage(r.Send(0x34, {0x10})), Hex("10 10 10 10"));
        EXPECT_EQ(WritePage(r, 0x10, Hex("01 01 01 01")), vsim::kOk);
        r.Send(0x31);
        EXPECT_EQ(WritePage(r, 0x10, Hex("02 02 02 02")), vsim::kNotAuthenticated)
            << "selecting again ends the authentication";
    }
}

TEST(Ntag, PwdAndPackReadAsZerosEvenAfterAuthentication) {
    Reader r(ProtectedNtag(true));
    r.Send(0x31);
    ASSERT_EQ(PwdAuth(r, "11 22 33 44").status, vsim::kOk);
    const Reply read = r.Send(0x34, {0x2B});
    ASSERT_EQ(read.status, vsim::kOk);
    EXPECT_EQ(Bytes(read.payload.begin(), read.payload.begin() + 8), Bytes(8, 0x00));
}

TEST(Ntag, WrongPasswordsCountAgainstAuthlim) {
    // Data sheet, AUTHLIM: 0 disables the limit; otherwise once the failed attempts
    // reach it, PWD_AUTH is refused for good. A success below the limit resets the
    // counter. A wrong password is a NAK: the tag must be selected again.
    struct Case {
        int authlim;
        int wrongTries;
        bool rightOneWorks;
    };
    const Case cases[] = {{0, 10, true}, {3, 2, true}, {3, 3, false}, {1, 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "AUTHLIM " << c.authlim << ", " << c.wrongTries);
        Reader r(ProtectedNtag(true, c.authlim));
        auto& tag = static_cast<vsim::PageTag&>(r.Set().Card(0));
        for (int i = 0; i < c.wrongTries; ++i) {
            r.Send(0x31);
            EXPECT_EQ(PwdAuth(r, "11 22 33 45").status, vsim::kNotAuthenticated);
            EXPECT_EQ(r.Send(0x34, {0}).status, vsim::kNoTransponder) << "idle after the NAK";
        }
        r.Set().SetField(-1); // the counter survives leaving the field
        r.Set().SetField(0);
        r.Send(0x30);
        r.Send(0x31);
        EXPECT_EQ(PwdAuth(r, "11 22 33 44").status == vsim::kOk, c.rightOneWorks);
        EXPECT_EQ(tag.FailedPasswordAttempts(), c.rightOneWorks ? 0 : c.wrongTries);
    }
}

TEST(Ntag, CfglckFreezesTheConfigurationButNotThePassword) {
    for (bool cfglck : {false, true}) {
        Reader r(ProtectedNtag(false, 0, cfglck));
        auto& tag = static_cast<vsim::PageTag&>(r.Set().Card(0));
        r.Send(0x31);
        ASSERT_EQ(PwdAuth(r, "11 22 33 44").status, vsim::kOk);
        const int want = cfglck ? vsim::kNotWritable : vsim::kOk;
        EXPECT_EQ(WritePage(r, 0x29, Hex("04 00 00 FF")), want) << "CFG0";
        r.Send(0x31);
        ASSERT_EQ(PwdAuth(r, "11 22 33 44").status, vsim::kOk);
        EXPECT_EQ(WritePage(r, 0x2A, Hex("00 00 00 00")), want) << "CFG1";
        r.Send(0x31);
        ASSERT_EQ(PwdAuth(r, "11 22 33 44").status, vsim::kOk);
        EXPECT_EQ(WritePage(r, 0x2B, Hex("55 66 77 88")), vsim::kOk) << "PWD";
        EXPECT_EQ(WritePage(r, 0x2C, Hex("CC DD 00 00")), vsim::kOk) << "PACK";
        EXPECT_EQ(tag.Page(0x29)[3], cfglck ? 0x10 : 0xFF);
        r.Send(0x31);
        EXPECT_EQ(PwdAuth(r, "55 66 77 88").payload, Hex("CC DD"));
    }
}

TEST(Ntag, OtherPageTagsKnowNoPassword) {
    for (auto kind : {vsim::PageTag::Kind::Ultralight, vsim::PageTag::Kind::Type2}) {
        Reader r(Tag(kind, 64));
        r.Send(0x31);
        EXPECT_EQ(PwdAuth(r, "FF FF FF FF").status, vsim::kNotAuthenticated);
    }
}

TEST(Type2, SectorSelectReachesPagesAboveTheFirstSector) {
    Reader r(Tag(vsim::PageTag::Kind::Type2, 300));
    auto& tag = static_cast<vsim::PageTag&>(r.Set().Card(0));
    tag.Page(0x105) = Hex("AB CD EF 01");
    tag.Page(0x100) = Hex("00 01 00 01");
    r.Send(0x31);
    EXPECT_EQ(r.Send(0x3A, {1}).status, vsim::kOk);
    EXPECT_EQ(FirstPage(r.Send(0x34, {5})), Hex("AB CD EF 01"));
    // Sector 1 holds 44 pages: page 0x12B rolls over to 0x100.
    const Reply end = r.Send(0x34, {0x2B});
    ASSERT_EQ(end.status, vsim::kOk);
    EXPECT_EQ(Bytes(end.payload.begin() + 4, end.payload.begin() + 8), Hex("00 01 00 01"));
    EXPECT_EQ(r.Send(0x34, {0x2C}).status, vsim::kNoTransponder);
    r.Send(0x31); // selecting again starts in sector 0
    EXPECT_EQ(FirstPage(r.Send(0x34, {5})), Bytes(4, 0));
    EXPECT_EQ(r.Send(0x3A, {2}).status, vsim::kNoTransponder);
}

TEST(Scenario, Iso14443SectionIsCheckedAndTheDemoLoads) {
    std::string error;
    const char* bad[] = {
        R"({"cards": [{"type": "classic1k", "uid": "01 02 03"}]})",
        R"({"cards": [{"type": "classic2k", "uid": "01 02 03 04"}]})",
        R"({"cards": [{"type": "ntag213", "uid": "01 02 03 04"}]})",
        R"({"cards": [{"type": "classic1k", "uid": "01020304", "sectors": {"16": {}}}]})",
        R"({"cards": [{"type": "classic1k", "uid": "01020304", "sectors": {"1": {"access": [0,0,0,8]}}}]})",
        R"({"cards": [{"type": "classic1k", "uid": "01020304", "blocks": {"64": "00"}}]})",
        R"({"cards": [{"type": "ultralight", "uid": "04010203040506", "pages": {"15": "0102030405060708"}}]})",
        R"({"cards": [{"type": "type2", "uid": "04010203040506"}]})",
        R"({"cards": [], "field": 0})",
        R"({"key_store_size": 12, "keys": ["FFFFFFFFFFFF", "00"]})",
        R"({"keys_a": "FFFFFFFFFFFF"})",
        R"({"cards": [{"type": "ultralight", "uid": "04010203040506", "pwd": "01020304"}]})",
        R"({"cards": [{"type": "ntag213", "uid": "04010203040506", "pwd": "010203"}]})",
        R"({"cards": [{"type": "ntag213", "uid": "04010203040506", "auth0": 256}]})",
        R"({"cards": [{"type": "ntag213", "uid": "04010203040506", "authlim": 8}]})",
        R"({"cards": [{"type": "ntag213", "uid": "04010203040506", "prot": 1}]})",
        R"([])",
    };
    for (const char* text : bad) {
        error.clear();
        EXPECT_FALSE(vsim::ParseIso14443(nlohmann::json::parse(text), 0x125, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    auto model = vsim::LoadScenarioFile(vtest::SourcePath("sim/scenarios/demo.json"), error);
    EXPECT_TRUE(model) << error;
}

TEST(Scenario, NtagPasswordKeysFillTheConfigurationPages) {
    std::string error;
    auto set = vsim::ParseIso14443(nlohmann::json::parse(R"({"cards": [
        {"type": "ntag215", "uid": "04010203040506", "pwd": "11223344", "pack": "AABB",
         "auth0": 16, "prot": true, "authlim": 5, "cfglck": true}]})"),
                                   0x125, error);
    ASSERT_TRUE(set) << error;
    auto& tag = static_cast<vsim::PageTag&>(set->Card(0));
    EXPECT_EQ(tag.Page(0x83), Hex("04 00 00 10"));
    EXPECT_EQ(tag.Page(0x84), Hex("C5 05 00 00"));
    EXPECT_EQ(tag.Page(0x85), Hex("11 22 33 44"));
    EXPECT_EQ(tag.Page(0x86), Hex("AA BB 00 00"));
}

} // namespace
