// The database interface on SQLite.
#pragma once

#include <memory>
#include <string>

#include "storage/database.h"

namespace zl {

// Texts travel between the window's 8-bit strings and the file as the
// Windows-1252 characters of their codes, as an Access file holds them.
std::unique_ptr<Database> MakeSqliteDatabase();

}  // namespace zl
