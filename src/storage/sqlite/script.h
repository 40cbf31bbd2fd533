// Building a database file from an SQL script: the build makes the shipped
// Data.mdb this way, and the tests their files.
#pragma once

#include <string>

#include "storage/database.h"

namespace zl {

// Creates the database file `path` from the SQL statements of `script`
// (UTF-8). Writes a temporary file beside it and renames it into place, so
// `path` is never half-written. Throws DbError.
void CreateDatabaseFromScript(const std::string& path, const std::string& script);

}  // namespace zl
