#include "production/RecordStore.h"

#include "production/PgStore.h"
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

Result ResultByName(const std::string& name) {
    return name == "passed" ? Result::Passed : name == "void" ? Result::Void : Result::Pending;
}

void CheckOutcome(Result result, const std::string& error) {
    if (result == Result::Pending)
        throw StoreError("a record is finished as passed or void");
    if (result == Result::Void && error.empty())
        throw StoreError("a void serial needs its reason");
}

std::unique_ptr<RecordStore> OpenStore(const std::string& location) {
    if (location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0)
        return std::make_unique<PgStore>(location);
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
