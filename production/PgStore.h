#pragma once
// The record store in a PostgreSQL database, for several stations on one line: any
// libpq connection URL (postgresql://host/db, a Unix-socket host as ?host=/run/x).
// The schema is the SQLite store's; the database enforces the same uniqueness.
#include "production/RecordStore.h"

#include <memory>
#include <string>

struct pg_conn;

namespace vorex::production {

class PgStore : public RecordStore {
public:
    // Connects and creates the schema when missing; StoreError when it cannot.
    explicit PgStore(const std::string& url);
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

    void RegisterJob(const std::string& job, const SerialFormat& format) override;
    Allocation Allocate(const std::string& job, const std::string& station,
                        const std::string& uid) override;
    void Finish(int64_t id, Result result, const std::string& error, int64_t durationMs) override;
    bool UidRecorded(const std::string& job, const std::string& uid) override;
    std::vector<Record> Records(const std::string& job) override;

private:
    struct Close {
        void operator()(pg_conn* conn) const;
    };
    class Reply;
    // Runs one statement with text parameters; a lost connection is tried once more
    // after a reconnect, any other failure is the caller's to judge.
    Reply Run(const char* sql, const std::vector<std::string>& params);
    [[noreturn]] void Fail(const std::string& what, const Reply& reply) const;

    std::unique_ptr<pg_conn, Close> conn_;
    std::string url_;
};

} // namespace vorex::production
