#include "tests/production/PgServer.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace vtest {

namespace {

// The folder of initdb and pg_ctl: on the PATH, or Debian's versioned folder.
std::string FindBinaries() {
    if (std::system("command -v pg_ctl >/dev/null 2>&1 && command -v initdb >/dev/null 2>&1") == 0)
        return "";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec))
        if (std::filesystem::exists(entry.path() / "bin/pg_ctl"))
            return (entry.path() / "bin/").string();
    return "-";
}

} // namespace

PgServer::PgServer() {
    bin_ = FindBinaries();
    if (bin_ == "-") {
        missing_ = true;
        error_ = "PostgreSQL server binaries (initdb, pg_ctl) not found; install the "
                 "postgresql package";
        return;
    }
    char templ[] = "/tmp/vorex-pg-XXXXXX";
    if (!mkdtemp(templ)) {
        error_ = "no temporary folder";
        return;
    }
    folder_ = templ;
    if (geteuid() == 0) {
        const passwd* user = getpwnam("nobody");
        if (!user || chown(folder_.c_str(), user->pw_uid, user->pw_gid) != 0) {
            error_ = "running as root, and no unprivileged user 'nobody' to run PostgreSQL";
            return;
        }
        asUser_ = "runuser -u nobody -- ";
    }
    if (Run(bin_ + "initdb -D " + folder_ +
            "/data -A trust -U vorex -E UTF8 --locale=C "
            "--no-sync >" +
            folder_ + "/initdb.log 2>&1") != 0) {
        error_ = "initdb failed (" + folder_ + "/initdb.log)";
        return;
    }
    if (!Start())
        error_ = "the server did not start (" + folder_ + "/server.log)";
}

PgServer::~PgServer() {
    if (folder_.empty())
        return;
    Stop();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

int PgServer::Run(const std::string& command) const {
    return std::system((asUser_ + command).c_str());
}

bool PgServer::Start() {
    return Run(bin_ + "pg_ctl -D " + folder_ + "/data -l " + folder_ + "/server.log -w -o \"-k " +
               folder_ + " -c listen_addresses='' -p 5432 -c fsync=off\" start >/dev/null 2>&1") ==
           0;
}

bool PgServer::Stop() {
    return Run(bin_ + "pg_ctl -D " + folder_ + "/data -m fast -w stop >/dev/null 2>&1") == 0;
}

std::string PgServer::NewDatabase() {
    std::string base = "postgresql:///?host=" + folder_ + "&port=5432&user=vorex&dbname=";
    std::string name = "t" + std::to_string(++databases_);
    std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb((base + "postgres").c_str()),
                                                    PQfinish);
    PGresult* result = PQexec(conn.get(), ("CREATE DATABASE " + name).c_str());
    PQclear(result);
    return base + name;
}

} // namespace vtest
