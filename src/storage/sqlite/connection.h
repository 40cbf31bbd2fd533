// One open SQLite file, as the readers and the database object share it:
// the handle, the statements prepared once and used again, how values cross
// between the file and the window's 8-bit texts, and how long an operation
// waits for a file that another program holds.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "storage/database.h"
#include "storage/provider_errors.h"

namespace zl::sqlite {

using namespace provider_error;
constexpr int kNotADatabase = SQLITE_NOTADB;

// The error SQLite reports for `rc` on `db` (extended code and message).
DbError ErrorOf(sqlite3* db, int rc);
DbError ClosedError();

// "name" quoted as an SQL identifier.
std::string QuoteIdentifier(const std::string& name);

// Column `i` of the current row. Texts are stored as the Windows-1252
// characters of the window's 8-bit codes.
Value ColumnValue(sqlite3_stmt* stmt, int i);
// Binds `value` to parameter `i` (1-based).
void BindValue(sqlite3_stmt* stmt, int i, const Value& value);

// A statement that is finalized when it goes.
using StatementPtr = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

// Resets a statement at the end of a scope, so that a cached one can be used
// again and holds no lock meanwhile.
class Reset {
 public:
  explicit Reset(sqlite3_stmt* stmt) : stmt_(stmt) {}
  Reset(const Reset&) = delete;
  Reset& operator=(const Reset&) = delete;
  ~Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

 private:
  sqlite3_stmt* stmt_;
};

class Connection {
 public:
  // Opens an existing file for reading and writing; never creates one.
  static std::shared_ptr<Connection> Open(const std::string& path);
  // Opens an existing file for reading only.
  static std::shared_ptr<Connection> OpenReadOnly(const std::string& path);
  // Creates a new file; fails if `path` exists.
  static std::shared_ptr<Connection> Create(const std::string& path);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool IsOpen() const { return db_ != nullptr; }
  void Close();
  // Throws ClosedError once closed.
  sqlite3* Handle() const;

  // A new statement for `sql`; throws DbError.
  StatementPtr Prepare(const std::string& sql) const;
  // A statement kept for the life of the connection: the program runs a
  // handful of texts, each many times.
  sqlite3_stmt* Cached(const std::string& sql);
  // Runs `sql` (one statement or several) to the end.
  void Exec(const std::string& sql);
  // Steps `stmt` once; throws DbError unless it gave a row or finished.
  bool Step(sqlite3_stmt* stmt) const;

  // The names of the columns of `table`, in position order.
  std::vector<std::string> Columns(const std::string& table);

  // Each operation of the window may wait this long in all for a file that
  // another program holds, before it fails as busy.
  static constexpr std::chrono::milliseconds kWaitBudget{2000};
  void StartOperation();
  // Raised once per operation, as it starts to wait.
  std::function<void()> waiting;

 private:
  explicit Connection(sqlite3* db);
  static std::shared_ptr<Connection> OpenWith(const std::string& path, int flags);
  static int OnBusy(void* self, int count);

  sqlite3* db_;
  std::unordered_map<std::string, StatementPtr> cache_;
  std::chrono::milliseconds budget_ = kWaitBudget;
  bool told_ = false;
};

// The connection's statement for `sql` for one use, reset when it goes; one
// of its own while that one is part way through a pass.
class CachedUse {
 public:
  CachedUse(Connection& conn, const std::string& sql);
  CachedUse(const CachedUse&) = delete;
  CachedUse& operator=(const CachedUse&) = delete;
  ~CachedUse() { Reset(); }
  sqlite3_stmt* get() const { return stmt_; }
  // Lets go of the file: the pass ends and the values are unbound.
  void Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

 private:
  StatementPtr own_{nullptr, &sqlite3_finalize};
  sqlite3_stmt* stmt_;
};

}  // namespace zl::sqlite
