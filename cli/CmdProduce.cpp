// vorexctl produce and vorexctl production report: serial production from a job file
// on the reader of --port, recorded in the embedded database or a shared PostgreSQL
// one, and the record of a job as a table, CSV or JSON.
#include "cli/Cli.h"
#include "production/Job.h"
#include "production/Journal.h"
#include "production/RecordStore.h"
#include "production/Station.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace vorexctl {

namespace {

namespace vp = vorex::production;
using nlohmann::json;

// Exit codes of produce.
constexpr int kExitOk = 0;     // the run ended as asked, no tag failed
constexpr int kExitCut = 1;    // the reader, the database or the journal ended it early
constexpr int kExitUsage = 2;  // a usage error or a job refused
constexpr int kExitFailed = 3; // the run ended as asked, but serials are void

// The database of --db, else the embedded default; empty with `error` when neither.
std::string DatabaseLocation(const Args& a, std::string& error) {
    if (a.Has("--db"))
        return a.One("--db");
    const std::string path =
        vp::DefaultDatabasePath(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (path.empty()) {
        error = "no data folder for the embedded database (set HOME or XDG_DATA_HOME, or give "
                "--db)";
        return {};
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return path;
}

std::string HostName() {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 && name[0] ? name : "station";
}

const char* EndName(vp::RunSummary::End end) {
    switch (end) {
    case vp::RunSummary::End::Count:
        return "count";
    case vp::RunSummary::End::Stopped:
        return "stopped";
    case vp::RunSummary::End::Idle:
        return "idle";
    case vp::RunSummary::End::Exhausted:
        return "exhausted";
    case vp::RunSummary::End::StoreDown:
        return "database";
    case vp::RunSummary::End::ReaderGone:
        return "reader";
    case vp::RunSummary::End::Failed:
        return "failed";
    }
    return "";
}

// The job of a JOB word: a job file, else the usage error already printed.
bool LoadJob(const GlobalOptions& o, const std::string& file, vp::Job& job, int& rc) {
    const vp::JobLoad load = vp::LoadJobFile(file);
    if (!load.ok) {
        rc = UsageError(o, Printable(load.error)); // names the file and the field
        return false;
    }
    job = load.job;
    return true;
}

// SIGINT and SIGTERM are held while a run goes, and end it between two tags.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        sigprocmask(SIG_BLOCK, &set_, &old_);
    }
    ~StopSignals() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    bool Pending() const {
        sigset_t pending;
        sigpending(&pending);
        return sigismember(&pending, SIGINT) || sigismember(&pending, SIGTERM);
    }

private:
    sigset_t set_{};
    sigset_t old_{};
};

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

int RunProduce(const GlobalOptions& o, const std::vector<std::string>& words) {
    Args a;
    std::string error;
    if (!a.Parse(words,
                 {{"--db", "--count", "--station", "--journal", "--idle", "--db-wait"}, {}, {}},
                 error))
        return UsageError(o, error, "produce");
    if (a.Words().size() != 1)
        return UsageError(o, "produce needs one job file", "produce");
    long count = 0, idle = 0, dbWait = 60;
    if (!a.Int("--count", 1, 100000000, count, error) || !a.Int("--idle", 1, 86400, idle, error) ||
        !a.Int("--db-wait", 1, 86400, dbWait, error))
        return UsageError(o, error, "produce");
    vp::Job job;
    int rc = 0;
    if (!LoadJob(o, a.Words()[0], job, rc))
        return rc;
    const std::string location = DatabaseLocation(a, error);
    if (location.empty())
        return Refuse(o, error);
    const std::string station = a.Has("--station") ? a.One("--station") : HostName();
    std::string journal = a.One("--journal");
    if (journal.empty()) {
        const std::string fallback =
            vp::DefaultDatabasePath(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
        const std::string dir = fallback.empty()
                                    ? std::string(".")
                                    : std::filesystem::path(fallback).parent_path().string();
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        journal = vp::DefaultJournalPath(dir, job.name, station);
    }
    std::unique_ptr<vp::RecordStore> store;
    try {
        store = vp::OpenStore(location);
    } catch (const vp::StoreError& e) {
        return Refuse(o, e.what());
    }
    ReaderHandle h(o);
    if (!h)
        return kExitCut;

    StopSignals signals;
    vp::StationOptions options;
    options.station = station;
    options.count = count;
    options.journalPath = journal;
    options.idleMs = static_cast<int>(idle * 1000);
    options.storeWaitMs = static_cast<int>(dbWait * 1000);
    options.stopRequested = [&signals] { return signals.Pending(); };
    options.onStore = [&o](const std::string& problem) {
        if (o.json) {
            PrintJson(
                {{"database", problem.empty() ? "back" : "out of reach"}, {"message", problem}});
            std::fflush(stdout);
            return;
        }
        const std::string text =
            problem.empty() ? "the database is back" : problem + "; waiting before the next tag";
        std::fprintf(stderr, "\nvorexctl: %s\n", Printable(text).c_str());
    };
    const bool terminal = isatty(STDERR_FILENO) == 1;
    const auto start = std::chrono::steady_clock::now();
    int64_t done = 0;
    const auto progress = [&](const vp::TagReport& r) {
        done += r.kind == vp::TagReport::Kind::Passed;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double rate = seconds > 0 ? done / seconds * 3600 : 0;
        if (o.json) {
            json j{{"uid", r.uid},     {"result", vp::KindName(r.kind)},
                   {"error", r.error}, {"duration_ms", r.durationMs},
                   {"done", done},     {"target", count}};
            if (r.kind != vp::TagReport::Kind::Refused) {
                j["serial"] = r.serial;
                j["serial_text"] = r.serialText;
            }
            PrintJson(j);
            std::fflush(stdout); // a line per tag, as it happens, also into a pipe
            return;
        }
        if (r.kind != vp::TagReport::Kind::Passed)
            std::fprintf(stderr, "%s%s %s%s%s: %s\n", terminal ? "\r\033[K" : "",
                         vp::KindName(r.kind), r.uid.c_str(), r.serialText.empty() ? "" : " ",
                         r.serialText.c_str(), Printable(r.error).c_str());
        if (o.quiet)
            return;
        const std::string target = count > 0 ? std::to_string(count) : "-";
        std::fprintf(stderr, "%s%lld/%s  %.0f tags/h  last %s %s%s", terminal ? "\r\033[K" : "",
                     static_cast<long long>(done), target.c_str(), rate, r.uid.c_str(),
                     r.serialText.c_str(), terminal ? "" : "\n");
        std::fflush(stderr);
    };
    vp::Station runner(h.get(), job, *store, options);
    const vp::RunSummary s = runner.Run(progress);
    if (terminal && !o.json && !o.quiet)
        std::fputc('\n', stderr);
    const bool cut =
        s.end == vp::RunSummary::End::StoreDown || s.end == vp::RunSummary::End::ReaderGone ||
        s.end == vp::RunSummary::End::Exhausted || s.end == vp::RunSummary::End::Failed;
    if (o.json) {
        PrintJson({{"ok", !cut && s.voided == 0},
                   {"end", EndName(s.end)},
                   {"passed", s.passed},
                   {"void", s.voided},
                   {"refused", s.refused},
                   {"message", s.error}});
    } else {
        std::printf("%lld passed, %lld void, %lld refused\n", static_cast<long long>(s.passed),
                    static_cast<long long>(s.voided), static_cast<long long>(s.refused));
        if (cut)
            std::fprintf(stderr, "vorexctl: %s\n", Printable(s.error).c_str());
    }
    if (s.end == vp::RunSummary::End::Failed && s.passed + s.voided + s.refused == 0 &&
        s.error.rfind("$.", 0) == 0)
        return kExitUsage; // the job asks for what the reader cannot do
    return cut ? kExitCut : s.voided > 0 ? kExitFailed : kExitOk;
}

namespace {

int Report(const GlobalOptions& o, const std::vector<std::string>& words) {
    Args a;
    std::string error;
    if (!a.Parse(words, {{"--db"}, {}, {"--csv"}}, error))
        return UsageError(o, error, "production report");
    if (a.Words().size() != 1)
        return UsageError(o, "report needs one job (its file or its name)", "production report");
    // A job file names its job; a word that is no file is the job's name.
    std::string name = a.Words()[0];
    if (std::filesystem::is_regular_file(name)) {
        vp::Job job;
        int rc = 0;
        if (!LoadJob(o, name, job, rc))
            return rc;
        name = job.name;
    }
    const std::string location = DatabaseLocation(a, error);
    if (location.empty())
        return Refuse(o, error);
    std::vector<vp::Record> records;
    try {
        if (!a.Has("--db") && !std::filesystem::exists(location))
            return Refuse(o, "no embedded database at " + location + " yet");
        records = vp::OpenStore(location)->Records(name);
    } catch (const vp::StoreError& e) {
        return Refuse(o, e.what());
    }
    if (a.Has("--csv")) {
        std::printf("time,station,job,uid,serial,result,error,duration_ms\n");
        for (const vp::Record& r : records)
            std::printf("%s,%s,%s,%s,%lld,%s,%s,%lld\n", CsvField(r.time).c_str(),
                        CsvField(r.station).c_str(), CsvField(r.job).c_str(),
                        CsvField(r.uid).c_str(), static_cast<long long>(r.serial),
                        vp::ResultName(r.result), CsvField(r.error).c_str(),
                        static_cast<long long>(r.durationMs));
        return 0;
    }
    if (o.json) {
        json list = json::array();
        for (const vp::Record& r : records)
            list.push_back({{"time", r.time},
                            {"station", r.station},
                            {"uid", r.uid},
                            {"serial", r.serial},
                            {"result", vp::ResultName(r.result)},
                            {"error", r.error},
                            {"duration_ms", r.durationMs}});
        PrintJson({{"ok", true}, {"job", name}, {"records", list}});
        return 0;
    }
    int passed = 0, voided = 0;
    for (const vp::Record& r : records) {
        passed += r.result == vp::Result::Passed;
        voided += r.result == vp::Result::Void;
        std::printf("%-24s %-12s %-20s %10lld  %-7s %s\n", r.time.c_str(),
                    Printable(r.station).c_str(), r.uid.c_str(), static_cast<long long>(r.serial),
                    vp::ResultName(r.result), Printable(r.error).c_str());
    }
    std::printf("%zu records: %d passed, %d void, %zu pending\n", records.size(), passed, voided,
                records.size() - static_cast<size_t>(passed + voided));
    return 0;
}

} // namespace

int RunProduction(const GlobalOptions& o, const std::vector<std::string>& args) {
    static const std::vector<Command> kTable = {
        {"report", "the record of a job: time, station, UID, serial, result, reason", "", Report,
         "JOB [--db URL] [--csv]", Args::Spec{{"--db"}, {}, {"--csv"}}},
    };
    return Dispatch("production", kTable,
                    "JOB is a job file or a job's name. --db: a postgresql:// URL or an SQLite\n"
                    "file; default: the embedded database in the user's data folder.\n",
                    o, args);
}

} // namespace vorexctl
