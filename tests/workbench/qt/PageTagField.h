#pragma once
// A stand-in reader with ISO 14443 cards for the Ultralight and NFC Type 2 workbench
// tests: an open connection to it, the card in the field, and what was sent.
#include "cards/CardTypes.h"
#include "sim/Iso14443Cards.h"
#include "sim/Iso14443Commands.h"
#include "tests/workbench/qt/WorkbenchFixture.h"

#include <QtTest>
#include <nlohmann/json.hpp>

namespace vtest {

// The page tags and MIFARE cards the tests put on the reader, by name.
inline constexpr const char* kPageTagCards = R"({
  "cards": [
    {"type": "ultralight", "name": "ultralight", "uid": "04 C2 5E 1A 73 40 80",
     "pages": {"4": "0A 0B 0C 0D 56 4F 52 45"}},
    {"type": "ultralight", "name": "ultralight-locked", "uid": "04 C2 5E 1A 73 40 81",
     "pages": {"2": "A9 48 10 00"}},
    {"type": "ntag213", "name": "ntag213", "uid": "04 8F 2D 6A E1 52 80",
     "pages": {"4": "03 12 D1 01 0E 55 04 76 6F 72 65 78 2E 65 78 61 6D 70 6C 65 FE 00 00 00"}},
    {"type": "ntag216", "name": "ntag216", "uid": "04 3B 94 0C 27 71 80"},
    {"type": "type2", "name": "type2", "uid": "04 61 19 D2 8A 33 80", "page_count": 512,
     "pages": {"0x105": "56 4F 52 45"}},
    {"type": "ntag215", "name": "ntag215-password", "uid": "04 72 C8 1E 5A 90 80",
     "pages": {"4": "03 0C D1 01 08 54 02 64 65 56 6F 72 65 78 FE 00",
               "0x10": "50 52 4F 54 45 43 54 45 44 00 00 00"},
     "pwd": "56 4F 52 58", "pack": "4F 4B", "auth0": 16, "prot": true},
    {"type": "classic1k", "name": "classic1k", "uid": "3E 7A 91 C4"},
    {"type": "classic4k", "name": "classic4k", "uid": "04 5A 3C 21 9B 6E 80"}
  ]})";

// The refusal of a write whose grid shows `shown` while `inField` answers.
inline QString OtherTagRefusal(const QString& shown, const QString& inField) {
    return "Nichts geschrieben: im Feld ist " + inField + ", angezeigt werden aber die Daten von " +
           shown + ".";
}

struct PageTagField : ReaderField {
    vsim::Iso14443Commands* cards = nullptr;

    explicit PageTagField(const char* card, bool connect = true)
        : ReaderField(std::make_unique<SimReader>(Config())) {
        std::string error;
        auto set = vsim::ParseIso14443(nlohmann::json::parse(kPageTagCards), 0x411, error);
        if (!set)
            qFatal("bad cards: %s", error.c_str());
        cards = set.get();
        sim->Model().AddCommandSet(std::move(set));
        Put(card);
        if (connect)
            Connect();
    }
    static vsim::ReaderConfig Config() {
        vsim::ReaderConfig config;
        config.deviceType = "411";
        return config;
    }
    void Put(const char* card) {
        auto lock = sim->Model().Lock();
        cards->SetField(cards->FindCard(card));
    }
    // Page p of the card in the field as "0A0B0C0D".
    std::string Page(int p) {
        auto lock = sim->Model().Lock();
        auto& tag = static_cast<vsim::PageTag&>(cards->Card(static_cast<size_t>(cards->Field())));
        const vsim::Bytes& b = tag.Page(p);
        return vorex::cards::Hex(b.data(), b.size());
    }
    // Requests with this command code; for a page write (35) only those to `page`.
    int Requests(uint8_t command, int page = -1) {
        return Count([command, page](const vsim::Request& r) {
            return r.command == command && (page < 0 || (!r.data.empty() && r.data[0] == page));
        });
    }
    // Pages written, in order.
    std::vector<int> Written() {
        std::vector<int> pages;
        for (const vsim::Request& r : sim->Model().Requests())
            if (r.command == 0x35 && !r.data.empty())
                pages.push_back(r.data[0]);
        return pages;
    }
};

} // namespace vtest
