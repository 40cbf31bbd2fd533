#include "storage/sqlite/database.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "storage/sqlite/connection.h"
#include "storage/sqlite/files.h"
#include "storage/sqlite/reader.h"
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
      Run({"BEGIN IMMEDIATE", {}});
      conn_->Exec("CREATE TABLE zl_write_probe (x)");
      Run({"ROLLBACK", {}});
    } catch (const DbError& e) {
      try {
        Run({"ROLLBACK", {}});
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

  std::unique_ptr<Reader> Read(const Statement& query) override {
    return std::make_unique<sqlite::SqliteReader>(Conn(), query);
  }

  Value ReadValue(const Statement& query) override {
    const sqlite::CachedUse use(Live(), query.sql);
    sqlite::BindAll(use.get(), query.values);
    return conn_->Step(use.get()) ? sqlite::ColumnValue(use.get(), 0) : Value();
  }

  Snapshot ReadAll(const Statement& query) override {
    const sqlite::CachedUse use(Live(), query.sql);
    sqlite3_stmt* stmt = use.get();
    sqlite::BindAll(stmt, query.values);
    std::vector<std::string> columns;
    const int width = sqlite3_column_count(stmt);
    for (int i = 1; i < width; ++i) {
      const char* name = sqlite3_column_name(stmt, i);
      columns.emplace_back(name ? name : "");
    }
    Snapshot rows(std::move(columns));
    std::vector<Value> values;
    while (conn_->Step(stmt)) {
      values.clear();
      for (int i = 1; i < width; ++i) values.push_back(sqlite::ColumnValue(stmt, i));
      rows.Append(sqlite3_column_int64(stmt, 0), std::move(values));
    }
    return rows;
  }

  int Run(const Statement& statement) override {
    const sqlite::CachedUse use(Live(), statement.sql);
    sqlite3_stmt* stmt = use.get();
    sqlite::BindAll(stmt, statement.values);
    while (conn_->Step(stmt)) {
    }
    return sqlite3_changes(conn_->Handle());
  }

  std::int64_t Insert(Table table, const std::vector<Value>& values) override {
    std::string names, marks;
    for (std::size_t i = 0; i < values.size(); ++i) {
      names += (i ? "," : "") + sqlite::QuoteIdentifier(Column(table, static_cast<int>(i)));
      marks += i ? ",?" : "?";
    }
    const std::string into = sqlite::QuoteIdentifier(TableName(table));
    Run({values.empty() ? "INSERT INTO " + into + " DEFAULT VALUES"
                        : "INSERT INTO " + into + " (" + names + ") VALUES (" + marks + ")",
         values});
    return sqlite3_last_insert_rowid(conn_->Handle());
  }

  void Set(Table table, std::int64_t rowid, int pos, const Value& value) override {
    const std::string sql = "UPDATE " + sqlite::QuoteIdentifier(TableName(table)) + " SET " +
                            sqlite::QuoteIdentifier(Column(table, pos)) + "=? WHERE rowid=?";
    if (Run({sql, {value, rowid}}) == 0) throw RowGone();
  }

  void Delete(Table table, std::int64_t rowid) override {
    if (Run({"DELETE FROM " + sqlite::QuoteIdentifier(TableName(table)) + " WHERE rowid=?", {rowid}}) == 0)
      throw RowGone();
  }

  void Begin() override { Run({"BEGIN", {}}); }
  void Commit() override { Run({"COMMIT", {}}); }
  void Rollback() override { Run({"ROLLBACK", {}}); }

  void StartOperation() override {
    if (conn_) conn_->StartOperation();
  }

 private:
  Connection& Live() const {
    if (!IsOpen()) throw sqlite::ClosedError();
    return *conn_;
  }

  const std::shared_ptr<Connection>& Conn() const {
    Live();
    return conn_;
  }

  // The name of the field at `pos` of `table`: fields are addressed by
  // position, whatever the file calls them.
  std::string Column(Table table, int pos) {
    const std::vector<std::string> names = Live().Columns(TableName(table));
    if (pos < 0 || pos >= static_cast<int>(names.size()))
      throw DbError(sqlite::kNoSuchItem,
                    "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    return names[static_cast<std::size_t>(pos)];
  }

  static DbError RowGone() {
    return DbError(sqlite::kRowGone,
                   "Row cannot be located for updating. Some values may have been changed since it was last read.");
  }

  std::shared_ptr<Connection> conn_;
  std::string path_;
};

}  // namespace

std::unique_ptr<Database> MakeSqliteDatabase() { return std::make_unique<SqliteDatabase>(); }

}  // namespace zl
