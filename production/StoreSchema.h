#pragma once
// The tables of the record store, the same in SQLite and PostgreSQL (only the type of
// the record id differs), and the current time as the records write it.
#include <string>

namespace vorex::production {

// `idColumn`: "INTEGER PRIMARY KEY" (SQLite) or "BIGSERIAL PRIMARY KEY" (PostgreSQL).
std::string SchemaSql(const std::string& idColumn);

// UTC now, "2026-12-11T03:24:20.123Z".
std::string NowUtc();

} // namespace vorex::production
