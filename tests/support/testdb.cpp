#include "support/testdb.h"

#include <sqlite3.h>

#include <stdexcept>

#include "storage/sqlite/connection.h"
#include "storage/sqlite/script.h"
#include "support/files.h"

namespace zl::test {

std::string MakeTestDb(const std::string& dir, const std::string& extra_sql) {
  const std::string shipped = Read(ZL_DATA_SQL);
  if (shipped.empty()) throw std::runtime_error(std::string("cannot read ") + ZL_DATA_SQL);
  std::string path = dir + "/Data.mdb";
  CreateDatabaseFromScript(path, shipped + "\n" + extra_sql);
  return path;
}

std::string QueryRows(const std::string& db_path, const std::string& sql) {
  // A connection of its own, read-only and never creating the file checked.
  const auto conn = sqlite::Connection::OpenReadOnly(db_path);
  sqlite3_stmt* stmt = conn->Cached(sql);
  const sqlite::Reset reset(stmt);
  std::string out;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      out +=
          (i ? "|" : "") + (text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))) : "NULL");
    }
    out += '\n';
  }
  if (rc != SQLITE_DONE) throw std::runtime_error("QueryRows(" + sql + "): " + sqlite3_errmsg(conn->Handle()));
  return out;
}

}  // namespace zl::test
