#pragma once
// One HTTPS GET of the update check without Qt (libcurl), for programs that must not
// need Qt (vorexctl). The same rules as the desktop program's fetching: only https
// addresses (also after a redirect), TLS verified against the system's CAs or only those
// of $VOREX_UPDATE_CA, a size limit, a total deadline and a limit on time without data,
// and a failure that says what happened.
#include <cstdint>
#include <string>

namespace vorex::update {

struct FetchSettings {
    // Base address ending in "/" ($VOREX_UPDATE_URL, else the maker's update server).
    std::string baseUrl = DefaultBaseUrl();
    // PEM file whose certificates alone are trusted; empty: the system's CAs.
    std::string caFile = DefaultCaFile();
    int64_t maxBytes = int64_t(1) << 20;
    // The transfer fails when it is not complete after this long ...
    int deadlineMs = 60000;
    // ... or when nothing arrives for this long (connecting included).
    int idleTimeoutMs = 30000;

    // $VOREX_UPDATE_URL, else the maker's update server; a missing final "/" is added.
    static std::string DefaultBaseUrl();
    // $VOREX_UPDATE_CA, or empty.
    static std::string DefaultCaFile();
};

enum class FetchResult {
    Ok,        // complete body with a success status
    HttpError, // the server answered with an error status (404, 500, ...)
    TooLarge,  // body above the limit
    Failed,    // bad address or CA file, no connection, TLS failure, cut transfer, time-out
};

struct Fetched {
    FetchResult result = FetchResult::Failed;
    std::string body;  // the body when Ok
    std::string error; // why, when not Ok ("timed out after 60 s", ...)
};

// Why `caFile` cannot be used ("CA file X does not exist"); empty when it can or is empty.
std::string CaFileProblem(const std::string& caFile);

// Fetches `url`; blocks until done, at most about settings.deadlineMs.
Fetched HttpsGet(const std::string& url, const FetchSettings& settings);

} // namespace vorex::update
