#pragma once
// A PostgreSQL server of the test's own: initdb and pg_ctl in a temporary folder,
// listening only on a Unix socket there, run as an unprivileged user when the tests run
// as root (PostgreSQL refuses root). Stopped and removed when the object goes.
#include <string>

namespace vtest {

class PgServer {
public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // Empty when the server runs; else why not (no binaries: `missing` is true).
    const std::string& Error() const { return error_; }
    bool Missing() const { return missing_; }

    // A libpq URL of a new, empty database on this server.
    std::string NewDatabase();
    // Stops and starts the server again (the data stays).
    bool Stop();
    bool Start();

private:
    int Run(const std::string& command) const;

    std::string bin_;
    std::string folder_;
    std::string asUser_; // "runuser -u nobody -- " when root
    std::string error_;
    bool missing_ = false;
    int databases_ = 0;
};

} // namespace vtest
