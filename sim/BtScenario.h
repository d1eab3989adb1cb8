#pragma once
// The "bluetooth" section of a scenario: the devices in range of the stand-in module.
#include "sim/BtModule.h"

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace vsim {

// Adds the devices of the "bluetooth" section to `module` (see sim/README.md). A device
// without its own "scenario" gets `shared` as its reader, or when that is null a reader
// built from the whole scenario. Without the
// section, one device "VX-F74BT PN7711#0001" stands in range. False with `error` set
// when a value is not valid.
bool ParseBluetoothSection(const nlohmann::json& scenario, BtModule& module, std::string& error,
                           std::shared_ptr<ReaderModel> shared = nullptr);

} // namespace vsim
