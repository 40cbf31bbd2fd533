#include "storage/sqlite/reader.h"

namespace zl::sqlite {

void BindAll(sqlite3_stmt* stmt, const std::vector<Value>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) BindValue(stmt, static_cast<int>(i) + 1, values[i]);
}

SqliteReader::SqliteReader(std::shared_ptr<Connection> conn, const Statement& query)
    : conn_(std::move(conn)), stmt_(conn_->Prepare(query.sql)) {
  BindAll(stmt_.get(), query.values);
}

bool SqliteReader::Next() {
  if (!stmt_) return false;
  conn_->Handle();
  try {
    row_ = conn_->Step(stmt_.get());
  } catch (...) {
    row_ = false;
    stmt_.reset();
    throw;
  }
  // Finalized at the end, so that the file is let go at once.
  if (!row_) stmt_.reset();
  return row_;
}

Value SqliteReader::At(int pos) const {
  conn_->Handle();
  if (!row_) throw DbError(kNoCurrentRecord, "no current record");
  if (pos < 0 || pos >= sqlite3_column_count(stmt_.get()))
    throw DbError(kNoSuchItem,
                  "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  return ColumnValue(stmt_.get(), pos);
}

}  // namespace zl::sqlite
