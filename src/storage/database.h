// The database as the program uses it: one connection to Data.mdb; reads as
// one forward pass or as a whole snapshot; writes as statements with bound
// values, rows addressed by their rowid and fields by position; transactions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace zl {

// A field value: NULL, a whole number or a text (8-bit codes, VNI as stored).
struct Value {
  std::variant<std::monostate, std::int64_t, std::string> v;

  Value() = default;
  Value(std::int64_t n) : v(n) {}
  Value(int n) : v(static_cast<std::int64_t>(n)) {}
  Value(std::string s) : v(std::move(s)) {}
  Value(const char* s) : v(std::string(s)) {}

  bool IsNull() const { return std::holds_alternative<std::monostate>(v); }
  bool IsNumber() const { return std::holds_alternative<std::int64_t>(v); }
  bool IsText() const { return std::holds_alternative<std::string>(v); }
  std::int64_t Number() const { return std::get<std::int64_t>(v); }
  const std::string& Str() const { return std::get<std::string>(v); }
  // Display text: the number in decimal, the text itself, "" for NULL.
  std::string ToText() const;
  bool operator==(const Value& o) const { return v == o.v; }
};

// A failure of the provider: its error number and message, and what the
// window can tell the operator about it beyond them.
class DbError : public std::runtime_error {
 public:
  enum class Cause {
    Other,
    Busy,      // another program holds the file
    ReadOnly,  // the file or its directory cannot be written
  };
  DbError(int number, const std::string& message, Cause cause = Cause::Other)
      : std::runtime_error(message), number_(number), cause_(cause) {}
  int Number() const { return number_; }
  Cause GetCause() const { return cause_; }
  // "Error <number>: <message>"
  std::string Report() const;

 private:
  int number_;
  Cause cause_;
};

// The tables of Data.mdb; every SQL text the program runs names only these.
enum class Table { PortTemp, Port1, Port2, Port3, MaxPort, ShowFunc, FuncBoder };
const char* TableName(Table table);

// An SQL text with a "?" for each value, bound in order: no value ever
// becomes part of the text.
struct Statement {
  std::string sql;
  std::vector<Value> values;
};

// One pass over the rows of a query, forward and read-only. The file is let
// go once the last row has been passed or the reader goes.
class Reader {
 public:
  virtual ~Reader() = default;
  // Moves to the next row (the first, at the first call); false past the last.
  virtual bool Next() = 0;
  // Field `pos` of the current row. Throws DbError.
  virtual Value At(int pos) const = 0;
};

// Every row of a query, read at once, each with its rowid; what the grid
// shows.
class Snapshot {
 public:
  Snapshot() = default;
  explicit Snapshot(std::vector<std::string> columns) : columns_(std::move(columns)) {}

  int Rows() const { return static_cast<int>(rowids_.size()); }
  int Width() const { return static_cast<int>(columns_.size()); }
  std::int64_t RowId(int row) const { return rowids_.at(static_cast<std::size_t>(row)); }
  const Value& At(int row, int pos) const;
  // The position of the column `name`, in any letter case. Throws DbError
  // when there is none.
  int Position(const std::string& name) const;

  // `values` has one value per column.
  void Append(std::int64_t rowid, std::vector<Value> values);
  // The rows of `more`, a snapshot of the same columns, after these.
  void Append(const Snapshot& more);

 private:
  std::vector<std::string> columns_;
  std::vector<std::int64_t> rowids_;
  std::vector<Value> cells_;  // row r's fields: [r * Width(), (r + 1) * Width())
};

class Database {
 public:
  virtual ~Database() = default;
  // Opens the existing database file; never creates one.
  virtual void Open(const std::string& path) = 0;
  virtual bool IsOpen() const = 0;
  // Why the open file cannot be changed, found out without changing it;
  // nothing when it can (or when that cannot be told now).
  virtual std::optional<std::string> ReadOnlyReason() { return std::nullopt; }
  virtual void Close() = 0;
  // Writes a consistent copy of the whole open database to the new file
  // `path`, also while it is in use; `path` appears only once complete.
  // Throws DbError.
  virtual void BackupTo(const std::string& path) = 0;

  // Every method below throws DbError.
  virtual std::unique_ptr<Reader> Read(const Statement& query) = 0;
  // The first field of the first row of `query`; NULL when it has no row.
  virtual Value ReadValue(const Statement& query) = 0;
  // Every row of `query`, whose first column is the rowid (not among the
  // snapshot's columns).
  virtual Snapshot ReadAll(const Statement& query) = 0;
  // Runs a statement that returns no rows; the number of rows it changed.
  virtual int Run(const Statement& statement) = 0;

  // A new row of `table` holding `values` at the first positions (the
  // table's defaults in the others); its rowid.
  virtual std::int64_t Insert(Table table, const std::vector<Value>& values) = 0;
  // Field `pos` of the row `rowid`; fails when that row is gone.
  virtual void Set(Table table, std::int64_t rowid, int pos, const Value& value) = 0;
  // Deletes the row `rowid`; fails when it is gone.
  virtual void Delete(Table table, std::int64_t rowid) = 0;

  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;

  // Each operation of the window starts here: an operation that finds the
  // file held by another program waits for it a bounded time in all, then
  // fails with Cause::Busy.
  virtual void StartOperation() {}
  // Raised once per operation when it starts waiting for the file.
  std::function<void()> Waiting;
};

// A transaction that is rolled back unless it was committed.
class Transaction {
 public:
  explicit Transaction(Database& db) : db_(db) { db_.Begin(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();
  void Commit() {
    db_.Commit();
    open_ = false;
  }

 private:
  Database& db_;
  bool open_ = true;
};

}  // namespace zl
