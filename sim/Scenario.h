#pragma once
// Scenario files: JSON that describes the stand-in reader (see sim/README.md).
#include "sim/ReaderModel.h"

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace vsim {

// Builds a reader model from a scenario. Returns null with `error` set when the
// scenario is not valid.
std::unique_ptr<ReaderModel> LoadScenario(const nlohmann::json& scenario, std::string& error);
std::unique_ptr<ReaderModel> LoadScenarioFile(const std::string& path, std::string& error);

// "01 0A ff" or "010AFF" -> bytes; false on anything else.
bool ParseHex(const std::string& text, Bytes& out);

// Reads one fault description ({"kind": "delay", "ms": 100, "command": "F0", ...}).
bool ParseFault(const nlohmann::json& j, Fault& fault, std::string& error);

} // namespace vsim
