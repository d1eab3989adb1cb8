// The connection talks to any link kind through ReaderLink: a polled in-memory link
// (the shape of the HID and Bluetooth links) carries a whole exchange.
#include "engine/ConfigCommands.h"
#include "engine/Vorex_Port.h"
#include "engine/links/LinkTable.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using vtest::Hex;

namespace {

// Answers every frame with a fixed reply, handed over only when polled, a few bytes
// per poll.
class PolledLink : public vorex::links::ReaderLink {
public:
    PolledLink(vorex::links::ReceiveSink& sink, std::vector<uint8_t> reply)
        : sink_(sink), reply_(std::move(reply)) {}
    bool Send(const uint8_t* bytes, size_t count) override {
        sent.emplace_back(bytes, bytes + count);
        pending_ = reply_;
        return open_;
    }
    void DiscardUnsent() override { ++discards; }
    bool IsPolled() const override { return true; }
    void Poll() override {
        ++polls;
        const size_t n = std::min<size_t>(2, pending_.size());
        if (n == 0)
            return;
        sink_.OnLinkBytes(pending_.data(), n);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    }
    bool IsOpen() const override { return open_; }
    void Close() override { open_ = false; }

    std::vector<std::vector<uint8_t>> sent;
    int discards = 0, polls = 0;

private:
    vorex::links::ReceiveSink& sink_;
    std::vector<uint8_t> reply_, pending_;
    bool open_ = true;
};

// A link whose answer to new line settings is fixed; records what it was asked.
class LineLink : public PolledLink {
public:
    LineLink(vorex::links::ReceiveSink& sink, vorex::links::LineChange answer)
        : PolledLink(sink, {}), answer_(answer) {}
    vorex::links::LineChange ChangeLine(int baud, int format) override {
        asked.emplace_back(baud, format);
        return answer_;
    }
    bool SwitchLine(int, int) override {
        ++switches;
        return true;
    }

    std::vector<std::pair<int, int>> asked;
    int switches = 0;

private:
    vorex::links::LineChange answer_;
};

} // namespace

TEST(LinkSeam, PolledLinkCarriesAnExchange) {
    CVorex_Port port;
    auto owned = std::make_unique<PolledLink>(port, Hex("02 01 00 04 31 32 35 37 04"));
    PolledLink& link = *owned;
    ASSERT_TRUE(port.AttachLink(std::move(owned)));
    port.SetTimeoutMs(200);
    port.Transmit() = {0xF0};
    ASSERT_TRUE(port.Exchange()) << "error " << port.LastError();
    std::vector<uint8_t> payload;
    ASSERT_TRUE(port.TakeAnswer(payload)) << "error " << port.LastError();
    EXPECT_EQ(payload, Hex("31 32 35 37"));
    EXPECT_EQ(link.sent, std::vector<std::vector<uint8_t>>{Hex("02 01 F0 00 F1")});
    EXPECT_EQ(link.discards, 1) << "unsent bytes of earlier frames are dropped first";
    EXPECT_GE(link.polls, 4) << "the wait polls until the answer is in";

    port.CloseLink();
    port.Transmit() = {0xF0};
    EXPECT_FALSE(port.Exchange());
    EXPECT_EQ(port.LastError(), 4) << "a closed link sends nothing: the exchange times out";
    EXPECT_EQ(link.sent.size(), 1u);
}

TEST(LinkSeam, TableHasTheSerialHidLanAndBluetoothKinds) {
    using vorex::LinkKind;
    const auto* serial = vorex::links::FindLink(LinkKind::Serial);
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->firstHandle, 1);
    const auto* lan = vorex::links::FindLink(LinkKind::Lan);
    ASSERT_NE(lan, nullptr);
    EXPECT_EQ(lan->firstHandle, 20001);
    const auto* hid = vorex::links::FindLink(LinkKind::Hid);
    ASSERT_NE(hid, nullptr);
    EXPECT_EQ(hid->firstHandle, 10001);
    const auto* bluetooth = vorex::links::FindLink(LinkKind::Bluetooth);
    ASSERT_NE(bluetooth, nullptr);
    EXPECT_EQ(bluetooth->firstHandle, 30001);
    EXPECT_EQ(vorex::links::FindLink(LinkKind::BluetoothRefused), nullptr);
    CVorex_Port port;
    EXPECT_FALSE(port.AttachLink(nullptr));
}

// The baud-rate command asks the link: a link that changed the line itself or that has
// none gets no command; a line to the reader is checked before the reader is told.
TEST(LinkSeam, BaudRateFollowsTheLinksAnswer) {
    using vorex::links::LineChange;
    const struct {
        LineChange answer;
        int baud;
        bool ok;
        int error;
    } cases[] = {
        {LineChange::Applied, 115200, true, 0},
        {LineChange::Unsupported, 115200, false, 14},
        {LineChange::ReaderMustFollow, 12345, false, 7}, // no code for the rate
    };
    for (const auto& c : cases) {
        CVorex_Port port;
        auto owned = std::make_unique<LineLink>(port, c.answer);
        LineLink& link = *owned;
        ASSERT_TRUE(port.AttachLink(std::move(owned)));
        EXPECT_EQ(vorex::SetBaudrate(port, c.baud, 1), c.ok) << c.baud;
        if (!c.ok) {
            EXPECT_EQ(port.LastError(), c.error);
        }
        EXPECT_EQ(link.asked, (std::vector<std::pair<int, int>>{{c.baud, 1}}));
        EXPECT_TRUE(link.sent.empty()) << "the reader is not told";
        EXPECT_EQ(link.switches, 0);
    }
    CVorex_Port unlinked;
    EXPECT_FALSE(vorex::SetBaudrate(unlinked, 115200, 0));
    EXPECT_EQ(unlinked.LastError(), 14);
}
