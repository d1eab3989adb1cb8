#include "sim/Conveyor.h"

#include "sim/Iso14443Commands.h"
#include "sim/Iso15693Tags.h"

#include <nlohmann/json.hpp>

namespace vsim {

namespace {

const std::pair<const char*, PageTag::Kind> kPageKinds[] = {
    {"ultralight", PageTag::Kind::Ultralight},
    {"ntag213", PageTag::Kind::Ntag213},
    {"ntag215", PageTag::Kind::Ntag215},
    {"ntag216", PageTag::Kind::Ntag216}};

bool IsClassic(const std::string& family) {
    return family == "classic1k" || family == "classic4k";
}

std::optional<PageTag::Kind> PageKind(const std::string& family) {
    for (const auto& [name, kind] : kPageKinds)
        if (family == name)
            return kind;
    return std::nullopt;
}

// A 32-bit number per tag: index times an odd constant plus the seed is a bijection
// modulo 2^32, so no two tags of a line share it.
uint32_t Mix(uint32_t seed, int index) {
    return static_cast<uint32_t>(index) * 0x9E3779B1u + seed * 0x85EBCA77u;
}

} // namespace

bool ConveyorFamilyKnown(const std::string& family) {
    return IsClassic(family) || PageKind(family) || FindIsoTagProfile(family);
}

Conveyor::Conveyor(ConveyorConfig config) : config_(std::move(config)) {}

Bytes Conveyor::UidOf(int index) const {
    const uint32_t v = Mix(config_.seed, config_.first + index);
    const auto b = [v](int shift) { return static_cast<uint8_t>(v >> shift); };
    if (IsClassic(config_.family)) {
        // Four-byte UIDs; 0x88 (cascade tag) never starts one.
        const uint8_t first = b(24) == 0x88 ? 0x89 : b(24);
        return {first, b(16), b(8), b(0)};
    }
    if (PageKind(config_.family))
        return {0x04, static_cast<uint8_t>(0x40 | (config_.seed & 0x3F)), b(24), b(16), b(8), b(0),
                0x80};
    const IsoTagProfile& p = *FindIsoTagProfile(config_.family);
    const uint8_t typeByte = static_cast<uint8_t>((config_.seed & ~p.typeMask) | p.typeBits);
    return {0xE0, p.manufacturer, p.chip, typeByte, b(24), b(16), b(8), b(0)};
}

void Conveyor::Show(ReaderModel& reader, int index, bool inField) {
    const bool inLine = index >= 0 && index < config_.count;
    const bool shown = inLine && inField;
    // Tags that passed while nobody asked are made too: every tag of the line exists.
    if (auto* iso = reader.FindCommandSet<Iso15693Commands>();
        iso && FindIsoTagProfile(config_.family)) {
        auto& tags = iso->Tags();
        if (base_ < 0)
            base_ = static_cast<int>(tags.size()); // after the scenario's own tags
        for (; inLine && fed_ <= index; ++fed_) {
            const Bytes msb = UidOf(fed_);
            std::array<uint8_t, 8> lsb{};
            for (size_t i = 0; i < 8; ++i)
                lsb[i] = msb[7 - i];
            tags.push_back(MakeIsoTag(*FindIsoTagProfile(config_.family), lsb));
        }
        for (size_t i = static_cast<size_t>(base_); i < tags.size(); ++i)
            tags[i].inField = shown && static_cast<int>(i) == base_ + index;
    } else if (auto* cards = reader.FindCommandSet<Iso14443Commands>()) {
        if (base_ < 0)
            base_ = static_cast<int>(cards->CardCount());
        for (; inLine && fed_ <= index; ++fed_) {
            if (IsClassic(config_.family))
                cards->AddCard(
                    std::make_unique<ClassicCard>(config_.family == "classic4k", UidOf(fed_)));
            else
                cards->AddCard(std::make_unique<PageTag>(*PageKind(config_.family), UidOf(fed_)));
        }
        if (shown)
            cards->SetField(base_ + index);
        else if (current_ >= 0)
            cards->SetField(-1);
    }
    current_ = shown ? index : -1;
}

std::optional<Reply> Conveyor::Handle(const Request&, ReaderModel& reader) {
    const Clock::time_point now = Clock::now();
    if (!start_)
        start_ = now;
    if (config_.intervalMs <= 0) {
        if (fed_ == 0)
            Show(reader, 0, true);
        return std::nullopt;
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - *start_).count();
    const int index = static_cast<int>(elapsed / config_.intervalMs);
    const int dwell = config_.dwellMs > 0 ? config_.dwellMs : config_.intervalMs;
    const bool inField = elapsed % config_.intervalMs < dwell;
    if (index != current_ || (!inField && current_ >= 0))
        Show(reader, index, inField);
    return std::nullopt;
}

std::string Conveyor::Next(ReaderModel& reader) {
    const Clock::time_point now = Clock::now();
    if (fed_ == 0)
        Show(reader, 0, true); // the first tag is there from the start
    const int next = fed_;
    if (config_.intervalMs > 0) {
        // The time slots move on so that the next tag's slot starts now.
        start_ = now - std::chrono::milliseconds(static_cast<int64_t>(next) * config_.intervalMs);
    } else {
        start_ = now;
    }
    Show(reader, next, true);
    if (next >= config_.count)
        return "ok line empty";
    std::string uid;
    char hex[4];
    for (uint8_t byte : UidOf(next)) {
        std::snprintf(hex, sizeof hex, "%02X", byte);
        uid += hex;
    }
    return "ok next " + uid;
}

bool ParseConveyor(const nlohmann::json& s, ConveyorConfig& c, std::string& error) {
    if (!s.is_object()) {
        error = "\"conveyor\" must be an object";
        return false;
    }
    const auto number = [&](const char* key, int max, int& out) {
        if (!s.contains(key))
            return true;
        const auto& v = s.at(key);
        if (!v.is_number_integer() || v.get<int64_t>() < 0 || v.get<int64_t>() > max) {
            error = std::string("conveyor \"") + key + "\" must be an integer from 0 to " +
                    std::to_string(max);
            return false;
        }
        out = v.get<int>();
        return true;
    };
    if (!s.contains("family") || !s.at("family").is_string() ||
        !ConveyorFamilyKnown(s.at("family").get<std::string>())) {
        error = "conveyor \"family\" must be ntag213, ntag215, ntag216, ultralight, classic1k, "
                "classic4k or an ISO 15693 tag type";
        return false;
    }
    c.family = s.at("family").get<std::string>();
    int seed = 1;
    if (!number("count", 1000000, c.count) || !number("interval_ms", 3600000, c.intervalMs) ||
        !number("dwell_ms", 3600000, c.dwellMs) || !number("seed", 0xFFFF, seed) ||
        !number("first", 1000000, c.first))
        return false;
    c.seed = static_cast<uint32_t>(seed);
    if (c.dwellMs > c.intervalMs && c.intervalMs > 0) {
        error = "conveyor \"dwell_ms\" cannot exceed \"interval_ms\"";
        return false;
    }
    return true;
}

} // namespace vsim
