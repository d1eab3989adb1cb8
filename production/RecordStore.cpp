#include "production/RecordStore.h"

#include "production/SqliteStore.h"

namespace vorex::production {

const char* ResultName(Result result) {
    switch (result) {
    case Result::Pending:
        return "pending";
    case Result::Passed:
        return "passed";
    case Result::Void:
        return "void";
    }
    return "";
}

std::unique_ptr<RecordStore> OpenStore(const std::string& location) {
    if (location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0)
        throw StoreError("PostgreSQL databases are not supported by this build: " + location);
    return std::make_unique<SqliteStore>(location);
}

std::string DefaultDatabasePath(const char* xdgDataHome, const char* home) {
    const std::string app = "/Nvk Applikationen/VorexProgrammer/production.sqlite";
    if (xdgDataHome && xdgDataHome[0] == '/')
        return xdgDataHome + app;
    if (home && home[0] == '/') {
        std::string base = home;
        while (base.size() > 1 && base.back() == '/')
            base.pop_back();
        return base + "/.local/share" + app;
    }
    return {};
}

} // namespace vorex::production
