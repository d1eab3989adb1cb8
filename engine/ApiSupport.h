#pragma once
// Helpers shared by the VOREX_ call wrappers.
#include "engine/Vorex_Port.h"

#include <string>
#include <vector>

namespace vorex {

// Copies a payload into a caller's buffer: its length, or -1 with error 5 on the
// port when it does not fit (nothing copied).
int CopyOut(CVorex_Port& port, const std::vector<uint8_t>& payload, unsigned char* buffer,
            int capacity);

// Writes names back to back, each NUL-terminated, with one more NUL after the last.
// A name is written only when it, its NUL and the closing NUL fit; the first name that
// does not fit ends the list. Returns the bytes used including the closing NUL.
int WriteNameList(const std::vector<std::string>& names, char* buffer, int capacity);

// Copies text into a caller's buffer of `capacity` bytes, cut to fit and NUL-terminated,
// the rest of the buffer zeroed; returns the length of the whole text. A null buffer or
// no capacity copies nothing.
int CopyText(const std::string& text, char* buffer, int capacity);

// 0 for true, -1 for false: the result of the 0/-1 functions.
inline int Result(bool ok) {
    return ok ? 0 : -1;
}

} // namespace vorex
