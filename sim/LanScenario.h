#pragma once
// The "lan" section of a scenario: the stand-in reader's network records.
#include "sim/LanResponder.h"

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace vsim {

struct LanSetup {
    LanRecords records;
    std::string answerFrom; // the reader's own address
};

// Reads the "lan" section (all keys optional). tcpHost and tcpPort are where the reader
// serves TCP: they are the defaults of "answer_from" and "port", and "address"
// defaults to "answer_from". False with `error` set when a value is not valid.
bool ParseLanSection(const nlohmann::json& scenario, const std::string& tcpHost, uint16_t tcpPort,
                     LanSetup& out, std::string& error);

} // namespace vsim
