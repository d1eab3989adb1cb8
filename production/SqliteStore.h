#pragma once
// The record store in an SQLite file: one station by default, or several processes on
// one machine sharing the file (writes are serialized by SQLite's lock, with a busy wait).
#include "production/RecordStore.h"

#include <memory>
#include <string>

struct sqlite3;

namespace vorex::production {

class SqliteStore : public RecordStore {
public:
    // Opens or creates the file and its schema; StoreError when it cannot.
    explicit SqliteStore(const std::string& path);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    void RegisterJob(const std::string& job, const SerialFormat& format) override;
    Allocation Allocate(const std::string& job, const std::string& station,
                        const std::string& uid) override;
    void Finish(int64_t id, Result result, const std::string& error, int64_t durationMs) override;
    bool UidRecorded(const std::string& job, const std::string& uid) override;
    std::vector<Record> Records(const std::string& job) override;

private:
    struct Close {
        void operator()(sqlite3* db) const;
    };
    void Exec(const char* sql);
    [[noreturn]] void Fail(const std::string& what) const;

    std::unique_ptr<sqlite3, Close> db_;
    std::string path_;
};

} // namespace vorex::production
