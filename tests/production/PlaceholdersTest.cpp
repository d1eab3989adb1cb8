// Placeholder expansion: each placeholder, brace escapes, serial width limits, and the
// mistakes a job author makes (unknown names, unclosed braces) reported, not passed on.
#include "production/Placeholders.h"

#include <gtest/gtest.h>

namespace {

using namespace vorex::production;

TEST(Placeholders, ExpandsEachPlaceholder) {
    SerialFormat format{"VX-", 6, 100, 5};
    TagValues tag{115, {0x04, 0xA1, 0x0B}, "2026-12-11"};
    struct Case {
        const char* templ;
        const char* expected;
    } cases[] = {
        {"https://x.example/t/{serial}", "https://x.example/t/VX-000115"},
        {"{uid}", "04A10B"},
        {"n={counter}", "n=4"}, // 100, 105, 110, 115: the fourth
        {"{date}", "2026-12-11"},
        {"{{serial}} {serial}", "{serial} VX-000115"},
        {"a}}b", "a}b"},
        {"", ""},
    };
    for (const auto& c : cases) {
        Expansion e = Expand(c.templ, format, tag);
        ASSERT_TRUE(e.ok) << c.templ << ": " << e.error;
        EXPECT_EQ(e.text, c.expected) << c.templ;
    }
}

TEST(Placeholders, RefusesWhatItCannotExpand) {
    SerialFormat format{"", 3, 1, 1};
    struct Case {
        const char* templ;
        int64_t serial;
        const char* errorPart;
    } cases[] = {
        {"{serail}", 1, "unknown placeholder {serail}"},
        {"abc{serial", 1, "never closed"},
        {"a}b", 1, "lone '}'"},
        {"{serial}", 1000, "more than 3 digits"},
        {"{serial}", -1, "negative"},
    };
    for (const auto& c : cases) {
        Expansion e = Expand(c.templ, format, TagValues{c.serial, {}, ""});
        EXPECT_FALSE(e.ok) << c.templ;
        EXPECT_NE(e.error.find(c.errorPart), std::string::npos) << c.templ << ": " << e.error;
    }
}

TEST(Placeholders, SerialKeepsItsWidthUpToTheLast) {
    SerialFormat format{"S", 2, 0, 1};
    EXPECT_EQ(FormatSerial(format, 0).text, "S00");
    EXPECT_EQ(FormatSerial(format, 99).text, "S99");
    EXPECT_FALSE(FormatSerial(format, 100).ok);
}

TEST(Placeholders, TodayIsAnIsoDate) {
    std::string today = TodayUtc();
    ASSERT_EQ(today.size(), 10u);
    EXPECT_EQ(today[4], '-');
    EXPECT_EQ(today[7], '-');
}

} // namespace
