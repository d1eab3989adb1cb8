#include "DeviceCommands.h"

namespace vsim {

Bytes DeviceCommands::Identification(const ReaderConfig& c) {
    if (c.identification)
        return *c.identification;
    Bytes id(c.deviceType.begin(), c.deviceType.end());
    id.resize(3, '0');
    id.push_back(static_cast<uint8_t>(c.revision));
    if (c.variant == 3) {
        // Variant-3 readers answer nine bytes; type and revision sit in bytes 4 to 7.
        Bytes nine{'V', 'X', 'P', '5'};
        nine.insert(nine.end(), id.begin(), id.end());
        nine.push_back(0x00);
        return nine;
    }
    return id;
}

std::optional<Reply> DeviceCommands::Handle(const Request& r, ReaderModel& reader) {
    ReaderConfig& c = reader.Config();
    switch (r.command) {
    case 0xF0:
        if (r.data.empty())
            return Reply::Ok(Identification(c));
        if (c.variant == 2 && r.data == Bytes{'F', 'V'} && c.fvAnswer)
            return Reply::Ok(*c.fvAnswer);
        return Reply::Error(kUnknownCommand);
    default: return std::nullopt;
    }
}

} // namespace vsim
