#include "cards/ClassicDump.h"

#include <cctype>
#include <nlohmann/json.hpp>

namespace vorex::cards::mifare {

using nlohmann::json;

namespace {

// Hex digits, blanks allowed between bytes; exactly `size` bytes unless size is 0.
bool FromHex(const json& j, size_t size, std::vector<uint8_t>& out) {
    out.clear();
    if (!j.is_string())
        return false;
    const std::string& s = j.get_ref<const std::string&>();
    int high = -1;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isspace(c)) {
            if (high >= 0)
                return false;
            continue;
        }
        if (!std::isxdigit(c))
            return false;
        const int v = std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return high < 0 && (size == 0 || out.size() == size);
}

bool OptionalKey(const json& sector, const char* name, std::optional<Key>& key,
                 std::string& error) {
    if (!sector.contains(name) || sector.at(name).is_null())
        return true;
    std::vector<uint8_t> b;
    if (!FromHex(sector.at(name), 6, b)) {
        error = std::string("\"") + name + "\" must be 12 hex digits or null";
        return false;
    }
    key.emplace();
    std::copy(b.begin(), b.end(), key->begin());
    return true;
}

bool ParseJson(const std::string& content, ClassicDump& dump, std::string& error) {
    const json j = json::parse(content, nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        error = "not a JSON object";
        return false;
    }
    if (!j.contains("blocks") || !j.at("blocks").is_array() ||
        (j.at("blocks").size() != 64 && j.at("blocks").size() != 256)) {
        error = "\"blocks\" must be a list of 64 or 256 blocks";
        return false;
    }
    const json& blocks = j.at("blocks");
    dump.blocks.assign(blocks.size(), std::nullopt);
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].is_null())
            continue;
        std::vector<uint8_t> b;
        if (!FromHex(blocks[i], 16, b)) {
            error = "block " + std::to_string(i) + " must be 32 hex digits or null";
            return false;
        }
        dump.blocks[i].emplace();
        std::copy(b.begin(), b.end(), dump.blocks[i]->begin());
    }
    if (j.contains("type")) {
        const json& t = j.at("type");
        if (!t.is_string() || (t != "classic1k" && t != "classic4k") ||
            (t == "classic4k") != dump.Is4k()) {
            error = "\"type\" does not match the number of blocks";
            return false;
        }
    }
    if (j.contains("uid") && !FromHex(j.at("uid"), 0, dump.uid)) {
        error = "\"uid\" must be hex";
        return false;
    }
    for (const auto& [name, target] : {std::pair<const char*, int*>{"sak", &dump.sak},
                                       std::pair<const char*, int*>{"atqa", &dump.atqa}}) {
        if (!j.contains(name))
            continue;
        const json& v = j.at(name);
        if (!v.is_number_integer() || v.get<long long>() < 0 || v.get<long long>() > 0xFFFF) {
            error = std::string("\"") + name + "\" must be a number";
            return false;
        }
        *target = static_cast<int>(v.get<long long>());
    }
    const size_t sectors = static_cast<size_t>(SectorCount(dump.Is4k()));
    dump.keys.assign(sectors, SectorKeys{});
    if (j.contains("sectors")) {
        const json& list = j.at("sectors");
        if (!list.is_array()) {
            error = "\"sectors\" must be a list";
            return false;
        }
        for (const json& s : list) {
            if (!s.is_object() || !s.contains("sector") || !s.at("sector").is_number_integer() ||
                s.at("sector").get<long long>() < 0 ||
                s.at("sector").get<long long>() >= static_cast<long long>(sectors)) {
                error = "each sector needs a \"sector\" number of the card";
                return false;
            }
            SectorKeys& k = dump.keys[static_cast<size_t>(s.at("sector").get<long long>())];
            if (!OptionalKey(s, "key_a", k.keyA, error) || !OptionalKey(s, "key_b", k.keyB, error))
                return false;
        }
    }
    return true;
}

} // namespace

bool ParseDump(const std::string& content, ClassicDump& dump, std::string& error) {
    dump = ClassicDump{};
    size_t first = 0;
    while (first < content.size() && std::isspace(static_cast<unsigned char>(content[first])))
        ++first;
    try {
        if (first < content.size() && content[first] == '{')
            return ParseJson(content, dump, error);
    } catch (const std::exception& e) {
        dump = ClassicDump{};
        error = std::string("bad JSON dump: ") + e.what();
        return false;
    }
    if (content.size() != 1024 && content.size() != 4096) {
        error = "a binary dump has 1024 (1K) or 4096 (4K) bytes, this one " +
                std::to_string(content.size());
        return false;
    }
    dump.blocks.resize(content.size() / 16);
    for (size_t i = 0; i < dump.blocks.size(); ++i) {
        dump.blocks[i].emplace();
        for (size_t k = 0; k < 16; ++k)
            (*dump.blocks[i])[k] = static_cast<uint8_t>(content[i * 16 + k]);
    }
    // The UID of a 4-byte card is in block 0 (checked by its BCC); 7-byte ones are not
    // recognisable from the block alone.
    const Block& b0 = *dump.blocks[0];
    if ((b0[0] ^ b0[1] ^ b0[2] ^ b0[3]) == b0[4])
        dump.uid.assign(b0.begin(), b0.begin() + 4);
    return true;
}

std::string UnreadList(const ClassicDump& dump) {
    std::string out = "# blocks the dump could not read (zeros in the binary dump)\n";
    for (size_t b = 0; b < dump.blocks.size(); ++b)
        if (!dump.blocks[b])
            out += std::to_string(b) + "\n";
    return out;
}

bool ApplyUnreadList(const std::string& content, ClassicDump& dump, std::string& error) {
    size_t at = 0, line = 0;
    while (at < content.size()) {
        size_t end = content.find('\n', at);
        if (end == std::string::npos)
            end = content.size();
        std::string text = content.substr(at, end - at);
        at = end + 1;
        ++line;
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
            text.pop_back();
        size_t first = 0;
        while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first])))
            ++first;
        text.erase(0, first);
        if (text.empty() || text[0] == '#')
            continue;
        size_t block = 0;
        bool ok = text.size() <= 3;
        for (char c : text) {
            ok = ok && std::isdigit(static_cast<unsigned char>(c));
            block = block * 10 + static_cast<size_t>(c - '0');
        }
        if (!ok || block >= dump.blocks.size()) {
            error = "line " + std::to_string(line) + " is no block number of the card";
            return false;
        }
        dump.blocks[block].reset();
    }
    return true;
}

std::string ToBinary(const ClassicDump& dump) {
    std::string out;
    for (const auto& b : dump.blocks) {
        if (b)
            out.append(reinterpret_cast<const char*>(b->data()), 16);
        else
            out.append(16, '\0');
    }
    return out;
}

std::string ToJson(const ClassicDump& dump) {
    json blocks = json::array();
    for (const auto& b : dump.blocks)
        blocks.push_back(b ? json(Hex(b->data(), 16)) : json(nullptr));
    json sectors = json::array();
    for (size_t s = 0; s < dump.keys.size(); ++s) {
        const SectorKeys& k = dump.keys[s];
        sectors.push_back({{"sector", s},
                           {"key_a", k.keyA ? json(Hex(k.keyA->data(), 6)) : json(nullptr)},
                           {"key_b", k.keyB ? json(Hex(k.keyB->data(), 6)) : json(nullptr)}});
    }
    json j{{"type", dump.Is4k() ? "classic4k" : "classic1k"},
           {"uid", Hex(dump.uid.data(), dump.uid.size())},
           {"blocks", blocks},
           {"sectors", sectors}};
    if (dump.sak >= 0)
        j["sak"] = dump.sak;
    if (dump.atqa >= 0)
        j["atqa"] = dump.atqa;
    return j.dump(1) + "\n";
}

} // namespace vorex::cards::mifare
