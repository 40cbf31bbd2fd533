#include "storage/sqlite/connection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "text/cp1252.h"
#include "text/paths.h"

namespace zl::sqlite {

namespace {

DbError::Cause CauseOf(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return DbError::Cause::Busy;
    case SQLITE_READONLY: return DbError::Cause::ReadOnly;
    default: return DbError::Cause::Other;
  }
}

}  // namespace

DbError ErrorOf(sqlite3* db, int rc) {
  const int code = db ? sqlite3_extended_errcode(db) : rc;
  const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  // The handle keeps the last failure; a code given that differs wins.
  const int number = (code & 0xFF) == (rc & 0xFF) ? code : rc;
  return DbError(number, message ? message : sqlite3_errstr(rc), CauseOf(number));
}

DbError ClosedError() { return DbError(kClosed, "Operation is not allowed when the object is closed."); }

std::string QuoteIdentifier(const std::string& name) {
  char* quoted = sqlite3_mprintf("\"%w\"", name.c_str());
  std::string out = quoted ? quoted : "\"\"";
  sqlite3_free(quoted);
  return out;
}

Value ColumnValue(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_NULL: return Value();
    case SQLITE_INTEGER: return Value(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT: {
      const double d = sqlite3_column_double(stmt, i);
      if (std::floor(d) == d && std::fabs(d) < 9.0e18) return Value(static_cast<std::int64_t>(d));
      char text[32];
      std::snprintf(text, sizeof text, "%.17g", d);
      return Value(std::string(text));
    }
    case SQLITE_BLOB: {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, i));
      return Value(std::string(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
    }
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, i));
      return Value(Utf8ToCp1252(text ? text : "", size));
    }
  }
}

void BindValue(sqlite3_stmt* stmt, int i, const Value& value) {
  if (value.IsNumber()) {
    sqlite3_bind_int64(stmt, i, value.Number());
  } else if (value.IsText()) {
    const std::string utf8 = Cp1252ToUtf8(value.Str());
    sqlite3_bind_text(stmt, i, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_null(stmt, i);
  }
}

std::shared_ptr<Connection> Connection::Open(const std::string& path) { return OpenWith(path, SQLITE_OPEN_READWRITE); }

std::shared_ptr<Connection> Connection::OpenReadOnly(const std::string& path) {
  return OpenWith(path, SQLITE_OPEN_READONLY);
}

std::shared_ptr<Connection> Connection::Create(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(PathFromUtf8(path), ec)) throw DbError(SQLITE_CANTOPEN, path + " already exists");
  return OpenWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

std::shared_ptr<Connection> Connection::OpenWith(const std::string& path, int flags) {
  sqlite3* db = nullptr;
  // One connection is only ever used by one thread: no locking per call.
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    const DbError e = ErrorOf(db, rc);
    sqlite3_close(db);
    // Named: the message must be read before the handle is closed.
    throw e;  // NOLINT(misc-throw-by-value-catch-by-reference)
  }
  sqlite3_extended_result_codes(db, 1);
  std::shared_ptr<Connection> conn(new Connection(db));
  // Opening reads nothing; a read tells a database from another file.
  conn->Exec("SELECT count(*) FROM sqlite_master");
  return conn;
}

Connection::Connection(sqlite3* db) : db_(db) { sqlite3_busy_handler(db_, &Connection::OnBusy, this); }

Connection::~Connection() { Close(); }

void Connection::Close() {
  if (!db_) return;
  cache_.clear();
  // Statements still held by recordsets are finalized with their owners;
  // the handle goes once the last one has.
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

sqlite3* Connection::Handle() const {
  if (!db_) throw ClosedError();
  return db_;
}

StatementPtr Connection::Prepare(const std::string& sql) const {
  sqlite3* db = Handle();
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    throw ErrorOf(db, rc);
  }
  if (!stmt) throw DbError(SQLITE_MISUSE, "the SQL text holds no statement");
  return StatementPtr(stmt, &sqlite3_finalize);
}

sqlite3_stmt* Connection::Cached(const std::string& sql) {
  auto it = cache_.find(sql);
  if (it == cache_.end()) it = cache_.emplace(sql, Prepare(sql)).first;
  return it->second.get();
}

CachedUse::CachedUse(Connection& conn, const std::string& sql) : stmt_(conn.Cached(sql)) {
  if (sqlite3_stmt_busy(stmt_)) {
    own_ = conn.Prepare(sql);
    stmt_ = own_.get();
  }
}

void Connection::Exec(const std::string& sql) {
  sqlite3* db = Handle();
  char* message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  sqlite3_free(message);
  if (rc != SQLITE_OK) throw ErrorOf(db, rc);
}

bool Connection::Step(sqlite3_stmt* stmt) const {
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw ErrorOf(Handle(), rc);
}

std::vector<std::string> Connection::Columns(const std::string& table) {
  sqlite3_stmt* stmt = Cached("SELECT * FROM " + QuoteIdentifier(table));
  std::vector<std::string> names;
  for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
    const char* name = sqlite3_column_name(stmt, i);
    names.emplace_back(name ? name : "");
  }
  return names;
}

void Connection::StartOperation() {
  budget_ = kWaitBudget;
  told_ = false;
}

int Connection::OnBusy(void* self, int /*count*/) {
  auto& conn = *static_cast<Connection*>(self);
  if (conn.budget_.count() <= 0) return 0;
  if (!conn.told_) {
    conn.told_ = true;
    if (conn.waiting) conn.waiting();
  }
  const auto step = std::min(conn.budget_, std::chrono::milliseconds(20));
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(step);
  conn.budget_ -=
      std::max(step, std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start));
  return 1;
}

}  // namespace zl::sqlite
