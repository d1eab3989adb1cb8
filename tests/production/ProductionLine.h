#pragma once
// A stand-in reader with a conveyor of blank tags, opened through the VOREX_ calls, for
// the production tests: the line moves on when a tag is done (or when the test says),
// and the memory of any tag that passed can be looked up by its UID text.
#include "tests/support/TestSupport.h"

#include <memory>
#include <string>
#include <vector>

namespace vtest {

class ProductionLine {
public:
    // `family` as the conveyor names it; `scenarioExtra` is added to the scenario's
    // top level (e.g. "\"faults\": [...]"), `conveyorExtra` to the conveyor section
    // (e.g. "\"seed\": 2"), empty for none.
    ProductionLine(const std::string& family, int count, const std::string& scenarioExtra = {},
                   const std::string& conveyorExtra = {});
    ~ProductionLine();
    ProductionLine(const ProductionLine&) = delete;
    ProductionLine& operator=(const ProductionLine&) = delete;

    int Handle() const { return handle_; }
    vsim::ReaderModel& Model() { return sim_->Model(); }
    // The tag in the field leaves and the next one enters.
    void Next();
    // The memory of the tag with that UID text (pages, blocks or the ISO 15693
    // memory back to back); empty when there is no such tag.
    std::vector<uint8_t> Memory(const std::string& uid);
    // Whether the tag has any lock: NTAG static lock bytes, an ISO 15693 block lock,
    // a MIFARE Classic trailer other than the delivery one.
    bool Locked(const std::string& uid);

private:
    std::unique_ptr<SimReader> sim_;
    int handle_ = -1;
};

// Whether `text` occurs in `bytes`.
bool Contains(const std::vector<uint8_t>& bytes, const std::string& text);

} // namespace vtest
