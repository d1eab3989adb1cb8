// vorexctl update-check: what the update server offers for this program and for the
// connected reader's firmware, by the rules of the program's own update check, fetched
// without Qt.
#include "cli/Cli.h"
#include "update/HttpsFetch.h"
#include "update/UpdateSource.h"
#include "update/VersionRules.h"

#include <vorex/vorex.h>

#include <cstdio>
#include <ctime>
#include <future>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace vorexctl {
namespace {

namespace up = vorex::update;
using nlohmann::json;

const char* StatusName(up::Verdict verdict) {
    switch (verdict) {
    case up::Verdict::Update:
        return "update";
    case up::Verdict::Current:
        return "current";
    case up::Verdict::NoFile:
        return "no-file";
    case up::Verdict::NoConnection:
        return "no-connection";
    case up::Verdict::Empty:
        break;
    }
    return "none";
}

// Fetches the version file into `source`: a server without the file (an error status)
// has nothing to offer, any other failure is no connection.
void Fetch(up::CUpdateSource& source, const std::string& url, const up::FetchSettings& settings) {
    const up::Fetched fetched = up::HttpsGet(url, settings);
    if (fetched.result == up::FetchResult::Ok)
        source.SetFetched(fetched.body);
    else if (fetched.result == up::FetchResult::HttpError)
        source.SetFetched(std::string());
    else
        source.SetFailed(fetched.error);
}

json Describe(up::Verdict verdict, const up::Offer& offer, const up::CUpdateSource& source,
              const std::string& url) {
    json j{{"status", StatusName(verdict)}, {"file", url}};
    if (verdict == up::Verdict::Update)
        j["offer"] = {
            {"version", offer.version}, {"build", offer.build}, {"installer", offer.installer}};
    if (verdict == up::Verdict::NoConnection)
        j["message"] = source.Error();
    return j;
}

void PrintText(const char* what, const std::string& current, const json& j) {
    std::printf("%-8s %s: %s", what, Printable(current).c_str(),
                j["status"].get<std::string>().c_str());
    if (j.contains("offer")) {
        const json& offer = j["offer"];
        std::printf(" -> %s", Printable(offer["version"].get<std::string>()).c_str());
        if (!offer["build"].get<std::string>().empty())
            std::printf(" (%s)", Printable(offer["build"].get<std::string>()).c_str());
        std::printf(" %s", Printable(offer["installer"].get<std::string>()).c_str());
    }
    if (j.contains("message"))
        std::printf(" (%s)", Printable(j["message"].get<std::string>()).c_str());
    std::printf("\n");
}

// The build date of this program as the update check compares it: the date of its file,
// "%Y-%m-%d" in local time ("" when unknown).
std::string OwnBuild() {
    struct stat st {};
    if (::stat("/proc/self/exe", &st) != 0)
        return {};
    std::tm local{};
    char text[16] = {};
    if (!localtime_r(&st.st_mtime, &local) || !std::strftime(text, sizeof text, "%Y-%m-%d", &local))
        return {};
    return text;
}

// Firmware code (type digits and revision character) and model of the reader at --port;
// false after printing why it could not be identified.
bool IdentifyReader(const GlobalOptions& o, std::string& code, std::string& model) {
    ReaderHandle h(o);
    if (!h)
        return false;
    unsigned char id[4];
    if (VOREX_GetVersion(h.get(), id, sizeof id) != 4) {
        ReportLastError(o, h.get(), "identification");
        return false;
    }
    code.assign(reinterpret_cast<const char*>(id), 4);
    char name[64] = {};
    model = VOREX_GetDeviceName(h.get(), name, sizeof name) > 0 ? name : "";
    return true;
}

} // namespace

int RunUpdateCheck(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (!args.empty())
        return UsageError(o, "update-check takes no arguments", "update-check");
    std::string code;
    std::string model;
    const bool withReader = !o.port.empty();
    if (withReader && !IdentifyReader(o, code, model))
        return 1;

    const up::FetchSettings settings;
    up::CUpdateSource program("RFIDVersionsHF.txt", "VorexProgrammer");
    up::CUpdateSource reader("RFIDDeviceVersions.txt", "");
    const std::string programUrl = settings.baseUrl + program.FileName();
    const std::string readerUrl = settings.baseUrl + reader.FileName();
    // Both files at once: the whole check ends within one fetch's deadline.
    std::future<void> readerFetch;
    if (withReader) {
        reader.DeviceIdentified(code, model);
        readerFetch = std::async(std::launch::async, [&] { Fetch(reader, readerUrl, settings); });
    }
    Fetch(program, programUrl, settings);
    if (readerFetch.valid())
        readerFetch.get();

    const std::string ownVersion = up::OwnVersionText(VOREX_PROGRAM_VERSION);
    const std::string ownBuild = OwnBuild();
    const up::Verdict programVerdict = program.ProgramVerdict(ownVersion, ownBuild);
    const json programCheck =
        Describe(programVerdict, program.ProgramOffer(ownVersion, ownBuild), program, programUrl);
    json readerCheck = nullptr;
    up::Verdict readerVerdict = up::Verdict::Empty;
    if (withReader) {
        readerVerdict = reader.ReaderVerdict();
        readerCheck = Describe(readerVerdict, reader.ReaderOffer(), reader, readerUrl);
        readerCheck["model"] = model;
        readerCheck["device_type"] = code.substr(0, 3);
        readerCheck["firmware"] = reader.CurrentVersion();
    }
    const bool failed =
        programVerdict == up::Verdict::NoConnection || readerVerdict == up::Verdict::NoConnection;
    if (o.json) {
        PrintJson({{"ok", !failed},
                   {"program", {{"version", ownVersion}, {"build", ownBuild}}},
                   {"program_check", programCheck},
                   {"reader", readerCheck}});
    } else {
        PrintText("program", "Vorex Programmer " + ownVersion + " (" + ownBuild + ")",
                  programCheck);
        if (withReader)
            PrintText("reader", model + " V" + reader.CurrentVersion(), readerCheck);
    }
    return failed ? 1 : 0;
}

} // namespace vorexctl
