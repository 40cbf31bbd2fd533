// The database provider as the window's code sees it: one connection,
// recordsets opened on SQL texts, fields read and written by position.
// A recordset is a client-side snapshot: its record count is exact, and its
// writes reach exactly the table rows it read, even rows with equal values.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

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

class Recordset {
 public:
  virtual ~Recordset() = default;

  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;

  virtual int RecordCount() const = 0;
  virtual int FieldCount() const = 0;
  virtual std::string FieldName(int pos) const = 0;
  // Position of a field by name (case-insensitive); throws DbError if absent.
  virtual int FieldIndex(const std::string& name) const = 0;

  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;
  virtual bool Eof() const = 0;
  virtual bool Bof() const = 0;
  // 0-based position of the current row; -1 when there is none.
  virtual int Position() const = 0;
  virtual void SetPosition(int row) = 0;

  // Field of the current row (or of the pending new row after AddNew).
  virtual Value Field(int pos) const = 0;
  // Value of row `row` without moving; for the grid.
  virtual Value FieldAt(int row, int pos) const = 0;
  virtual void SetField(int pos, const Value& value) = 0;

  // AddNew, set fields, Update: appends the row to the table and to the
  // snapshot, as its last and current row.
  virtual void AddNew() = 0;
  virtual void Update() = 0;
  // Writes the changed fields of the current row to its table row.
  virtual void UpdateBatch() = 0;
  // Deletes the current row from its table and from the snapshot.
  virtual void Delete() = 0;
  // Runs the query again; the first row becomes current.
  virtual void Requery() = 0;

  // Called after the rows or the current row changed (for a bound grid).
  std::function<void()> Changed;

 protected:
  void NotifyChanged() {
    if (Changed) Changed();
  }
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
  virtual void Execute(const std::string& sql) = 0;
  virtual std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) = 0;
  // A read-only cursor for one pass over many rows: it goes forward only,
  // reads a field only when asked, and knows no count (RecordCount() is -1
  // where the provider has such cursors). Its first row, if any, is current.
  virtual std::unique_ptr<Recordset> OpenForwardOnly(const std::string& sql) { return OpenRecordset(sql); }
  virtual void BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;

  // Each operation of the window starts here: an operation that finds the
  // file held by another program waits for it a bounded time in all, then
  // fails with Cause::Busy.
  virtual void StartOperation() {}
  // Raised once per operation when it starts waiting for the file.
  std::function<void()> Waiting;
};

}  // namespace zl
