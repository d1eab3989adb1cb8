#include "sim/DeviceCommands.h"

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
    case 0xF2: {
        if (r.data.size() != 1)
            return Reply::Error(kWrongCount);
        static const uint32_t rates[] = {2400,   4800,   9600,   19200,  38400,  57600,
                                         115200, 230400, 460800, 921600, 1382400};
        const int code = r.data[0] & 0x0F;
        const int format = r.data[0] >> 4;
        if (code > 10 || format > 3)
            return Reply::Error(kUnknownCommand);
        // The answer still goes out at the old speed.
        reader.SwitchBaudAfterAnswer(rates[code], format);
        return Reply::Ok();
    }
    case 0xF4:
        if (r.data.size() != 1)
            return Reply::Error(kWrongCount);
        c.readerMode = r.data[0];
        return Reply::Ok();
    case 0xF5:
        if (r.data.size() != 1)
            return Reply::Error(kWrongCount);
        c.hostMode = r.data[0] != 0;
        return Reply::Ok();
    case 0xF6:
        return Reply::Ok();
    case 0xF9:
        if (r.data.empty())
            return Reply::Error(kWrongCount);
        c.settings = r.data;
        return Reply::Ok();
    case 0xFA:
        return Reply::Ok(c.settings);
    case 0xFB: {
        Reply reply = Reply::Ok();
        reply.delay = std::chrono::milliseconds(c.factoryResetDelayMs);
        c.settings = ReaderConfig{}.settings;
        c.readerMode = 0;
        c.hostMode = false;
        return reply;
    }
    case 0xFF:
        if (r.data.size() != 1 || r.data[0] < 1 || r.data[0] > 2)
            return Reply::Error(kUnknownCommand);
        c.usbMode = r.data[0];
        return Reply::Ok();
    default:
        return std::nullopt;
    }
}

} // namespace vsim
