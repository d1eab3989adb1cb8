#include "tests/production/ProductionLine.h"

#include "cards/CardTypes.h"
#include "sim/Conveyor.h"
#include "sim/Iso14443Commands.h"
#include "sim/Iso15693Tags.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vorex/vorex.h>

namespace vtest {

ProductionLine::ProductionLine(const std::string& family, int count,
                               const std::string& scenarioExtra, const std::string& conveyorExtra) {
    sim_ = SimReader::FromScenario(R"({"conveyor": {"family": ")" + family + R"(", "count": )" +
                                   std::to_string(count) +
                                   (conveyorExtra.empty() ? "" : ", " + conveyorExtra) + "}" +
                                   (scenarioExtra.empty() ? "" : ", " + scenarioExtra) + "}");
    handle_ = VOREX_OpenPort(sim_->Path().c_str(), 19200, 500);
    EXPECT_GT(handle_, 0);
}

ProductionLine::~ProductionLine() {
    if (handle_ > 0)
        VOREX_ClosePort(handle_);
}

void ProductionLine::Next() {
    auto lock = sim_->Model().Lock();
    sim_->Model().FindCommandSet<vsim::Conveyor>()->Next(sim_->Model());
}

std::vector<uint8_t> ProductionLine::Memory(const std::string& uid) {
    auto lock = sim_->Model().Lock();
    if (auto* iso = sim_->Model().FindCommandSet<vsim::Iso15693Commands>())
        for (const auto& t : iso->Tags()) {
            std::vector<uint8_t> msb(t.uid.rbegin(), t.uid.rend());
            if (vorex::cards::Hex(msb.data(), msb.size()) == uid)
                return t.memory;
        }
    if (auto* cards = sim_->Model().FindCommandSet<vsim::Iso14443Commands>())
        for (size_t i = 0; i < cards->CardCount(); ++i) {
            auto& card = cards->Card(i);
            if (vorex::cards::Hex(card.Uid().data(), card.Uid().size()) != uid)
                continue;
            std::vector<uint8_t> out;
            if (auto* page = dynamic_cast<vsim::PageTag*>(&card))
                for (int p = 0; p < page->PageCount(); ++p)
                    out.insert(out.end(), page->Page(p).begin(), page->Page(p).end());
            if (auto* classic = dynamic_cast<vsim::ClassicCard*>(&card))
                for (int b = 0; b < classic->BlockCount(); ++b)
                    out.insert(out.end(), classic->Block(b).begin(), classic->Block(b).end());
            return out;
        }
    return {};
}

bool ProductionLine::Locked(const std::string& uid) {
    {
        auto lock = sim_->Model().Lock();
        if (auto* iso = sim_->Model().FindCommandSet<vsim::Iso15693Commands>())
            for (const auto& t : iso->Tags()) {
                std::vector<uint8_t> msb(t.uid.rbegin(), t.uid.rend());
                if (vorex::cards::Hex(msb.data(), msb.size()) == uid)
                    return std::find(t.locked.begin(), t.locked.end(), true) != t.locked.end();
            }
    }
    const std::vector<uint8_t> m = Memory(uid);
    if (m.size() < 16)
        return false;
    if (m.size() <= 231 * 4) // page tag: static lock bytes of page 2
        return m[10] != 0 || m[11] != 0;
    // MIFARE Classic: every trailer still FFFFFFFFFFFF FF0780 69 FFFFFFFFFFFF?
    for (size_t sector = 0;; ++sector) {
        const size_t block = sector < 32 ? sector * 4 + 3 : 128 + (sector - 32) * 16 + 15;
        if (block * 16 + 16 > m.size())
            break;
        const uint8_t* t = m.data() + block * 16;
        if (std::any_of(t, t + 6, [](uint8_t b) { return b != 0xFF; }) || t[6] != 0xFF ||
            t[7] != 0x07 || t[8] != 0x80)
            return true;
    }
    return false;
}

bool Contains(const std::vector<uint8_t>& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

} // namespace vtest
