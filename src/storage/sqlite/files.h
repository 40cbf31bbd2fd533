// Whole database files written beside their final place and renamed into
// it, so that a reader never finds one half-written.
#pragma once

#include <functional>
#include <string>

#include "storage/sqlite/connection.h"

namespace zl::sqlite {

// Writes the new database `path` with `fill`, in one transaction that
// reaches the disk. Throws DbError and leaves nothing behind on failure.
void WriteDatabase(const std::string& path, const std::function<void(Connection&)>& fill);

// Writes a new database into a temporary file beside `target` with `fill`,
// in one transaction that reaches the disk, and returns the temporary's
// path. Throws DbError and leaves nothing behind on failure.
std::string WriteTempDatabase(const std::string& target, const std::function<void(Connection&)>& fill);

// Writes the file `path` through `write(tmp)` to a temporary name beside it,
// renamed into place once whole; nothing is left behind on failure.
void WriteNewFile(const std::string& path, const std::function<void(const std::string& tmp)>& write);

// A name for a new file beside `target`, not yet taken.
std::string TempNameFor(const std::string& target);

// Removes a temporary database and its journal.
void RemoveTemp(const std::string& tmp);

// Renames `from` over `to`; throws DbError naming both.
void RenameOver(const std::string& from, const std::string& to);

}  // namespace zl::sqlite
