#include "sim/LanScenario.h"

#include "sim/Scenario.h"

#include <nlohmann/json.hpp>

namespace vsim {

using nlohmann::json;
using vorex::lan::Ipv4;

bool ParseLanSection(const json& scenario, const std::string& tcpHost, uint16_t tcpPort,
                     LanSetup& out, std::string& error) {
    const json lan =
        scenario.is_object() && scenario.contains("lan") ? scenario.at("lan") : json::object();
    if (!lan.is_object()) {
        error = "\"lan\" must be an object";
        return false;
    }
    try {
        out.answerFrom = lan.value("answer_from", tcpHost);
        const std::string address = lan.value("address", out.answerFrom);
        const std::string gateway = lan.value("gateway", std::string("0.0.0.0"));
        for (const auto& [key, text] :
             {std::pair{"answer_from", out.answerFrom}, std::pair{"address", address},
              std::pair{"gateway", gateway}}) {
            if (!Ipv4::Parse(text)) {
                error = std::string("lan \"") + key + "\" must be an IPv4 address";
                return false;
            }
        }
        const int hostBits = lan.value("host_bits", 8);
        const int port = lan.value("port", 0);
        const std::string name = lan.value("name", std::string("VOREXSIM"));
        if (hostBits < 0 || hostBits > 32 || port < 0 || port > 65535 || name.size() > 16) {
            error = "lan \"host_bits\" must be 0-32, \"port\" 0-65535, \"name\" at most 16 "
                    "characters";
            return false;
        }
        out.records = LanRecords::Make(name, address, static_cast<unsigned>(hostBits), gateway,
                                       port != 0 ? static_cast<uint16_t>(port) : tcpPort,
                                       lan.value("model", std::string("VX-C770")));
        out.records.makerTag = lan.value("maker_tag", true);
        if (lan.contains("mac")) {
            Bytes mac;
            if (!lan.at("mac").is_string() || !ParseHex(lan.at("mac").get<std::string>(), mac) ||
                mac.size() != 6) {
                error = "lan \"mac\" must be six hex bytes";
                return false;
            }
            std::copy(mac.begin(), mac.end(), out.records.mac.begin());
        }
    } catch (const json::exception& e) {
        error = std::string("lan: ") + e.what();
        return false;
    }
    return true;
}

} // namespace vsim
