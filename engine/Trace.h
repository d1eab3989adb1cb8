#pragma once
// Trace texts for an external trace viewer. The viewer listens on the Unix datagram
// socket $XDG_RUNTIME_DIR/NvkTracer; each text is sent as 4-byte datagrams (the last
// one padded with NUL bytes) while the lock file NvkTracerLock is held, so that the
// pieces of texts from several processes do not interleave. Without a listening
// viewer nothing is done.
#include <string>

namespace vorex {

// printf-style; the text is cut to 511 bytes.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void SendTrace(const std::string& text);

// Folder of the viewer's socket and lock file.
std::string TraceFolder();

} // namespace vorex
