#include "sim/WireFrame.h"

namespace vsim {

uint16_t ModbusCrc(const uint8_t* data, size_t count) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int b = 0; b < 8; ++b)
            crc = static_cast<uint16_t>((crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1);
    }
    return crc;
}

namespace {

uint8_t XorOf(const uint8_t* data, size_t count) {
    uint8_t x = 0;
    for (size_t i = 0; i < count; ++i)
        x ^= data[i];
    return x;
}

void DropFront(Bytes& b, size_t n) {
    b.erase(b.begin(), b.begin() + static_cast<long>(n));
}

} // namespace

void UntranslateRequest(Request& r) {
    if (r.variant < 2)
        return;
    const bool v2 = r.variant == 2;
    const uint8_t c = r.wireCommand;
    auto dropInserted = [&] {
        if (!r.data.empty())
            r.data.erase(r.data.begin());
    };
    if ((v2 && c == 0x28) || (!v2 && c == 0x21)) {
        r.command = 0x20;
        dropInserted();
    } else if (c == 0x29) {
        r.command = 0x21;
    } else if ((v2 && c == 0x0B) || (!v2 && c == 0x60)) {
        r.command = 0xF0;
    } else if (c == 0x0C || c == 0x0D) {
        r.command = 0xF5;
        r.data.insert(r.data.begin(), c == 0x0C ? 1 : 0);
    } else if (c == 0x07) {
        r.command = 0xF6;
    } else if (v2 && c == 0x0E) {
        r.command = r.data.empty() ? 0xFA : 0xF9;
    } else if (v2 && c == 0x0F) {
        r.command = 0xFF;
    } else if (v2 && (c == 0xF0 || c == 0xF5 || c == 0xF6 || c == 0xF7 || c == 0xF9 || c == 0xFA ||
                      c == 0xFF || c == 0x20 || c == 0x21)) {
        r.command = 0x00; // untranslated form: a variant-2 reader does not know it
    } else if (!v2 && (c == 0xF0 || c == 0xF5 || c == 0xF6 || c == 0xF7 || c == 0x20)) {
        r.command = 0x00;
    } else {
        r.command = c;
    }
}

ParseResult ParseRequest(Bytes& b, int variant, uint8_t address, Request& out) {
    if (b.empty())
        return ParseResult::NeedMore;
    if (variant == 1) {
        if (b.size() < 3)
            return ParseResult::NeedMore;
        const size_t total = static_cast<size_t>(b[2]) + 5;
        if (b.size() < total)
            return ParseResult::NeedMore;
        const uint16_t crc = ModbusCrc(b.data(), total - 2);
        if (b[total - 2] != (crc & 0xFF) || b[total - 1] != (crc >> 8)) {
            DropFront(b, 1); // resynchronise on the next byte
            return ParseResult::Skipped;
        }
        out = {};
        out.frame.assign(b.begin(), b.begin() + static_cast<long>(total));
        out.variant = 1;
        out.address = b[0];
        out.wireCommand = out.command = b[1];
        out.data.assign(b.begin() + 3, b.begin() + static_cast<long>(total - 2));
        DropFront(b, total);
        return out.address == address ? ParseResult::Parsed : ParseResult::Skipped;
    }
    const uint8_t start = variant == 0 ? 0x02 : 0x1E;
    if (b[0] != start) {
        size_t skip = 0;
        while (skip < b.size() && b[skip] != start)
            ++skip;
        DropFront(b, skip);
        return ParseResult::Skipped;
    }
    const size_t lengthPos = variant == 0 ? 3 : 2;
    if (b.size() <= lengthPos)
        return ParseResult::NeedMore;
    const size_t total = static_cast<size_t>(b[lengthPos]) + (variant == 0 ? 5 : 3);
    if (b.size() < total)
        return ParseResult::NeedMore;
    if (variant == 0 && b[total - 1] != XorOf(b.data() + 1, total - 2)) {
        DropFront(b, 1);
        return ParseResult::Skipped;
    }
    out = {};
    out.frame.assign(b.begin(), b.begin() + static_cast<long>(total));
    out.variant = variant;
    if (variant == 0) {
        out.address = b[1];
        out.wireCommand = out.command = b[2];
        out.data.assign(b.begin() + 4, b.begin() + static_cast<long>(total - 1));
    } else {
        out.address = address;
        out.wireCommand = out.command = b[1];
        out.data.assign(b.begin() + 3, b.begin() + static_cast<long>(total));
        UntranslateRequest(out);
    }
    DropFront(b, total);
    return out.address == address ? ParseResult::Parsed : ParseResult::Skipped;
}

uint8_t StatusByte(int status, int variant, uint8_t wireCommand) {
    if (variant >= 2) {
        switch (status) {
        case kOk:
            return wireCommand;
        case kUnknownCommand:
            return 0xA0;
        case kWrongCount:
            return 0xA4;
        case 17:
            return 0x88;
        case kCollision:
            return 0xCC;
        case kNoTransponder:
            return 0xC4;
        default: {
            const auto byte = static_cast<uint8_t>(status);
            return byte == wireCommand ? 0xEE : byte;
        }
        }
    }
    if (variant == 0) {
        if (status == kCollision)
            return 3;
        if (status == kIsoFraming)
            return 7;
    }
    return static_cast<uint8_t>(status);
}

Bytes EncodeAnswer(const Reply& reply, const Request& request, int variant, uint8_t address,
                   bool badChecksum) {
    Bytes f;
    const uint8_t status =
        reply.rawStatus ? *reply.rawStatus : StatusByte(reply.status, variant, request.wireCommand);
    if (variant == 0)
        f = {0x02, address};
    else if (variant == 1)
        f = {address};
    else
        f = {0x1E};
    f.push_back(status);
    if (reply.chained) {
        f.push_back(0xFF);
        f.insert(f.end(), reply.payload.begin(), reply.payload.end());
        f.push_back(0xFF);
    } else {
        // A plain answer carries at most 254 bytes; 0xFF would mark a chain.
        const size_t n = std::min<size_t>(reply.payload.size(), 0xFE);
        f.push_back(static_cast<uint8_t>(n));
        f.insert(f.end(), reply.payload.begin(), reply.payload.begin() + static_cast<long>(n));
    }
    if (variant == 0) {
        f.push_back(
            static_cast<uint8_t>(XorOf(f.data() + 1, f.size() - 1) ^ (badChecksum ? 0x5A : 0)));
    } else if (variant == 1) {
        uint16_t crc = ModbusCrc(f.data(), f.size());
        if (badChecksum)
            crc ^= 0x5A5A;
        f.push_back(static_cast<uint8_t>(crc & 0xFF));
        f.push_back(static_cast<uint8_t>(crc >> 8));
    }
    return f;
}

} // namespace vsim
