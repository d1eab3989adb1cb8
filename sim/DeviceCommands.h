#pragma once
// The reader's commands about itself: identification and configuration.
#include "sim/ReaderModel.h"

namespace vsim {

class DeviceCommands : public CommandSet {
public:
    std::optional<Reply> Handle(const Request& request, ReaderModel& reader) override;

    // The identification payload in the form of the configured frame variant.
    static Bytes Identification(const ReaderConfig& config);
};

} // namespace vsim
