#include "production/PgStore.h"

#include "production/StoreSchema.h"

#include <libpq-fe.h>

#include <cstdlib>

namespace vorex::production {

namespace {

// The advisory lock that lets one station at a time create the schema.
constexpr const char* kSchemaLock = "SELECT pg_advisory_lock(7302915)";
constexpr const char* kSchemaUnlock = "SELECT pg_advisory_unlock(7302915)";
// How often an allocation that lost a race for the same serial is tried again.
constexpr int kAllocationAttempts = 50;

// The URL without its password, for messages.
std::string Shown(const std::string& url) {
    size_t scheme = url.find("://");
    size_t at = url.find('@');
    if (scheme == std::string::npos || at == std::string::npos)
        return url;
    size_t colon = url.find(':', scheme + 3);
    if (colon == std::string::npos || colon > at)
        return url;
    return url.substr(0, colon) + ":***" + url.substr(at);
}

} // namespace

class PgStore::Reply {
public:
    explicit Reply(PGresult* result) : result_(result, PQclear) {}
    bool Ok() const {
        ExecStatusType s = PQresultStatus(result_.get());
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    int Rows() const { return PQntuples(result_.get()); }
    std::string Text(int row, int column) const { return PQgetvalue(result_.get(), row, column); }
    int64_t Integer(int row, int column) const { return std::stoll(Text(row, column)); }
    std::string Field(int code) const {
        const char* value = PQresultErrorField(result_.get(), code);
        return value ? value : "";
    }
    std::string Error() const {
        const char* message = PQresultErrorMessage(result_.get());
        std::string text = message ? message : "";
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        return text.empty() ? "no answer" : text;
    }
    int64_t Affected() const { return std::atoll(PQcmdTuples(result_.get())); }
    bool UniqueViolation() const { return Field(PG_DIAG_SQLSTATE) == "23505"; }
    std::string Constraint() const { return Field(PG_DIAG_CONSTRAINT_NAME); }

private:
    std::unique_ptr<PGresult, void (*)(PGresult*)> result_;
};

void PgStore::Close::operator()(pg_conn* conn) const {
    PQfinish(conn);
}

PgStore::PgStore(const std::string& url) : conn_(PQconnectdb(url.c_str())), url_(url) {
    if (!conn_ || PQstatus(conn_.get()) != CONNECTION_OK)
        throw StoreError("PostgreSQL database " + Shown(url) + ": cannot connect (" +
                         (conn_ ? PQerrorMessage(conn_.get()) : "out of memory") + ")");
    Run("SET client_min_messages = warning", {});
    Reply lock = Run(kSchemaLock, {});
    if (!lock.Ok())
        Fail("cannot prepare the schema", lock);
    Reply schema = Run(SchemaSql("BIGSERIAL PRIMARY KEY").c_str(), {});
    Run(kSchemaUnlock, {});
    if (!schema.Ok())
        Fail("cannot prepare the schema", schema);
}

PgStore::~PgStore() = default;

PgStore::Reply PgStore::Run(const char* sql, const std::vector<std::string>& params) {
    std::vector<const char*> values;
    for (const std::string& p : params)
        values.push_back(p.c_str());
    auto exec = [&] {
        return params.empty()
                   ? Reply(PQexec(conn_.get(), sql))
                   : Reply(PQexecParams(conn_.get(), sql, static_cast<int>(values.size()), nullptr,
                                        values.data(), nullptr, nullptr, 0));
    };
    Reply reply = exec();
    if (!reply.Ok() && PQstatus(conn_.get()) != CONNECTION_OK) {
        // The server went away: once more on a fresh connection. A statement that did
        // not reach the server is safe to repeat; one whose answer was lost may have
        // run, which the uniqueness rules then report instead of doing it twice.
        PQreset(conn_.get());
        if (PQstatus(conn_.get()) == CONNECTION_OK)
            return exec();
    }
    return reply;
}

void PgStore::Fail(const std::string& what, const Reply& reply) const {
    throw StoreError("PostgreSQL database " + Shown(url_) + ": " + what + " (" + reply.Error() +
                     ")");
}

void PgStore::RegisterJob(const std::string& job, const SerialFormat& format) {
    Reply insert =
        Run("INSERT INTO production_jobs (job, prefix, width, start_serial, step,"
            " last_serial) VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT (job) DO NOTHING",
            {job, format.prefix, std::to_string(format.width), std::to_string(format.start),
             std::to_string(format.step), std::to_string(LastSerial(format.width))});
    if (!insert.Ok())
        Fail("cannot register job " + job, insert);
    Reply check = Run("SELECT prefix, width, start_serial, step FROM production_jobs"
                      " WHERE job = $1",
                      {job});
    if (!check.Ok() || check.Rows() != 1)
        Fail("cannot read job " + job, check);
    if (check.Text(0, 0) != format.prefix || check.Integer(0, 1) != format.width ||
        check.Integer(0, 2) != format.start || check.Integer(0, 3) != format.step)
        throw StoreError("job " + job + " is recorded with another serial format (prefix \"" +
                         check.Text(0, 0) + "\", width " + check.Text(0, 1) + ", start " +
                         check.Text(0, 2) + ", step " + check.Text(0, 3) + ")");
}

Allocation PgStore::Allocate(const std::string& job, const std::string& station,
                             const std::string& uid) {
    // One statement: the serial after the largest ever issued (void ones included) in a
    // new pending record for this UID. Two stations that read the same largest serial
    // at once meet the (job, serial) constraint; the loser asks again.
    const char* sql =
        "INSERT INTO production_records (job, serial, uid, station, result, time)"
        " SELECT j.job, COALESCE(MAX(r.serial) + j.step, j.start_serial), $2, $3, 'pending', $4"
        " FROM production_jobs j LEFT JOIN production_records r ON r.job = j.job"
        " WHERE j.job = $1 GROUP BY j.job, j.step, j.start_serial, j.last_serial"
        " HAVING COALESCE(MAX(r.serial) + j.step, j.start_serial) <= j.last_serial"
        " RETURNING id, serial";
    Allocation allocation;
    for (int attempt = 0; attempt < kAllocationAttempts; ++attempt) {
        Reply reply = Run(sql, {job, uid, station, NowUtc()});
        if (reply.Ok() && reply.Rows() == 1) {
            allocation.id = reply.Integer(0, 0);
            allocation.serial = reply.Integer(0, 1);
            return allocation;
        }
        if (reply.Ok()) {
            Reply known = Run("SELECT 1 FROM production_jobs WHERE job = $1", {job});
            if (!known.Ok())
                Fail("cannot allocate a serial for job " + job, known);
            if (known.Rows() == 0)
                throw StoreError("job " + job + " is not registered");
            allocation.status = Allocation::Status::Exhausted;
            return allocation;
        }
        if (reply.UniqueViolation() && reply.Constraint() == "production_records_live_uid") {
            allocation.status = Allocation::Status::UidRecorded;
            return allocation;
        }
        if (!reply.UniqueViolation())
            Fail("cannot allocate a serial for job " + job, reply);
    }
    throw StoreError("job " + job + ": no serial after " + std::to_string(kAllocationAttempts) +
                     " attempts (too many stations at once)");
}

void PgStore::Finish(int64_t id, Result result, const std::string& error, int64_t durationMs) {
    CheckOutcome(result, error);
    Reply update =
        Run("UPDATE production_records SET result = $1, error = $2, duration_ms = $3,"
            " time = $4 WHERE id = $5 AND result = 'pending'",
            {ResultName(result), error, std::to_string(durationMs), NowUtc(), std::to_string(id)});
    if (!update.Ok())
        Fail("cannot record the result of record " + std::to_string(id), update);
    if (update.Affected() != 1)
        throw StoreError("record " + std::to_string(id) + " has no pending result");
}

bool PgStore::UidRecorded(const std::string& job, const std::string& uid) {
    Reply query = Run("SELECT 1 FROM production_records WHERE job = $1 AND uid = $2"
                      " AND result <> 'void'",
                      {job, uid});
    if (!query.Ok())
        Fail("cannot look up UID " + uid, query);
    return query.Rows() > 0;
}

std::vector<Record> PgStore::Records(const std::string& job) {
    Reply query = Run("SELECT id, time, station, job, uid, serial, result, error, duration_ms"
                      " FROM production_records WHERE job = $1 ORDER BY serial",
                      {job});
    if (!query.Ok())
        Fail("cannot read the records of job " + job, query);
    std::vector<Record> records;
    for (int row = 0; row < query.Rows(); ++row) {
        Record r;
        r.id = query.Integer(row, 0);
        r.time = query.Text(row, 1);
        r.station = query.Text(row, 2);
        r.job = query.Text(row, 3);
        r.uid = query.Text(row, 4);
        r.serial = query.Integer(row, 5);
        r.result = ResultByName(query.Text(row, 6));
        r.error = query.Text(row, 7);
        r.durationMs = query.Integer(row, 8);
        records.push_back(std::move(r));
    }
    return records;
}

} // namespace vorex::production
