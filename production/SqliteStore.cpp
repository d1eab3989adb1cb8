#include "production/SqliteStore.h"

#include "production/StoreSchema.h"

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace vorex::production {

namespace {

// How long a station waits for another one holding the file's write lock.
constexpr int kBusyTimeoutMs = 10000;

// One prepared statement, finalized when it goes.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            throw StoreError(std::string("SQLite: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, const std::string& text) {
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int index, int64_t value) {
        sqlite3_bind_int64(stmt_, index, value);
        return *this;
    }
    // SQLITE_ROW or SQLITE_DONE; any other code is returned for the caller to judge.
    int Step() { return sqlite3_step(stmt_); }
    int64_t Integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string Text(int column) const {
        const unsigned char* text = sqlite3_column_text(stmt_, column);
        return text ? reinterpret_cast<const char*>(text) : "";
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace

void SqliteStore::Close::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

SqliteStore::SqliteStore(const std::string& path) : path_(path) {
    // The default file lives in a data folder that may not exist yet.
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!parent.empty())
        std::filesystem::create_directories(parent, ignored);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    db_.reset(db);
    if (rc != SQLITE_OK)
        Fail("cannot be opened");
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    Exec("PRAGMA foreign_keys = ON");
    Exec("PRAGMA journal_mode = WAL");
    Exec(SchemaSql("INTEGER PRIMARY KEY").c_str());
}

SqliteStore::~SqliteStore() = default;

void SqliteStore::Fail(const std::string& what) const {
    throw StoreError("SQLite database " + path_ + ": " + what + " (" +
                     (db_ ? sqlite3_errmsg(db_.get()) : "out of memory") + ")");
}

void SqliteStore::Exec(const char* sql) {
    // A schema change or a journal switch can meet another station's lock at start-up;
    // the busy timeout covers statements, this covers the whole script.
    for (int attempt = 0;; ++attempt) {
        int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            return;
        if ((rc & 0xFF) != SQLITE_BUSY || attempt >= 100)
            Fail("cannot be prepared");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void SqliteStore::RegisterJob(const std::string& job, const SerialFormat& format) {
    Statement insert(db_.get(), "INSERT INTO production_jobs (job, prefix, width, start_serial,"
                                " step, last_serial) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"
                                " ON CONFLICT (job) DO NOTHING");
    insert.Bind(1, job).Bind(2, format.prefix).Bind(3, int64_t{format.width});
    insert.Bind(4, format.start).Bind(5, format.step).Bind(6, LastSerial(format.width));
    if (insert.Step() != SQLITE_DONE)
        Fail("cannot register job " + job);
    Statement check(db_.get(), "SELECT prefix, width, start_serial, step FROM production_jobs"
                               " WHERE job = ?1");
    check.Bind(1, job);
    if (check.Step() != SQLITE_ROW)
        Fail("cannot read job " + job);
    if (check.Text(0) != format.prefix || check.Integer(1) != format.width ||
        check.Integer(2) != format.start || check.Integer(3) != format.step)
        throw StoreError("job " + job + " is recorded with another serial format (prefix \"" +
                         check.Text(0) + "\", width " + std::to_string(check.Integer(1)) +
                         ", start " + std::to_string(check.Integer(2)) + ", step " +
                         std::to_string(check.Integer(3)) + ")");
}

Allocation SqliteStore::Allocate(const std::string& job, const std::string& station,
                                 const std::string& uid) {
    // One statement: the next serial after the largest ever issued (void ones included)
    // goes into a new pending record for this UID. SQLite runs one writer at a time, so
    // two stations never read the same largest serial.
    Statement next(db_.get(),
                   "INSERT INTO production_records (job, serial, uid, station, result, time)"
                   " SELECT j.job, COALESCE(MAX(r.serial) + j.step, j.start_serial), ?2, ?3,"
                   " 'pending', ?4"
                   " FROM production_jobs j LEFT JOIN production_records r ON r.job = j.job"
                   " WHERE j.job = ?1 GROUP BY j.job"
                   " HAVING COALESCE(MAX(r.serial) + j.step, j.start_serial) <= j.last_serial"
                   " RETURNING id, serial");
    next.Bind(1, job).Bind(2, uid).Bind(3, station).Bind(4, NowUtc());
    int rc = next.Step();
    Allocation allocation;
    if (rc == SQLITE_ROW) {
        allocation.id = next.Integer(0);
        allocation.serial = next.Integer(1);
        if (next.Step() != SQLITE_DONE)
            Fail("cannot allocate a serial for job " + job);
        return allocation;
    }
    if (rc == SQLITE_CONSTRAINT_UNIQUE &&
        std::string(sqlite3_errmsg(db_.get())).find(".uid") != std::string::npos) {
        allocation.status = Allocation::Status::UidRecorded;
        return allocation;
    }
    if (rc != SQLITE_DONE)
        Fail("cannot allocate a serial for job " + job);
    // No row: the job is unknown, or its serials are used up.
    Statement known(db_.get(), "SELECT 1 FROM production_jobs WHERE job = ?1");
    known.Bind(1, job);
    if (known.Step() != SQLITE_ROW)
        throw StoreError("job " + job + " is not registered");
    allocation.status = Allocation::Status::Exhausted;
    return allocation;
}

void SqliteStore::Finish(int64_t id, Result result, const std::string& error, int64_t durationMs) {
    CheckOutcome(result, error);
    Statement update(db_.get(),
                     "UPDATE production_records SET result = ?1, error = ?2,"
                     " duration_ms = ?3, time = ?4 WHERE id = ?5 AND result = 'pending'");
    update.Bind(1, std::string(ResultName(result))).Bind(2, error).Bind(3, durationMs);
    update.Bind(4, NowUtc()).Bind(5, id);
    if (update.Step() != SQLITE_DONE)
        Fail("cannot record the result of record " + std::to_string(id));
    if (sqlite3_changes(db_.get()) != 1)
        throw StoreError("record " + std::to_string(id) + " has no pending result");
}

bool SqliteStore::UidRecorded(const std::string& job, const std::string& uid) {
    Statement query(db_.get(), "SELECT 1 FROM production_records WHERE job = ?1 AND uid = ?2"
                               " AND result <> 'void'");
    query.Bind(1, job).Bind(2, uid);
    int rc = query.Step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        Fail("cannot look up UID " + uid);
    return rc == SQLITE_ROW;
}

std::vector<Record> SqliteStore::Records(const std::string& job) {
    Statement query(db_.get(), "SELECT id, time, station, job, uid, serial, result, error,"
                               " duration_ms FROM production_records WHERE job = ?1"
                               " ORDER BY serial");
    query.Bind(1, job);
    std::vector<Record> records;
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW) {
        Record r;
        r.id = query.Integer(0);
        r.time = query.Text(1);
        r.station = query.Text(2);
        r.job = query.Text(3);
        r.uid = query.Text(4);
        r.serial = query.Integer(5);
        r.result = ResultByName(query.Text(6));
        r.error = query.Text(7);
        r.durationMs = query.Integer(8);
        records.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE)
        Fail("cannot read the records of job " + job);
    return records;
}

} // namespace vorex::production
