#pragma once
// The engine's error numbers (<vorex/vorex_errors.h>) in English, for programs without
// the desktop program's translation (vorexctl): a short name for scripts and a text that
// says what went wrong. The engine's own texts (VOREX_GetErrorText) are German.
#include <string>

namespace vorex::reader {

// "timeout", "no_transponder", "iso_block_locked", ...; "unknown" for numbers the engine
// does not use.
std::string ErrorName(int error);
// "no answer from the reader in time (timeout)", ...; names the number where it is one
// of a range ("ISO error 0xA3 (tag-specific)", "unknown error 99").
std::string EnglishErrorText(int error);

} // namespace vorex::reader
