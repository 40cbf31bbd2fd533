// The database interface on SQLite.
#pragma once

#include <memory>
#include <string>

#include "database.h"

namespace zl {

// Texts travel between the window's 8-bit strings and the file as the
// Windows-1252 characters of their codes, as an Access file holds them.
std::unique_ptr<Database> MakeSqliteDatabase();

// Converts the Access file `path` into a database of this store: reads and
// checks all of it, writes the new file beside it, then keeps the original
// as "Data.access.mdb" in the same directory and puts the new file in its
// place. Returns where the original is kept. Throws DbError, and then has
// changed nothing.
std::string ConvertJetDatabase(const std::string& path);

}  // namespace zl
