// The engine's error numbers in English (vorexctl's messages and JSON error names).
#include "reader/ErrorTexts.h"

#include <gtest/gtest.h>
#include <set>
#include <vorex/vorex_errors.h>

using namespace vorex::reader;

namespace {

// Every number the engine sets has a name of its own and a text that says what went
// wrong, in ASCII English; numbers inside a range name the number.
TEST(ErrorTexts, EveryEngineErrorHasItsOwnNameAndText) {
    const int defined[] = {
        VOREX_ERR_UNKNOWN_HANDLE,    VOREX_ERR_TIMEOUT,
        VOREX_ERR_BUFFER_TOO_SMALL,  VOREX_ERR_WRONG_COUNT,
        VOREX_ERR_BAD_PARAMETER,     VOREX_ERR_NO_REQUEST,
        VOREX_ERR_SHORT_ANSWER,      VOREX_ERR_CHECKSUM,
        VOREX_ERR_NO_READER,         VOREX_ERR_NOTHING_RECEIVED,
        VOREX_ERR_BAD_MODE,          VOREX_ERR_BAUD_NOT_SETTABLE,
        VOREX_ERR_BLOCK_NUMBER,      VOREX_ERR_UNEXPECTED_STATUS,
        VOREX_ERR_STATUS_88,         VOREX_ERR_NO_VALUE,
        VOREX_ERR_WRONG_COUNT_SENT,  VOREX_ERR_NO_TRANSPONDER,
        VOREX_ERR_COLLISION,         VOREX_ERR_UNKNOWN_COMMAND,
        VOREX_ERR_ISO_NOT_SUPPORTED, VOREX_ERR_ISO_NOT_RECOGNISED,
        VOREX_ERR_ISO_OPTION,        VOREX_ERR_ISO_GENERAL,
        VOREX_ERR_ISO_NO_BLOCK,      VOREX_ERR_ISO_LOCKED_ALREADY,
        VOREX_ERR_ISO_BLOCK_LOCKED,  VOREX_ERR_ISO_PROGRAMMING,
        VOREX_ERR_ISO_LOCKING,       VOREX_ERR_ISO_OTHER,
        VOREX_ERR_ISO_ANSWER,        VOREX_ERR_SYSTEM_INFO_LENGTH,
        VOREX_ERR_ISO_FRAMING,       VOREX_ERR_NOT_WRITABLE,
        VOREX_ERR_NOT_AUTHENTICATED,
    };
    std::set<std::string> names, texts;
    for (int error : defined) {
        const std::string name = ErrorName(error), text = EnglishErrorText(error);
        EXPECT_NE(name, "unknown") << error;
        EXPECT_EQ(text.find("unknown error"), std::string::npos) << error;
        EXPECT_TRUE(names.insert(name).second) << "name used twice: " << name;
        EXPECT_TRUE(texts.insert(text).second) << "text used twice: " << text;
    }
    for (int error = -20; error < 300; ++error) {
        const std::string text = EnglishErrorText(error);
        EXPECT_FALSE(text.empty()) << error;
        EXPECT_FALSE(ErrorName(error).empty()) << error;
        for (unsigned char c : text)
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << error << ": " << text;
    }
}

TEST(ErrorTexts, RangesNameTheNumber) {
    struct Case {
        int error;
        const char* name;
        const char* text;
    } cases[] = {
        {VOREX_ERR_TIMEOUT, "timeout", "no answer from the reader in time (timeout)"},
        {VOREX_ERR_ISO_BLOCK_LOCKED, "iso_block_locked",
         "ISO error 0x12: block is locked and cannot be changed"},
        {0xA3, "iso_custom", "ISO error 0xA3 (tag-specific)"},
        {0xE5, "no_transponder", "no valid transponder in the field (reader status 0xE5)"},
        {99, "unknown", "unknown error 99"},
        {-1, "unknown", "unknown error -1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorName(c.error), c.name) << c.error;
        EXPECT_EQ(EnglishErrorText(c.error), c.text) << c.error;
    }
}

} // namespace
