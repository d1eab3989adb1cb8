#pragma once
// The placeholders of a job's content: {serial}, {uid}, {counter} and {date}, with
// {{ and }} for literal braces. Expansion is a pure function of the template and the
// tag at hand, so a job can be checked before the first tag with sample values.
#include <cstdint>
#include <string>
#include <vector>

namespace vorex::production {

// How serial numbers look: prefix, then the number as at least `width` decimal digits
// with leading zeros. Serials run start, start + step, start + 2 * step, ...
struct SerialFormat {
    std::string prefix;
    int width = 6;
    int64_t start = 1;
    int64_t step = 1;
};

// The values of one tag.
struct TagValues {
    int64_t serial = 0;       // the allocated serial number
    std::vector<uint8_t> uid; // as the reader reports it
    std::string date;         // YYYY-MM-DD
};

struct Expansion {
    bool ok = false;
    std::string text;  // the expanded text when ok
    std::string error; // why not
};

// The serial as text ("VX-000042"), or an error when it needs more than `width` digits
// or is negative: a serial never changes its length in the middle of a run.
Expansion FormatSerial(const SerialFormat& format, int64_t serial);

// The largest serial of a width: as many nines as it has digits.
int64_t LastSerial(int width);

// The ordinal of a serial in its job, from 1: (serial - start) / step + 1.
int64_t Counter(const SerialFormat& format, int64_t serial);

// `templ` with every placeholder replaced: {serial} as FormatSerial, {uid} as upper-case
// hex, {counter} in decimal, {date} as given. An unknown name or a lone brace is an error.
Expansion Expand(const std::string& templ, const SerialFormat& format, const TagValues& tag);

// Today's date in UTC as YYYY-MM-DD.
std::string TodayUtc();

} // namespace vorex::production
