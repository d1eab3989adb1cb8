#include "production/Journal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

namespace vorex::production {

using nlohmann::json;

std::vector<KeptResult> Journal::Load() const {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        if (access(path_.c_str(), F_OK) != 0 && errno == ENOENT)
            return {};
        throw JournalError("journal " + path_ + ": cannot be read (" + std::strerror(errno) + ")");
    }
    std::stringstream text;
    text << in.rdbuf();
    const json j = json::parse(text.str(), nullptr, false);
    std::vector<KeptResult> out;
    const auto bad = [this](const std::string& why) {
        return JournalError("journal " + path_ + " is damaged (" + why +
                            "); it is left as it is for a look by hand");
    };
    if (!j.is_object() || !j.contains("results") || !j.at("results").is_array())
        throw bad("no \"results\" list");
    for (const json& r : j.at("results")) {
        if (!r.is_object() || !r.value("id", json()).is_number_integer() ||
            !r.value("result", json()).is_string() || !r.value("error", json()).is_string() ||
            !r.value("duration_ms", json()).is_number_integer())
            throw bad("an entry lacks id, result, error or duration_ms");
        KeptResult k;
        k.id = r.at("id").get<int64_t>();
        k.result = ResultByName(r.at("result").get<std::string>());
        k.error = r.at("error").get<std::string>();
        k.durationMs = r.at("duration_ms").get<int64_t>();
        k.uid = r.value("uid", "");
        k.serial = r.value("serial", int64_t{0});
        if (k.result == Result::Pending)
            throw bad("an entry has no outcome");
        out.push_back(std::move(k));
    }
    return out;
}

void Journal::Save(const std::vector<KeptResult>& results) const {
    if (results.empty()) {
        if (std::remove(path_.c_str()) != 0 && errno != ENOENT)
            throw JournalError("journal " + path_ + ": cannot be removed (" + std::strerror(errno) +
                               ")");
        return;
    }
    json list = json::array();
    for (const KeptResult& k : results)
        list.push_back({{"id", k.id},
                        {"result", ResultName(k.result)},
                        {"error", k.error},
                        {"duration_ms", k.durationMs},
                        {"uid", k.uid},
                        {"serial", k.serial}});
    const std::string text = json{{"results", list}}.dump(1) + "\n";
    const std::string temp = path_ + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (size_t at = 0; ok && at < text.size();) {
        const ssize_t n = write(fd, text.data() + at, text.size() - at);
        ok = n > 0 || (n < 0 && errno == EINTR);
        at += n > 0 ? static_cast<size_t>(n) : 0;
    }
    ok = ok && fsync(fd) == 0;
    const int saved = errno;
    if (fd >= 0)
        close(fd);
    if (!ok || std::rename(temp.c_str(), path_.c_str()) != 0) {
        const int why = ok ? errno : saved;
        std::remove(temp.c_str());
        throw JournalError("journal " + path_ + ": cannot be written (" + std::strerror(why) + ")");
    }
}

void Journal::Flush(RecordStore& store, const std::string& job) const {
    std::vector<KeptResult> kept = Load();
    while (!kept.empty()) {
        const KeptResult& k = kept.front();
        try {
            store.Finish(k.id, k.result, k.error, k.durationMs);
        } catch (const StoreError&) {
            // A result whose answer was lost on the way may be recorded already.
            bool recorded = false;
            try {
                for (const Record& r : store.Records(job))
                    recorded = recorded || (r.id == k.id && r.result != Result::Pending);
            } catch (const StoreError&) {
            }
            if (!recorded) {
                Save(kept);
                throw;
            }
        }
        kept.erase(kept.begin());
    }
    Save(kept);
}

std::string DefaultJournalPath(const std::string& databaseDir, const std::string& job,
                               const std::string& station) {
    std::string name = "journal-" + job + "-" + station + ".json";
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
            c = '_';
    return databaseDir + "/" + name;
}

} // namespace vorex::production
