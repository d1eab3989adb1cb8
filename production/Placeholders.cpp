#include "production/Placeholders.h"

#include "cards/CardTypes.h"

#include <ctime>

namespace vorex::production {

namespace {

Expansion Fail(std::string error) {
    return {false, {}, std::move(error)};
}

} // namespace

Expansion FormatSerial(const SerialFormat& format, int64_t serial) {
    if (serial < 0)
        return Fail("serial " + std::to_string(serial) + " is negative");
    std::string digits = std::to_string(serial);
    if (static_cast<int>(digits.size()) > format.width)
        return Fail("serial " + digits + " needs more than " + std::to_string(format.width) +
                    " digits");
    return {true, format.prefix + std::string(format.width - digits.size(), '0') + digits, {}};
}

int64_t LastSerial(int width) {
    int64_t last = 0;
    for (int i = 0; i < width; ++i)
        last = last * 10 + 9;
    return last;
}

int64_t Counter(const SerialFormat& format, int64_t serial) {
    return format.step == 0 ? 1 : (serial - format.start) / format.step + 1;
}

Expansion Expand(const std::string& templ, const SerialFormat& format, const TagValues& tag) {
    std::string out;
    for (size_t i = 0; i < templ.size(); ++i) {
        char c = templ[i];
        if (c == '}') {
            if (i + 1 < templ.size() && templ[i + 1] == '}') {
                out += '}';
                ++i;
                continue;
            }
            return Fail("a lone '}' at offset " + std::to_string(i) + " (write }} for a brace)");
        }
        if (c != '{') {
            out += c;
            continue;
        }
        if (i + 1 < templ.size() && templ[i + 1] == '{') {
            out += '{';
            ++i;
            continue;
        }
        size_t close = templ.find('}', i);
        if (close == std::string::npos)
            return Fail("a '{' at offset " + std::to_string(i) + " is never closed");
        std::string name = templ.substr(i + 1, close - i - 1);
        if (name == "serial") {
            Expansion serial = FormatSerial(format, tag.serial);
            if (!serial.ok)
                return serial;
            out += serial.text;
        } else if (name == "uid") {
            out += cards::Hex(tag.uid.data(), tag.uid.size());
        } else if (name == "counter") {
            out += std::to_string(Counter(format, tag.serial));
        } else if (name == "date") {
            out += tag.date;
        } else {
            return Fail("unknown placeholder {" + name +
                        "} (known: {serial}, {uid}, {counter}, {date})");
        }
        i = close;
    }
    return {true, std::move(out), {}};
}

std::string TodayUtc() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

} // namespace vorex::production
