// A recordset as a client-side snapshot of one query on SQLite. Queries on a
// single table fetch each row's rowid along, so that its writes reach
// exactly the rows it read, even rows with equal values; other queries give
// read-only snapshots.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "storage/database.h"
#include "storage/sqlite/connection.h"

namespace zl::sqlite {

class SqliteRecordset final : public Recordset {
 public:
  SqliteRecordset(std::shared_ptr<Connection> conn, std::string sql);

  // Runs the query; throws DbError.
  void Load();

  bool IsOpen() const override { return open_; }
  void Close() override;

  int RecordCount() const override;
  int FieldCount() const override;
  std::string FieldName(int pos) const override;
  int FieldIndex(const std::string& name) const override;

  void MoveFirst() override;
  void MoveNext() override;
  bool Eof() const override;
  bool Bof() const override;
  int Position() const override;
  void SetPosition(int row) override;

  Value Field(int pos) const override;
  Value FieldAt(int row, int pos) const override;
  void SetField(int pos, const Value& value) override;

  void AddNew() override;
  void Update() override;
  void UpdateBatch() override { Update(); }
  void Delete() override;
  void Requery() override;

 private:
  // Rows are kept flat: row r's fields are cells_[r * width .. + width).
  struct Snapshot {
    std::string table;  // empty: read-only
    std::vector<std::string> names;
    std::vector<std::int64_t> rowids;
    std::vector<Value> cells;
  };

  int Count() const { return static_cast<int>(snap_.rowids.size()); }
  int Width() const { return static_cast<int>(snap_.names.size()); }
  // Counted in size_t: rows times width may pass what an int holds.
  std::size_t CellIndex(int row, int pos) const {
    return static_cast<std::size_t>(row) * snap_.names.size() + static_cast<std::size_t>(pos);
  }
  Value& Cell(int row, int pos) { return snap_.cells[CellIndex(row, pos)]; }
  const Value& Cell(int row, int pos) const { return snap_.cells[CellIndex(row, pos)]; }

  Snapshot Run(sqlite3_stmt* stmt, bool with_rowid, std::size_t expected) const;
  void CheckOpen() const;
  void CheckPos(int pos) const;
  void CheckWritable() const;
  void CheckRow(int row) const;

  // Leaving a row with unsaved changes saves them, as the old provider did.
  void SavePending();
  void DiscardPending();
  void Insert();
  void WriteEdits();
  // Whether the table may have stored `value` in column `pos` in another
  // form than it was given, so the row must be read back.
  bool MayConvert(int pos, const Value& value);
  // The snapshot shows what the table holds.
  void ReadBack(int row);
  std::string Columns() const;

  std::shared_ptr<Connection> conn_;
  std::string sql_;
  // The query as run: with the rowid when the snapshot is writable.
  StatementPtr query_{nullptr, &sqlite3_finalize};
  std::string table_;  // the table written to; empty: read-only
  bool open_ = false;
  Snapshot snap_;
  int cur_ = 0;                  // == row count: past the last row
  std::map<int, Value> edited_;  // position -> value read, for the current row
  bool adding_ = false;
  std::vector<Value> new_values_;
  std::vector<bool> new_set_;
};

// A forward-only, read-only cursor on a query: rows are stepped through as
// the statement yields them and fields converted only when read.
class SqliteCursor final : public Recordset {
 public:
  SqliteCursor(std::shared_ptr<Connection> conn, const std::string& sql);

  bool IsOpen() const override { return stmt_ != nullptr; }
  void Close() override;

  int RecordCount() const override;
  int FieldCount() const override;
  std::string FieldName(int pos) const override;
  int FieldIndex(const std::string& name) const override;

  // MoveFirst runs the query again, as a forward-only cursor can only do.
  void MoveFirst() override;
  void MoveNext() override;
  bool Eof() const override;
  bool Bof() const override;
  int Position() const override;
  void SetPosition(int row) override;

  Value Field(int pos) const override;
  Value FieldAt(int row, int pos) const override;
  void SetField(int pos, const Value& value) override;

  void AddNew() override;
  void Update() override;
  void UpdateBatch() override;
  void Delete() override;
  void Requery() override { MoveFirst(); }

 private:
  void CheckOpen() const;
  void CheckPos(int pos) const;
  void Step();

  std::shared_ptr<Connection> conn_;
  StatementPtr stmt_{nullptr, &sqlite3_finalize};
  bool eof_ = true;
  int row_ = 0;
};

}  // namespace zl::sqlite
