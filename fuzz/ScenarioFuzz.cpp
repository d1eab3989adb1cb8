// Fuzz harness for the stand-in reader's scenario files and the field commands
// vorex-sim reads on stdin: loading must never crash and a refusal always says why;
// each input line applied as a field command gets an "ok" or "error" answer.
#include "sim/FieldControl.h"
#include "sim/Scenario.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace {

// A reader with named cards and tag sets for the field commands.
vsim::ReaderModel& FieldModel() {
    static const auto model = [] {
        std::string error;
        auto m = vsim::LoadScenario(nlohmann::json::parse(R"({
          "iso15693": {"tags": [{"type": "nxp-icode-slix", "name": "a"}, {"type": "em4233"}],
                       "sets": {"one": ["a"], "two": [0, 1]}},
          "iso14443": {"cards": [{"type": "ntag213", "uid": "04010203040506", "name": "n",
                                  "pwd": "01020304", "auth0": 4, "prot": true}]}})"),
                                    error);
        if (!m)
            std::abort();
        return m;
    }();
    return *model;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
    if (!j.is_discarded()) {
        std::string error;
        if (!vsim::LoadScenario(j, error) && error.empty())
            std::abort();
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::string answer = vsim::ApplyFieldCommand(FieldModel(), line);
        if (!answer.empty() && answer.rfind("ok ", 0) != 0 && answer.rfind("error ", 0) != 0)
            std::abort();
    }
    return 0;
}
