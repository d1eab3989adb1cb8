#pragma once
// A line of blank tags passing the stand-in reader, as on a production conveyor: each
// tag has a fresh UID, enters the field, stays a while and leaves; then the next one
// comes. Time-driven (a tag every `intervalMs`, in the field for `dwellMs` of it) and/or
// stepped by Next() (vorex-sim's stdin line `next`). The conveyor sits in the model as
// a command set that answers nothing: it only moves the line before each request.
#include "sim/ReaderModel.h"

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

namespace vsim {

struct ConveyorConfig {
    std::string family; // ntag213/215/216, ultralight, classic1k/4k, or an ISO 15693 type
    int count = 0;      // tags in the line
    int intervalMs = 0; // a new tag every this often; 0: only Next() moves the line
    int dwellMs = 0;    // time a tag spends in the field; 0: the whole interval
    uint32_t seed = 1;  // UIDs are repeatable per seed and differ within a line
    int first = 0;      // the line starts at this tag of the seed's sequence
};

class Conveyor : public CommandSet {
public:
    explicit Conveyor(ConveyorConfig config);

    std::optional<Reply> Handle(const Request& request, ReaderModel& reader) override;

    // The tag in the field leaves and the next one enters at once (take the model's
    // Lock() first). "ok next UID", or "ok line empty" once every tag has passed.
    std::string Next(ReaderModel& reader);

    // Tags that have entered the field so far (the current one included).
    int Fed() const { return fed_; }
    const ConveyorConfig& Config() const { return config_; }
    // The UID of the index-th tag of the line, most significant byte first for ISO
    // 15693 (as an inventory prints it), in transmission order for ISO 14443.
    Bytes UidOf(int index) const;

private:
    // Puts tag `index` in the field (creating it), or empties the field past the end.
    void Show(ReaderModel& reader, int index, bool inField);

    ConveyorConfig config_;
    int fed_ = 0;
    int current_ = -1; // the tag in the field, -1 none
    int base_ = -1;    // the line's first tag among the command set's tags or cards
    std::optional<Clock::time_point> start_;
};

// Reads a scenario's "conveyor" section; false with `error` when it is invalid.
bool ParseConveyor(const nlohmann::json& section, ConveyorConfig& config, std::string& error);
// Whether `family` names a tag the conveyor can make.
bool ConveyorFamilyKnown(const std::string& family);

} // namespace vsim
