// A thin RAII layer over the SQLite C API, for the benchmarks' floors and
// for resetting files between iterations.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace zl::bench {

class SqlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Stmt {
 public:
  Stmt() = default;
  Stmt(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s_, nullptr) != SQLITE_OK)
      throw SqlError(sql + ": " + sqlite3_errmsg(db));
  }
  Stmt(Stmt&& o) noexcept : db_(o.db_), s_(o.s_) { o.s_ = nullptr; }
  Stmt& operator=(Stmt&& o) noexcept {
    std::swap(db_, o.db_);
    std::swap(s_, o.s_);
    return *this;
  }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;
  ~Stmt() { sqlite3_finalize(s_); }

  Stmt& Bind(int i, std::int64_t v) {
    sqlite3_bind_int64(s_, i, v);
    return *this;
  }
  Stmt& Bind(int i, const std::string& v) {
    sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  // True while a row is available.
  bool Step() {
    const int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw SqlError(std::string(sqlite3_sql(s_)) + ": " + sqlite3_errmsg(db_));
  }
  // Runs a statement that returns no rows, ready to run again.
  void Run() {
    Step();
    Reset();
  }
  void Reset() {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }
  std::int64_t Int(int col) const { return sqlite3_column_int64(s_, col); }
  std::string Text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s_, col));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s_, col))) : std::string();
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* s_ = nullptr;
};

class Sqlite {
 public:
  explicit Sqlite(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      const std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw SqlError(path + ": " + msg);
    }
  }
  Sqlite(const Sqlite&) = delete;
  Sqlite& operator=(const Sqlite&) = delete;
  ~Sqlite() { sqlite3_close_v2(db_); }

  Stmt Prepare(const std::string& sql) { return Stmt(db_, sql); }
  void Exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      const std::string msg = err ? err : "error";
      sqlite3_free(err);
      throw SqlError(sql + ": " + msg);
    }
  }
  // The whole database into the new file `path`, as an online backup.
  void BackupTo(const std::string& path) {
    sqlite3* copy = nullptr;
    if (sqlite3_open_v2(path.c_str(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
      sqlite3_close(copy);
      throw SqlError(path + ": cannot create");
    }
    sqlite3_backup* b = sqlite3_backup_init(copy, "main", db_, "main");
    const int rc = b ? sqlite3_backup_step(b, -1) : SQLITE_ERROR;
    sqlite3_backup_finish(b);
    sqlite3_close(copy);
    if (rc != SQLITE_DONE) throw SqlError(path + ": backup failed");
  }
  // First column of the first row, as text.
  std::string Scalar(const std::string& sql) {
    Stmt s = Prepare(sql);
    return s.Step() ? s.Text(0) : std::string();
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace zl::bench
