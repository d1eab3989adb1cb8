#include "production/StoreSchema.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vorex::production {

std::string SchemaSql(const std::string& idColumn) {
    return "CREATE TABLE IF NOT EXISTS production_jobs ("
           " job TEXT PRIMARY KEY,"
           " prefix TEXT NOT NULL,"
           " width INTEGER NOT NULL,"
           " start_serial BIGINT NOT NULL,"
           " step BIGINT NOT NULL CHECK (step > 0),"
           " last_serial BIGINT NOT NULL);"
           "CREATE TABLE IF NOT EXISTS production_records ("
           " id " +
           idColumn +
           ","
           " job TEXT NOT NULL REFERENCES production_jobs(job),"
           " serial BIGINT NOT NULL,"
           " uid TEXT NOT NULL,"
           " station TEXT NOT NULL,"
           " result TEXT NOT NULL CHECK (result IN ('pending', 'passed', 'void')),"
           " error TEXT NOT NULL DEFAULT '',"
           " time TEXT NOT NULL,"
           " duration_ms BIGINT NOT NULL DEFAULT 0,"
           " CHECK (result <> 'void' OR error <> ''),"
           " UNIQUE (job, serial));"
           // A UID has one live record per job; a void one does not keep the tag out.
           "CREATE UNIQUE INDEX IF NOT EXISTS production_records_live_uid"
           " ON production_records (job, uid) WHERE result <> 'void';";
}

std::string NowUtc() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    char out[40];
    std::snprintf(out, sizeof out, "%s.%03dZ", text, static_cast<int>(ms.count()));
    return out;
}

} // namespace vorex::production
