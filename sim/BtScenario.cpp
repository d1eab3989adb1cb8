#include "sim/BtScenario.h"

#include "sim/Scenario.h"

#include <nlohmann/json.hpp>

namespace vsim {

using nlohmann::json;

namespace {

bool ParseDevice(const json& j, const json& scenario, const std::shared_ptr<ReaderModel>& shared,
                 BtDevice& d, std::string& error) {
    Bytes address;
    if (!j.contains("address") || !j.at("address").is_string() ||
        !ParseHex(j.at("address").get<std::string>(), address) || address.size() != 6) {
        error = "bluetooth device \"address\" must be six hex bytes";
        return false;
    }
    std::copy(address.begin(), address.end(), d.address.begin());
    d.name = j.value("name", std::string{});
    Bytes deviceClass;
    if (!ParseHex(j.value("class", std::string("000500")), deviceClass) ||
        deviceClass.size() != 3) {
        error = "bluetooth device \"class\" must be three hex bytes (\"000500\")";
        return false;
    }
    d.deviceClass =
        static_cast<uint32_t>(deviceClass[0] << 16 | deviceClass[1] << 8 | deviceClass[2]);
    d.nameDelayMs = j.value("name_delay_ms", 0);
    d.emptyNames = j.value("empty_names", 0);
    d.nameNever = j.value("name_never", false);
    d.connectFailures = j.value("connect_failures", 0);
    d.connectStatus = j.value("connect_status", uint8_t{4});
    d.dropAfterData = j.value("drop_after_data", -1);
    if (d.name.size() > 248 || d.nameDelayMs < 0 || d.connectStatus == 0) {
        error = "bluetooth device: \"name\" at most 248 bytes, \"name_delay_ms\" >= 0, "
                "\"connect_status\" not 0";
        return false;
    }
    if (!j.contains("scenario") && shared)
        d.reader = shared;
    else
        d.reader = LoadScenario(j.contains("scenario") ? j.at("scenario") : scenario, error);
    return d.reader != nullptr;
}

} // namespace

bool ParseBluetoothSection(const json& scenario, BtModule& module, std::string& error,
                           std::shared_ptr<ReaderModel> shared) {
    try {
        json devices =
            json::array({{{"address", "010000C0A8E0"}, {"name", "VX-F74BT PN7711#0001"}}});
        if (scenario.is_object() && scenario.contains("bluetooth")) {
            const json& section = scenario.at("bluetooth");
            if (!section.is_object() || !section.contains("devices") ||
                !section.at("devices").is_array()) {
                error = "\"bluetooth\" must be an object with a \"devices\" array";
                return false;
            }
            devices = section.at("devices");
        }
        for (const json& j : devices) {
            BtDevice d;
            if (!j.is_object() || !ParseDevice(j, scenario, shared, d, error))
                return false;
            module.AddDevice(std::move(d));
        }
    } catch (const json::exception& e) {
        error = std::string("bluetooth: ") + e.what();
        return false;
    }
    return true;
}

} // namespace vsim
