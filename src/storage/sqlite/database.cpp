#include "storage/sqlite/database.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "storage/sqlite/connection.h"
#include "storage/sqlite/files.h"
#include "storage/sqlite/recordset.h"
#include "text/paths.h"

namespace zl {

namespace fs = std::filesystem;
using sqlite::Connection;

namespace {

class SqliteDatabase final : public Database {
 public:
  ~SqliteDatabase() override { Close(); }

  void Open(const std::string& path) override {
    if (IsOpen()) throw DbError(sqlite::kAlreadyOpen, "Operation is not allowed when the object is open.");
    std::error_code ec;
    // SQLite takes a zero-length file for an empty database; no database
    // this program can use is empty.
    if (fs::is_regular_file(PathFromUtf8(path), ec) && fs::file_size(PathFromUtf8(path), ec) == 0)
      throw DbError(sqlite::kNotADatabase, "file is not a database");
    conn_ = Connection::Open(path);
    path_ = path;
    conn_->waiting = [this] {
      if (Waiting) Waiting();
    };
  }

  bool IsOpen() const override { return conn_ && conn_->IsOpen(); }

  std::optional<std::string> ReadOnlyReason() override {
    sqlite3* db = Live().Handle();
    // SQLite opens a file it may not write for reading only.
    if (sqlite3_db_readonly(db, "main") == 1) return path_ + " is read-only for this user";
    // A write needs a journal file beside the database: a change made and
    // rolled back tells, without the file changing.
    try {
      Run("BEGIN IMMEDIATE");
      conn_->Exec("CREATE TABLE zl_write_probe (x)");
      Run("ROLLBACK");
    } catch (const DbError& e) {
      try {
        Run("ROLLBACK");
      } catch (const DbError&) {
        // Nothing was begun.
      }
      if (e.GetCause() == DbError::Cause::Busy) return std::nullopt;
      const std::string folder = PathToUtf8(PathFromUtf8(path_).parent_path());
      if ((e.Number() & 0xFF) == SQLITE_CANTOPEN || e.Number() == SQLITE_READONLY_DIRECTORY)
        return "its folder " + folder + " cannot be written, and every change needs a journal file there";
      return e.Report();
    }
    return std::nullopt;
  }

  void Close() override {
    if (!conn_) return;
    conn_->Close();
    conn_.reset();
  }

  void BackupTo(const std::string& path) override {
    sqlite3* source = Live().Handle();
    sqlite::WriteNewFile(path, [&](const std::string& tmp) {
      const auto copy = Connection::Create(tmp);
      sqlite3_backup* backup = sqlite3_backup_init(copy->Handle(), "main", source, "main");
      if (!backup) throw sqlite::ErrorOf(copy->Handle(), sqlite3_errcode(copy->Handle()));
      // One step copies every page under one read lock: a consistent copy.
      const int rc = sqlite3_backup_step(backup, -1);
      sqlite3_backup_finish(backup);
      if (rc != SQLITE_DONE)
        throw sqlite::ErrorOf(rc == SQLITE_BUSY || rc == SQLITE_LOCKED ? source : copy->Handle(), rc);
      copy->Close();
    });
  }

  void Execute(const std::string& sql) override {
    const sqlite::StatementPtr stmt = Live().Prepare(sql);
    while (conn_->Step(stmt.get())) {
    }
  }

  std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override {
    Live();
    auto rs = std::make_unique<sqlite::SqliteRecordset>(conn_, sql);
    rs->Load();
    return rs;
  }

  std::unique_ptr<Recordset> OpenForwardOnly(const std::string& sql) override {
    Live();
    return std::make_unique<sqlite::SqliteCursor>(conn_, sql);
  }

  void BeginTrans() override { Run("BEGIN"); }
  void CommitTrans() override { Run("COMMIT"); }
  void RollbackTrans() override { Run("ROLLBACK"); }

  void StartOperation() override {
    if (conn_) conn_->StartOperation();
  }

 private:
  Connection& Live() const {
    if (!IsOpen()) throw sqlite::ClosedError();
    return *conn_;
  }

  void Run(const char* sql) {
    sqlite3_stmt* stmt = Live().Cached(sql);
    sqlite::Reset reset(stmt);
    conn_->Step(stmt);
  }

  std::shared_ptr<Connection> conn_;
  std::string path_;
};

}  // namespace

std::unique_ptr<Database> MakeSqliteDatabase() { return std::make_unique<SqliteDatabase>(); }

}  // namespace zl
