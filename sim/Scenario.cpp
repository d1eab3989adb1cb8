#include "sim/Scenario.h"

#include "sim/Conveyor.h"
#include "sim/DeviceCommands.h"
#include "sim/Iso14443Commands.h"
#include "sim/Iso15693Tags.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

namespace vsim {

using nlohmann::json;

bool ParseHex(const std::string& text, Bytes& out) {
    out.clear();
    int high = -1;
    for (char ch : text) {
        if (std::isspace(static_cast<unsigned char>(ch)) || ch == ':' || ch == ',') {
            if (high >= 0)
                return false; // a lone digit
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(ch)))
            return false;
        const int v = std::isdigit(static_cast<unsigned char>(ch))
                          ? ch - '0'
                          : std::tolower(static_cast<unsigned char>(ch)) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return high < 0;
}

namespace {

bool ReadByte(const json& j, int& out) {
    if (j.is_number_integer()) {
        out = j.get<int>();
        return out >= 0 && out <= 255;
    }
    Bytes b;
    if (j.is_string() && ParseHex(j.get<std::string>(), b) && b.size() == 1) {
        out = b[0];
        return true;
    }
    return false;
}

bool ReadBytes(const json& j, Bytes& out) {
    if (j.is_string())
        return ParseHex(j.get<std::string>(), out);
    if (!j.is_array())
        return false;
    out.clear();
    for (const auto& e : j) {
        int v;
        if (!ReadByte(e, v))
            return false;
        out.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

bool ParseReader(const json& r, ReaderConfig& c, std::string& error) {
    if (!r.is_object()) {
        error = "\"reader\" must be an object";
        return false;
    }
    try {
        if (r.contains("device_type")) {
            c.deviceType = r.at("device_type").get<std::string>();
            if (c.deviceType.size() != 3) {
                error = "\"device_type\" must be three hex digits";
                return false;
            }
        }
        if (r.contains("revision")) {
            const auto rev = r.at("revision").get<std::string>();
            if (rev.size() != 1) {
                error = "\"revision\" must be one character";
                return false;
            }
            c.revision = rev[0];
        }
        c.variant = r.value("variant", c.variant);
        if (c.variant < 0 || c.variant > 3) {
            error = "\"variant\" must be 0 to 3";
            return false;
        }
        const int address = r.value("address", static_cast<int>(c.address));
        if (address < 0 || address > 255) {
            error = "\"address\" must be 0 to 255";
            return false;
        }
        c.address = static_cast<uint8_t>(address);
        c.baud = r.value("baud", c.baud);
        c.format = r.value("format", c.format);
        if (c.format < 0 || c.format > 3) {
            error = "\"format\" must be 0 to 3";
            return false;
        }
        c.wireTime = r.value("wire_time", c.wireTime);
        c.usbMode = r.value("usb_mode", c.usbMode);
        c.factoryResetDelayMs = r.value("factory_reset_delay_ms", c.factoryResetDelayMs);
        c.interByteTimeoutMs = r.value("inter_byte_timeout_ms", c.interByteTimeoutMs);
        for (const char* key : {"settings", "identification", "fv_answer"}) {
            if (!r.contains(key))
                continue;
            Bytes b;
            if (!ReadBytes(r.at(key), b)) {
                error = std::string("\"") + key + "\" must be hex bytes";
                return false;
            }
            if (std::string(key) == "settings")
                c.settings = b;
            else if (std::string(key) == "identification")
                c.identification = b;
            else
                c.fvAnswer = b;
        }
    } catch (const json::exception& e) {
        error = std::string("reader: ") + e.what();
        return false;
    }
    return true;
}

} // namespace

bool ParseFault(const json& j, Fault& f, std::string& error) {
    static const std::pair<const char*, Fault::Kind> kinds[] = {
        {"no_answer", Fault::Kind::NoAnswer}, {"delay", Fault::Kind::Delay},
        {"garbage", Fault::Kind::Garbage},    {"bad_checksum", Fault::Kind::BadChecksum},
        {"trailing", Fault::Kind::Trailing},  {"status", Fault::Kind::Status},
        {"drop_link", Fault::Kind::DropLink}};
    if (!j.is_object() || !j.contains("kind") || !j.at("kind").is_string()) {
        error = "a fault needs a \"kind\"";
        return false;
    }
    const std::string kind = j.at("kind").get<std::string>();
    bool known = false;
    for (const auto& [name, k] : kinds)
        if (kind == name) {
            f.kind = k;
            known = true;
        }
    if (!known) {
        error = "unknown fault kind \"" + kind + "\"";
        return false;
    }
    try {
        f.ms = j.value("ms", 0);
        f.skip = j.value("skip", 0);
        f.times = j.value("times", 1);
        if (j.contains("command") && !ReadByte(j.at("command"), f.command)) {
            error = "fault \"command\" must be one byte";
            return false;
        }
        if (j.contains("bytes") && !ReadBytes(j.at("bytes"), f.bytes)) {
            error = "fault \"bytes\" must be hex bytes";
            return false;
        }
        int status = 0;
        if (j.contains("status")) {
            if (!ReadByte(j.at("status"), status)) {
                error = "fault \"status\" must be one byte";
                return false;
            }
            f.status = static_cast<uint8_t>(status);
        }
    } catch (const json::exception& e) {
        error = std::string("fault: ") + e.what();
        return false;
    }
    return true;
}

std::unique_ptr<ReaderModel> LoadScenario(const json& s, std::string& error) {
    if (!s.is_object()) {
        error = "a scenario must be a JSON object";
        return nullptr;
    }
    ReaderConfig config;
    if (s.contains("reader") && !ParseReader(s.at("reader"), config, error))
        return nullptr;
    auto model = std::make_unique<ReaderModel>(config);
    // The conveyor comes first: it moves its line of tags before a request is handled.
    ConveyorConfig line;
    if (s.contains("conveyor")) {
        if (!ParseConveyor(s.at("conveyor"), line, error))
            return nullptr;
        model->AddCommandSet(std::make_unique<Conveyor>(line));
    }
    model->AddCommandSet(std::make_unique<DeviceCommands>());
    if (s.contains("iso15693")) {
        std::vector<IsoTag> tags;
        Iso15693Commands::TagSets sets;
        if (!ParseIso15693(s.at("iso15693"), tags, sets, error))
            return nullptr;
        auto iso = std::make_unique<Iso15693Commands>(std::move(tags));
        iso->SetTagSets(std::move(sets));
        model->AddCommandSet(std::move(iso));
    }
    if (s.contains("iso14443")) {
        auto cards = ParseIso14443(
            s.at("iso14443"),
            static_cast<unsigned>(std::strtoul(config.deviceType.c_str(), nullptr, 16)), error);
        if (!cards)
            return nullptr;
        model->AddCommandSet(std::move(cards));
    }
    // A conveyor of tags needs the command set of its tags even without their section.
    const unsigned deviceType =
        static_cast<unsigned>(std::strtoul(config.deviceType.c_str(), nullptr, 16));
    if (!line.family.empty() && FindIsoTagProfile(line.family)) {
        if (!model->FindCommandSet<Iso15693Commands>())
            model->AddCommandSet(std::make_unique<Iso15693Commands>());
    } else if (!line.family.empty() && !model->FindCommandSet<Iso14443Commands>()) {
        model->AddCommandSet(std::make_unique<Iso14443Commands>(HasSmallKeyStore(deviceType)));
    }
    if (s.contains("faults")) {
        if (!s.at("faults").is_array()) {
            error = "\"faults\" must be an array";
            return nullptr;
        }
        for (const auto& fj : s.at("faults")) {
            Fault f;
            if (!ParseFault(fj, f, error))
                return nullptr;
            model->InjectFault(f);
        }
    }
    return model;
}

std::unique_ptr<ReaderModel> LoadScenarioFile(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return nullptr;
    }
    json j = json::parse(in, nullptr, false);
    if (j.is_discarded()) {
        error = path + " is not valid JSON";
        return nullptr;
    }
    return LoadScenario(j, error);
}

} // namespace vsim
