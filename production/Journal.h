#pragma once
// The station's local journal: results of tags that could not be recorded because the
// database was out of reach. It is rewritten as a whole through a temporary file that is
// synced and renamed over it, so a crash leaves either the old or the new journal;
// results leave it only once the database has them.
#include "production/RecordStore.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorex::production {

// The journal file cannot be read, written or understood: no retry helps.
class JournalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct KeptResult {
    int64_t id = 0; // the record of the allocation
    Result result = Result::Void;
    std::string error;
    int64_t durationMs = 0;
    std::string uid; // for messages
    int64_t serial = 0;
};

class Journal {
public:
    explicit Journal(std::string path) : path_(std::move(path)) {}

    // The results kept; none when there is no journal. JournalError when the file
    // cannot be read or is not a journal (it is left as it is).
    std::vector<KeptResult> Load() const;
    // Replaces the journal with `results` (none: removes it). JournalError when it
    // cannot be written.
    void Save(const std::vector<KeptResult>& results) const;
    // Writes the kept results to the store and keeps what it could not take. Throws
    // the store's StoreError when the database is out of reach (the rest stays kept).
    void Flush(RecordStore& store, const std::string& job) const;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The journal of a job at a station beside the default database: <dir>/journal-<job>-
// <station>.json (characters other than letters, digits, '-', '_' and '.' as '_').
std::string DefaultJournalPath(const std::string& databaseDir, const std::string& job,
                               const std::string& station);

} // namespace vorex::production
