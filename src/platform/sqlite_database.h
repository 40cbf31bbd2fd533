// The database interface on SQLite through Qt SQL.
#pragma once

#include <memory>
#include <string>

#include "database.h"

namespace zl {

// Texts travel between the window's 8-bit strings and the file as the
// Windows-1252 characters of their codes, as an Access file holds them.
std::unique_ptr<Database> MakeSqliteDatabase();

// Creates the database file `path` from the statements of `script` (UTF-8
// SQL, statements ending in ";" at a line end). Writes a temporary file
// beside it and renames it into place, so `path` is never half-written.
// Throws DbError.
void CreateDatabaseFromScript(const std::string& path, const std::string& script);

}  // namespace zl
