// A forward pass over the rows of one query on SQLite: rows are stepped
// through as the statement yields them and fields converted only when read.
#pragma once

#include <memory>
#include <vector>

#include "storage/database.h"
#include "storage/sqlite/connection.h"

namespace zl::sqlite {

class SqliteReader final : public Reader {
 public:
  // Prepares `query` and binds its values; throws DbError.
  SqliteReader(std::shared_ptr<Connection> conn, const Statement& query);

  bool Next() override;
  Value At(int pos) const override;

 private:
  std::shared_ptr<Connection> conn_;
  // Its own, so that it may outlive the connection's cache.
  StatementPtr stmt_;
  bool row_ = false;
};

// Binds `values` to the parameters of `stmt` in order.
void BindAll(sqlite3_stmt* stmt, const std::vector<Value>& values);

}  // namespace zl::sqlite
