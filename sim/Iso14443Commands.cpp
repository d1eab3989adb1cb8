#include "sim/Iso14443Commands.h"

#include "sim/MifareAccess.h"
#include "sim/Scenario.h"

#include <nlohmann/json.hpp>

namespace vsim {

using nlohmann::json;

bool HasSmallKeyStore(unsigned t) {
    return (t & 1) != 0 && ((t >= 0x190 && t <= 0x19F) || (t >= 0x400 && t <= 0x40F));
}

Iso14443Commands::Iso14443Commands(bool smallKeyStore)
    : small_(smallKeyStore), keysA_(static_cast<size_t>(KeySlots()), Bytes(6, 0xFF)),
      keysB_(small_ ? 0 : 16, Bytes(6, 0xFF)) {}

int Iso14443Commands::AddCard(std::unique_ptr<Card14443> card, std::string name) {
    cards_.push_back(std::move(card));
    names_.push_back(std::move(name));
    return static_cast<int>(cards_.size()) - 1;
}

int Iso14443Commands::FindCard(const std::string& nameOrIndex) const {
    for (size_t i = 0; i < names_.size(); ++i)
        if (!names_[i].empty() && names_[i] == nameOrIndex)
            return static_cast<int>(i);
    if (nameOrIndex.empty() || nameOrIndex.find_first_not_of("0123456789") != std::string::npos ||
        nameOrIndex.size() > 6)
        return -1;
    const size_t index = std::stoul(nameOrIndex);
    return index < cards_.size() ? static_cast<int>(index) : -1;
}

void Iso14443Commands::SetField(int index) {
    if (Card14443* old = InField())
        old->PowerOff();
    field_ = index >= 0 && static_cast<size_t>(index) < cards_.size() ? index : -1;
    if (Card14443* now = InField())
        now->PowerOff();
}

Card14443* Iso14443Commands::InField() {
    return field_ >= 0 ? cards_[static_cast<size_t>(field_)].get() : nullptr;
}

bool Iso14443Commands::SetKey(int keyType, int keyNumber, const Bytes& key) {
    if (key.size() != 6 || keyNumber < 0 || keyNumber >= KeySlots() || keyType < 0 || keyType > 1)
        return false;
    (small_ || keyType == 0 ? keysA_ : keysB_)[static_cast<size_t>(keyNumber)] = key;
    return true;
}

const Bytes& Iso14443Commands::Key(int keyType, int keyNumber) const {
    return (small_ || keyType == 0 ? keysA_ : keysB_).at(static_cast<size_t>(keyNumber));
}

std::optional<Reply> Iso14443Commands::Handle(const Request& r, ReaderModel&) {
    const Bytes& d = r.data;
    if (r.command < 0x30 || r.command > 0x3A || r.command == 0x32 || r.command == 0x36 ||
        r.command == 0x37)
        return std::nullopt;
    if (r.command == 0x39) {
        if (d.size() != 8)
            return Reply::Error(kWrongCount);
        if (!SetKey(d[0], d[1], Bytes(d.begin() + 2, d.end())))
            return Reply::Error(kNotWritable);
        return Reply::Ok();
    }
    Card14443* card = InField();
    if (!card)
        return Reply::Error(kNoTransponder);
    if (r.command == 0x30) {
        card->OnRequest();
        return Reply::Ok(
            {static_cast<uint8_t>(card->Atqa() & 0xFF), static_cast<uint8_t>(card->Atqa() >> 8)});
    }
    if (r.command == 0x31) {
        card->OnSelect();
        Bytes answer{card->Sak()};
        answer.insert(answer.end(), card->Uid().begin(), card->Uid().end());
        return Reply::Ok(answer);
    }
    // The other commands reach only a selected card; an idle card stays silent.
    switch (r.command) {
    case 0x33: {
        if (d.empty() || d.size() != static_cast<size_t>(d[0]) + 4)
            return Reply::Error(kWrongCount);
        if (card->CardState() != Card14443::State::Active)
            return Reply::Error(kNoTransponder);
        const size_t n = d[0];
        const uint8_t block = d[n + 1], keyType = d[n + 2], keyNumber = d[n + 3];
        // A 4-byte key is a Type 2 password: the reader sends PWD_AUTH (1B) with it.
        if (n == 4)
            return card->PasswordAuth(Bytes(d.begin() + 1, d.begin() + 5));
        Bytes key;
        if (n > 0)
            key.assign(d.begin() + 1, d.begin() + 1 + static_cast<long>(n));
        else if (keyNumber < KeySlots() && keyType <= 1)
            key = Key(keyType, keyNumber);
        return card->Authenticate(block, keyType != 0, key);
    }
    case 0x34:
        if (d.size() != 1)
            return Reply::Error(kWrongCount);
        if (card->CardState() != Card14443::State::Active)
            return Reply::Error(kNoTransponder);
        return card->Read(d[0]);
    case 0x35:
        if (d.empty())
            return Reply::Error(kWrongCount);
        if (card->CardState() != Card14443::State::Active)
            return Reply::Error(kNoTransponder);
        return card->Write(d[0], Bytes(d.begin() + 1, d.end()));
    case 0x38: {
        if (d.size() != 6)
            return Reply::Error(kWrongCount);
        if (card->CardState() != Card14443::State::Active)
            return Reply::Error(kNoTransponder);
        const auto v = static_cast<int32_t>(static_cast<uint32_t>(d[2] | d[3] << 8 | d[4] << 16) |
                                            static_cast<uint32_t>(d[5]) << 24);
        return card->Value(d[0], d[1], v);
    }
    case 0x3A:
        if (d.size() != 1)
            return Reply::Error(kWrongCount);
        if (card->CardState() != Card14443::State::Active)
            return Reply::Error(kNoTransponder);
        return card->SelectSector(d[0]);
    default:
        return Reply::Error(kUnknownCommand);
    }
}

// ---- Scenario section -------------------------------------------------------------

namespace {

bool HexField(const json& j, size_t size, Bytes& out) {
    return j.is_string() && ParseHex(j.get<std::string>(), out) && out.size() == size;
}

// "12", "0x105" or a number.
bool IndexField(const std::string& text, long max, long& out) {
    try {
        size_t used = 0;
        out = std::stol(text, &used, 0);
        return used == text.size() && out >= 0 && out <= max;
    } catch (const std::exception&) {
        return false;
    }
}

bool ParseKeys(const json& section, const char* name, int slots, Iso14443Commands& set, int keyType,
               std::string& error) {
    if (!section.contains(name))
        return true;
    const json& list = section.at(name);
    if (!list.is_array() || list.size() > static_cast<size_t>(slots)) {
        error = std::string("\"") + name + "\" must be a list of at most " + std::to_string(slots) +
                " keys";
        return false;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        Bytes key;
        if (!HexField(list[i], 6, key)) {
            error =
                std::string("\"") + name + "\"[" + std::to_string(i) + "] must be 12 hex digits";
            return false;
        }
        set.SetKey(keyType, static_cast<int>(i), key);
    }
    return true;
}

bool ParseClassic(const json& c, ClassicCard& card, std::string& error) {
    if (c.contains("sectors")) {
        if (!c.at("sectors").is_object()) {
            error = "\"sectors\" must be an object";
            return false;
        }
        for (const auto& [name, s] : c.at("sectors").items()) {
            long sector;
            if (!IndexField(name, card.SectorCount() - 1, sector) || !s.is_object()) {
                error = "sector \"" + name + "\" does not exist on this card";
                return false;
            }
            Bytes& t = card.Block(card.TrailerOf(static_cast<int>(sector)));
            Bytes b;
            if (s.contains("key_a")) {
                if (!HexField(s.at("key_a"), 6, b)) {
                    error = "sector " + name + ": \"key_a\" must be 12 hex digits";
                    return false;
                }
                std::copy(b.begin(), b.end(), t.begin());
            }
            if (s.contains("key_b")) {
                if (!HexField(s.at("key_b"), 6, b)) {
                    error = "sector " + name + ": \"key_b\" must be 12 hex digits";
                    return false;
                }
                std::copy(b.begin(), b.end(), t.begin() + 10);
            }
            if (s.contains("access")) {
                const json& a = s.at("access");
                mifare::Conditions cond{};
                bool ok = a.is_array() && a.size() == 4;
                for (size_t i = 0; ok && i < 4; ++i) {
                    ok = a[i].is_number_integer() && a[i].get<int>() >= 0 && a[i].get<int>() <= 7;
                    if (ok)
                        cond[i] = a[i].get<int>();
                }
                if (!ok) {
                    error = "sector " + name + ": \"access\" must be four numbers 0..7";
                    return false;
                }
                const auto bytes = mifare::EncodeAccess(cond);
                std::copy(bytes.begin(), bytes.end(), t.begin() + 6);
            }
            if (s.contains("access_bytes")) {
                if (!HexField(s.at("access_bytes"), 3, b)) {
                    error = "sector " + name + ": \"access_bytes\" must be 3 hex bytes";
                    return false;
                }
                std::copy(b.begin(), b.end(), t.begin() + 6);
            }
            if (s.contains("user_byte")) {
                if (!HexField(s.at("user_byte"), 1, b)) {
                    error = "sector " + name + ": \"user_byte\" must be one hex byte";
                    return false;
                }
                t[9] = b[0];
            }
        }
    }
    if (c.contains("values")) {
        if (!c.at("values").is_object()) {
            error = "\"values\" must be an object";
            return false;
        }
        for (const auto& [name, v] : c.at("values").items()) {
            long block;
            if (!IndexField(name, card.BlockCount() - 1, block) || !v.is_number_integer()) {
                error = "value block \"" + name + "\" needs a block of the card and a number";
                return false;
            }
            const auto value = static_cast<uint32_t>(v.get<int32_t>());
            Bytes& b = card.Block(static_cast<int>(block));
            for (int i = 0; i < 4; ++i) {
                b[static_cast<size_t>(i)] = b[static_cast<size_t>(8 + i)] =
                    static_cast<uint8_t>(value >> (8 * i));
                b[static_cast<size_t>(4 + i)] = static_cast<uint8_t>(~value >> (8 * i));
            }
            const auto addr = static_cast<uint8_t>(block);
            b[12] = b[14] = addr;
            b[13] = b[15] = static_cast<uint8_t>(~addr);
        }
    }
    if (c.contains("blocks")) {
        if (!c.at("blocks").is_object()) {
            error = "\"blocks\" must be an object";
            return false;
        }
        for (const auto& [name, v] : c.at("blocks").items()) {
            long block;
            Bytes b;
            if (!IndexField(name, card.BlockCount() - 1, block) || !HexField(v, 16, b)) {
                error = "block \"" + name + "\" needs a block of the card and 16 hex bytes";
                return false;
            }
            card.Block(static_cast<int>(block)) = b;
        }
    }
    return true;
}

bool ParsePages(const json& c, PageTag& tag, std::string& error) {
    if (!c.contains("pages"))
        return true;
    if (!c.at("pages").is_object()) {
        error = "\"pages\" must be an object";
        return false;
    }
    for (const auto& [name, v] : c.at("pages").items()) {
        long page;
        Bytes b;
        if (!IndexField(name, tag.PageCount() - 1, page)) {
            error = "page \"" + name + "\" does not exist on this tag";
            return false;
        }
        // Several pages may be given at once from a starting page.
        if (!v.is_string() || !ParseHex(v.get<std::string>(), b) || b.empty() || b.size() % 4 ||
            page + static_cast<long>(b.size() / 4) > tag.PageCount()) {
            error = "page \"" + name + "\" needs a multiple of 4 hex bytes inside the tag";
            return false;
        }
        for (size_t i = 0; i < b.size(); i += 4)
            tag.Page(static_cast<int>(page + static_cast<long>(i / 4))) =
                Bytes(b.begin() + static_cast<long>(i), b.begin() + static_cast<long>(i + 4));
    }
    return true;
}

// NTAG21x password protection: "pwd", "pack", "auth0", "prot", "authlim", "cfglck",
// written into the configuration pages after "pages".
bool ParseNtagConfig(const json& c, PageTag& tag, std::string& error) {
    static const char* const kKeys[] = {"pwd", "pack", "auth0", "prot", "authlim", "cfglck"};
    bool any = false;
    for (const char* k : kKeys)
        any = any || c.contains(k);
    if (!any)
        return true;
    if (tag.Cfg0Page() < 0) {
        error = "only NTAG213/215/216 have a password";
        return false;
    }
    Bytes b;
    if (c.contains("pwd")) {
        if (!HexField(c.at("pwd"), 4, b)) {
            error = "\"pwd\" must be 4 hex bytes";
            return false;
        }
        tag.Page(tag.PwdPage()) = b;
    }
    if (c.contains("pack")) {
        if (!HexField(c.at("pack"), 2, b)) {
            error = "\"pack\" must be 2 hex bytes";
            return false;
        }
        std::copy(b.begin(), b.end(), tag.Page(tag.PackPage()).begin());
    }
    const auto number = [&](const char* key, int max, int& out) {
        if (!c.contains(key))
            return true;
        const json& v = c.at(key);
        if (!v.is_number_integer() || v.get<int>() < 0 || v.get<int>() > max) {
            error =
                std::string("\"") + key + "\" must be a number from 0 to " + std::to_string(max);
            return false;
        }
        out = v.get<int>();
        return true;
    };
    const auto flag = [&](const char* key, uint8_t bit) {
        if (!c.contains(key))
            return true;
        if (!c.at(key).is_boolean()) {
            error = std::string("\"") + key + "\" must be true or false";
            return false;
        }
        uint8_t& access = tag.Page(tag.Cfg1Page())[0];
        access = static_cast<uint8_t>(c.at(key).get<bool>() ? access | bit : access & ~bit);
        return true;
    };
    int auth0 = tag.Page(tag.Cfg0Page())[3];
    int authlim = tag.Page(tag.Cfg1Page())[0] & 0x07;
    if (!number("auth0", 255, auth0) || !number("authlim", 7, authlim) || !flag("prot", 0x80) ||
        !flag("cfglck", 0x40))
        return false;
    tag.Page(tag.Cfg0Page())[3] = static_cast<uint8_t>(auth0);
    uint8_t& access = tag.Page(tag.Cfg1Page())[0];
    access = static_cast<uint8_t>((access & ~0x07) | authlim);
    return true;
}

std::unique_ptr<Card14443> ParseCard(const json& c, size_t index, std::string& error) {
    const std::string where = "card " + std::to_string(index) + ": ";
    if (!c.is_object() || !c.contains("type") || !c.at("type").is_string()) {
        error = where + "needs a \"type\"";
        return nullptr;
    }
    const std::string type = c.at("type").get<std::string>();
    Bytes uid;
    if (!c.contains("uid") || !c.at("uid").is_string() ||
        !ParseHex(c.at("uid").get<std::string>(), uid)) {
        error = where + "needs a \"uid\" in hex";
        return nullptr;
    }
    if (type == "classic1k" || type == "classic4k") {
        if (uid.size() != 4 && uid.size() != 7) {
            error = where + "a MIFARE Classic UID has 4 or 7 bytes";
            return nullptr;
        }
        auto card = std::make_unique<ClassicCard>(type == "classic4k", uid);
        if (!ParseClassic(c, *card, error)) {
            error = where + error;
            return nullptr;
        }
        return card;
    }
    static const std::pair<const char*, PageTag::Kind> kinds[] = {
        {"ultralight", PageTag::Kind::Ultralight},
        {"ntag213", PageTag::Kind::Ntag213},
        {"ntag215", PageTag::Kind::Ntag215},
        {"ntag216", PageTag::Kind::Ntag216},
        {"type2", PageTag::Kind::Type2}};
    for (const auto& [name, kind] : kinds) {
        if (type != name)
            continue;
        if (uid.size() != 7) {
            error = where + "a " + type + " UID has 7 bytes";
            return nullptr;
        }
        int pages = 0;
        if (kind == PageTag::Kind::Type2) {
            const json pc = c.value("page_count", json());
            if (!pc.is_number_integer() || pc.get<int>() < 16 || pc.get<int>() > 256 * 256) {
                error = where + "a type2 tag needs \"page_count\" from 16 to 65536";
                return nullptr;
            }
            pages = pc.get<int>();
        }
        auto tag = std::make_unique<PageTag>(kind, uid, pages);
        if (!ParsePages(c, *tag, error) || !ParseNtagConfig(c, *tag, error)) {
            error = where + error;
            return nullptr;
        }
        return tag;
    }
    error = where + "unknown type \"" + type + "\"";
    return nullptr;
}

} // namespace

std::unique_ptr<Iso14443Commands> ParseIso14443(const json& s, unsigned deviceType,
                                                std::string& error) {
    if (!s.is_object()) {
        error = "\"iso14443\" must be an object";
        return nullptr;
    }
    try {
        bool small = HasSmallKeyStore(deviceType);
        if (s.contains("key_store_size")) {
            const json& k = s.at("key_store_size");
            if (!k.is_number_integer() || (k.get<int>() != 12 && k.get<int>() != 16)) {
                error = "\"key_store_size\" must be 12 or 16";
                return nullptr;
            }
            small = k.get<int>() == 12;
        }
        auto set = std::make_unique<Iso14443Commands>(small);
        if (small) {
            if (!ParseKeys(s, "keys", 12, *set, 0, error))
                return nullptr;
        } else if (!ParseKeys(s, "keys_a", 16, *set, 0, error) ||
                   !ParseKeys(s, "keys_b", 16, *set, 1, error)) {
            return nullptr;
        }
        if (s.contains("cards")) {
            if (!s.at("cards").is_array()) {
                error = "\"cards\" must be an array";
                return nullptr;
            }
            for (size_t i = 0; i < s.at("cards").size(); ++i) {
                auto card = ParseCard(s.at("cards")[i], i, error);
                if (!card)
                    return nullptr;
                const json& c = s.at("cards")[i];
                std::string name;
                if (c.contains("name")) {
                    if (!c.at("name").is_string() || c.at("name").get<std::string>().empty() ||
                        set->FindCard(c.at("name").get<std::string>()) >= 0) {
                        error = "card " + std::to_string(i) + ": \"name\" must be a new name";
                        return nullptr;
                    }
                    name = c.at("name").get<std::string>();
                }
                set->AddCard(std::move(card), std::move(name));
            }
        }
        int field = set->CardCount() > 0 ? 0 : -1;
        if (s.contains("field")) {
            const json& f = s.at("field");
            if (f.is_null()) {
                field = -1;
            } else if (!f.is_number_integer() || f.get<int>() < 0 ||
                       static_cast<size_t>(f.get<int>()) >= set->CardCount()) {
                error = "\"field\" must be the index of a card or null";
                return nullptr;
            } else {
                field = f.get<int>();
            }
        }
        set->SetField(field);
        return set;
    } catch (const json::exception& e) {
        error = std::string("iso14443: ") + e.what();
        return nullptr;
    }
}

} // namespace vsim
