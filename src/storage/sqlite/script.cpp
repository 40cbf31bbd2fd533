#include "storage/sqlite/script.h"

#include "storage/sqlite/files.h"

namespace zl {

void CreateDatabaseFromScript(const std::string& path, const std::string& script) {
  const std::string tmp = sqlite::WriteTempDatabase(path, [&](sqlite::Connection& conn) { conn.Exec(script); });
  try {
    sqlite::RenameOver(tmp, path);
  } catch (...) {
    sqlite::RemoveTemp(tmp);
    throw;
  }
}

}  // namespace zl
