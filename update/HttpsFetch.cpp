#include "update/HttpsFetch.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/stat.h>

namespace vorex::update {

std::string FetchSettings::DefaultBaseUrl() {
    const char* env = std::getenv("VOREX_UPDATE_URL");
    std::string base = env && *env ? env : "https://update.vorex-rfid.example/rfid/software/";
    if (base.back() != '/')
        base += '/';
    return base;
}

std::string FetchSettings::DefaultCaFile() {
    const char* env = std::getenv("VOREX_UPDATE_CA");
    return env ? env : "";
}

std::string CaFileProblem(const std::string& caFile) {
    if (caFile.empty())
        return {};
    struct stat st {};
    if (::stat(caFile.c_str(), &st) != 0)
        return "CA file " + caFile + " does not exist";
    std::ifstream in(caFile, std::ios::binary);
    if (S_ISDIR(st.st_mode) || !in)
        return "CA file " + caFile + " cannot be read: " +
               (S_ISDIR(st.st_mode) ? std::string("it is a folder") : std::strerror(errno));
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (text.find("-----BEGIN CERTIFICATE-----") == std::string::npos)
        return "CA file " + caFile + " holds no certificate";
    return {};
}

namespace {

using Clock = std::chrono::steady_clock;

std::string Seconds(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

struct CurlFree {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
    void operator()(char* text) const { curl_free(text); }
};

// The address as a message shows it: without user name and password, at most 200
// characters.
std::string Shown(const std::string& url, CURLU* parsed) {
    if (parsed) {
        curl_url_set(parsed, CURLUPART_USER, nullptr, 0);
        curl_url_set(parsed, CURLUPART_PASSWORD, nullptr, 0);
        char* text = nullptr;
        if (curl_url_get(parsed, CURLUPART_URL, &text, 0) == CURLUE_OK) {
            const std::unique_ptr<char, CurlFree> owned(text);
            return std::string(text).substr(0, 200);
        }
    }
    return url.substr(0, 200);
}

// Empty when `url` is an https address with a host, else why not.
std::string NotHttps(const std::string& url) {
    const std::unique_ptr<CURLU, CurlFree> parsed(curl_url());
    if (!parsed)
        return "out of memory";
    bool https = false;
    if (curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) ==
        CURLUE_OK) {
        char* scheme = nullptr;
        char* host = nullptr;
        curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0);
        curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0);
        const std::unique_ptr<char, CurlFree> ownedScheme(scheme), ownedHost(host);
        https = scheme && std::strcmp(scheme, "https") == 0 && host && *host;
        if (https)
            return {};
        return "not an https address: " + Shown(url, parsed.get());
    }
    return "not an https address: " + Shown(url, nullptr);
}

// What one transfer has received and why it was stopped, for the callbacks.
struct Transfer {
    const FetchSettings& settings;
    std::string body;
    bool tooLarge = false;
    bool idle = false;
    curl_off_t lastReceived = 0;
    Clock::time_point lastActivity = Clock::now();
};

size_t OnData(char* data, size_t size, size_t count, void* context) {
    auto& t = *static_cast<Transfer*>(context);
    const size_t n = size * count;
    if (static_cast<int64_t>(t.body.size() + n) > t.settings.maxBytes) {
        t.tooLarge = true;
        return 0; // ends the transfer
    }
    t.body.append(data, n);
    return n;
}

// Called at least once a second while the transfer runs: ends it after the idle time.
int OnProgress(void* context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto& t = *static_cast<Transfer*>(context);
    const Clock::time_point now = Clock::now();
    if (received != t.lastReceived) {
        t.lastReceived = received;
        t.lastActivity = now;
        return 0;
    }
    if (t.settings.idleTimeoutMs > 0 &&
        now - t.lastActivity >= std::chrono::milliseconds(t.settings.idleTimeoutMs)) {
        t.idle = true;
        return 1;
    }
    return 0;
}

} // namespace

Fetched HttpsGet(const std::string& url, const FetchSettings& settings) {
    // Once per process, before the first transfer (thread-safe as a local static).
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    Fetched out;
    if (initialised != CURLE_OK) {
        out.error = "the TLS library cannot be initialised";
        return out;
    }
    out.error = NotHttps(url);
    if (out.error.empty())
        out.error = CaFileProblem(settings.caFile);
    if (!out.error.empty())
        return out;
    const std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) {
        out.error = "out of memory";
        return out;
    }
    Transfer t{settings};
    char detail[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    // https only, also where a redirect leads.
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!settings.caFile.empty()) {
        // Only the given file's certificates, not the system's as well.
        curl_easy_setopt(c, CURLOPT_CAINFO, settings.caFile.c_str());
        curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
    }
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "vorex-update-check");
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(settings.maxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    if (settings.deadlineMs > 0)
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(settings.deadlineMs));

    const CURLcode code = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (t.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        out.result = FetchResult::TooLarge;
        out.error = "larger than " + std::to_string(settings.maxBytes) + " bytes";
    } else if (t.idle) {
        out.error = "timed out after " + Seconds(settings.idleTimeoutMs) + " s without data";
    } else if (code == CURLE_OPERATION_TIMEDOUT) {
        out.error = "timed out after " + Seconds(settings.deadlineMs) + " s";
    } else if (code != CURLE_OK) {
        out.error = *detail ? detail : curl_easy_strerror(code);
    } else if (status >= 400) {
        out.result = FetchResult::HttpError;
        out.error = "HTTP status " + std::to_string(status);
    } else {
        out.result = FetchResult::Ok;
        out.body = std::move(t.body);
        out.error.clear();
    }
    return out;
}

} // namespace vorex::update
