#include "storage/sqlite/recordset.h"

#include <cctype>
#include <regex>

namespace zl::sqlite {

namespace {

const char kRowidName[] = "zl_rowid__";

// Single-table queries of the forms the window uses get the rowid fetched
// along, so that writes reach exactly the rows read.
struct QueryShape {
  std::string table;  // empty: not a single-table query
  std::string with_rowid;
};

QueryShape Classify(const std::string& sql) {
  static const std::regex simple(R"(^\s*SELECT\s+(\*|[A-Za-z_]\w*(?:\s*,\s*[A-Za-z_]\w*)*)\s+FROM\s+([A-Za-z_]\w*))"
                                 R"(((?:\s+(?:WHERE|ORDER\s+BY)\b[\s\S]*)?)\s*;?\s*$)",
                                 std::regex::icase);
  static const std::regex grouping(R"(\b(GROUP\s+BY|UNION|JOIN|HAVING)\b)", std::regex::icase);
  std::smatch m;
  if (!std::regex_match(sql, m, simple) || std::regex_search(m[3].first, m[3].second, grouping)) return {};
  return {m[2].str(),
          "SELECT rowid AS " + std::string(kRowidName) + ", " + m[1].str() + " FROM " + m[2].str() + m[3].str()};
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

DbError NoCurrent() { return DbError(kNoCurrentRecord, "no current record"); }
DbError ReadOnly() { return DbError(kReadOnly, "Current Recordset does not support updating."); }
DbError ForwardOnly() { return DbError(kNotAllowed, "Operation is not allowed on a cursor that only goes forward."); }

}  // namespace

SqliteRecordset::SqliteRecordset(std::shared_ptr<Connection> conn, std::string sql)
    : conn_(std::move(conn)), sql_(std::move(sql)) {}

void SqliteRecordset::Load() {
  conn_->Handle();
  if (!query_) {
    const QueryShape shape = Classify(sql_);
    if (!shape.table.empty()) {
      try {
        query_ = conn_->Prepare(shape.with_rowid);
        table_ = shape.table;
      } catch (const DbError&) {
        // A view or a table without rowid: readable, not writable.
      }
    }
    if (!query_) query_ = conn_->Prepare(sql_);
  }
  Snapshot snap = Run(query_.get(), !table_.empty(), snap_.rowids.size());
  snap.table = table_;
  snap_ = std::move(snap);
  cur_ = 0;
  open_ = true;
}

SqliteRecordset::Snapshot SqliteRecordset::Run(sqlite3_stmt* stmt, bool with_rowid, std::size_t expected) const {
  Snapshot snap;
  Reset reset(stmt);
  const int first = with_rowid ? 1 : 0;
  const int columns = sqlite3_column_count(stmt);
  for (int i = first; i < columns; ++i) {
    const char* name = sqlite3_column_name(stmt, i);
    snap.names.emplace_back(name ? name : "");
  }
  // A query run again mostly finds about as many rows as before.
  snap.rowids.reserve(expected + expected / 8);
  snap.cells.reserve(snap.rowids.capacity() * snap.names.size());
  while (conn_->Step(stmt)) {
    snap.rowids.push_back(with_rowid ? sqlite3_column_int64(stmt, 0) : 0);
    for (int i = first; i < columns; ++i) snap.cells.push_back(ColumnValue(stmt, i));
  }
  return snap;
}

void SqliteRecordset::Close() {
  open_ = false;
  snap_ = Snapshot();
  DiscardPending();
  cur_ = 0;
}

int SqliteRecordset::RecordCount() const {
  CheckOpen();
  return Count();
}

int SqliteRecordset::FieldCount() const {
  CheckOpen();
  return Width();
}

std::string SqliteRecordset::FieldName(int pos) const {
  CheckPos(pos);
  return snap_.names[static_cast<std::size_t>(pos)];
}

int SqliteRecordset::FieldIndex(const std::string& name) const {
  CheckOpen();
  const std::string wanted = Lower(name);
  for (std::size_t i = 0; i < snap_.names.size(); ++i)
    if (Lower(snap_.names[i]) == wanted) return static_cast<int>(i);
  throw DbError(1, "no such column: " + name);
}

void SqliteRecordset::MoveFirst() {
  CheckOpen();
  SavePending();
  if (Count() == 0) throw NoCurrent();
  cur_ = 0;
  NotifyChanged();
}

void SqliteRecordset::MoveNext() {
  CheckOpen();
  SavePending();
  if (cur_ >= Count()) throw NoCurrent();
  ++cur_;
  NotifyChanged();
}

bool SqliteRecordset::Eof() const {
  CheckOpen();
  return cur_ >= Count();
}

bool SqliteRecordset::Bof() const {
  CheckOpen();
  return Count() == 0;
}

int SqliteRecordset::Position() const {
  CheckOpen();
  return cur_ < Count() ? cur_ : -1;
}

void SqliteRecordset::SetPosition(int row) {
  CheckOpen();
  CheckRow(row);
  SavePending();
  cur_ = row;
  NotifyChanged();
}

Value SqliteRecordset::Field(int pos) const {
  CheckPos(pos);
  if (adding_) return new_values_[static_cast<std::size_t>(pos)];
  if (cur_ >= Count()) throw NoCurrent();
  return Cell(cur_, pos);
}

Value SqliteRecordset::FieldAt(int row, int pos) const {
  CheckPos(pos);
  CheckRow(row);
  return Cell(row, pos);
}

void SqliteRecordset::SetField(int pos, const Value& value) {
  CheckPos(pos);
  CheckWritable();
  if (adding_) {
    new_values_[static_cast<std::size_t>(pos)] = value;
    new_set_[static_cast<std::size_t>(pos)] = true;
    return;
  }
  if (cur_ >= Count()) throw NoCurrent();
  Value& slot = Cell(cur_, pos);
  edited_.emplace(pos, slot);  // keeps the value read, not an earlier edit
  slot = value;
}

void SqliteRecordset::AddNew() {
  CheckOpen();
  CheckWritable();
  SavePending();
  adding_ = true;
  new_values_.assign(snap_.names.size(), Value());
  new_set_.assign(snap_.names.size(), false);
}

void SqliteRecordset::Update() {
  CheckOpen();
  CheckWritable();
  if (adding_) Insert();
  WriteEdits();
  NotifyChanged();
}

void SqliteRecordset::Delete() {
  CheckOpen();
  CheckWritable();
  DiscardPending();
  if (cur_ >= Count()) throw NoCurrent();
  sqlite3_stmt* stmt = conn_->Cached("DELETE FROM " + QuoteIdentifier(snap_.table) + " WHERE rowid=?");
  Reset reset(stmt);
  sqlite3_bind_int64(stmt, 1, snap_.rowids[static_cast<std::size_t>(cur_)]);
  conn_->Step(stmt);
  if (sqlite3_changes(conn_->Handle()) == 0)
    throw DbError(kRowGone,
                  "Row cannot be located for updating. Some values may have been changed since it "
                  "was last read.");
  snap_.rowids.erase(snap_.rowids.begin() + cur_);
  const auto first = snap_.cells.begin() + static_cast<std::ptrdiff_t>(cur_) * Width();
  snap_.cells.erase(first, first + Width());
  NotifyChanged();
}

void SqliteRecordset::Requery() {
  CheckOpen();
  DiscardPending();
  Load();
  NotifyChanged();
}

void SqliteRecordset::CheckOpen() const {
  if (!open_) throw ClosedError();
}

void SqliteRecordset::CheckPos(int pos) const {
  CheckOpen();
  if (pos < 0 || pos >= Width())
    throw DbError(kNoSuchItem,
                  "Item cannot be found in the collection corresponding to the requested name or "
                  "ordinal.");
}

void SqliteRecordset::CheckWritable() const {
  if (snap_.table.empty()) throw ReadOnly();
}

void SqliteRecordset::CheckRow(int row) const {
  if (row < 0 || row >= Count()) throw DbError(kOutOfRange, "row " + std::to_string(row) + " is out of range");
}

void SqliteRecordset::SavePending() {
  if (adding_ || !edited_.empty()) Update();
}

void SqliteRecordset::DiscardPending() {
  if (!edited_.empty() && cur_ < Count())
    for (const auto& [pos, old] : edited_) Cell(cur_, pos) = old;
  edited_.clear();
  adding_ = false;
  new_values_.clear();
  new_set_.clear();
}

std::string SqliteRecordset::Columns() const {
  std::string cols;
  for (const std::string& n : snap_.names) cols += (cols.empty() ? "" : ",") + QuoteIdentifier(n);
  return cols;
}

void SqliteRecordset::Insert() {
  adding_ = false;
  std::vector<Value> values = std::move(new_values_);
  std::vector<bool> set = std::move(new_set_);
  new_values_.clear();
  new_set_.clear();
  std::string cols, marks;
  bool read_back = false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!set[i]) {
      read_back = true;  // the table's default fills it
      continue;
    }
    cols += (cols.empty() ? "" : ",") + QuoteIdentifier(snap_.names[i]);
    marks += marks.empty() ? "?" : ",?";
    read_back = read_back || MayConvert(static_cast<int>(i), values[i]);
  }
  const std::string table = QuoteIdentifier(snap_.table);
  sqlite3_stmt* stmt = conn_->Cached(cols.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                                                  : "INSERT INTO " + table + " (" + cols + ") VALUES (" + marks + ")");
  {
    Reset reset(stmt);
    int param = 0;
    for (std::size_t i = 0; i < values.size(); ++i)
      if (set[i]) BindValue(stmt, ++param, values[i]);
    conn_->Step(stmt);
  }
  snap_.rowids.push_back(sqlite3_last_insert_rowid(conn_->Handle()));
  for (Value& v : values) snap_.cells.push_back(std::move(v));
  cur_ = Count() - 1;
  if (read_back) ReadBack(cur_);
}

void SqliteRecordset::WriteEdits() {
  if (edited_.empty()) return;
  const std::map<int, Value> edits = std::move(edited_);
  edited_.clear();
  try {
    std::string sets;
    bool read_back = false;
    for (const auto& e : edits) {
      sets += (sets.empty() ? "" : ",") + QuoteIdentifier(snap_.names[static_cast<std::size_t>(e.first)]) + "=?";
      read_back = read_back || MayConvert(e.first, Cell(cur_, e.first));
    }
    sqlite3_stmt* stmt = conn_->Cached("UPDATE " + QuoteIdentifier(snap_.table) + " SET " + sets + " WHERE rowid=?");
    {
      Reset reset(stmt);
      int param = 0;
      for (const auto& e : edits) BindValue(stmt, ++param, Cell(cur_, e.first));
      sqlite3_bind_int64(stmt, ++param, snap_.rowids[static_cast<std::size_t>(cur_)]);
      conn_->Step(stmt);
    }
    if (sqlite3_changes(conn_->Handle()) == 0)
      throw DbError(kRowGone,
                    "Row cannot be located for updating. Some values may have been changed since "
                    "it was last read.");
    if (read_back) ReadBack(cur_);
  } catch (...) {
    for (const auto& [pos, old] : edits) Cell(cur_, pos) = old;
    throw;
  }
}

bool SqliteRecordset::MayConvert(int pos, const Value& value) {
  if (value.IsNull()) return false;
  const auto& affinities = conn_->Affinities(snap_.table);
  const auto it = affinities.find(Lower(snap_.names[static_cast<std::size_t>(pos)]));
  if (it == affinities.end()) return true;
  // A number stays a number except as text; a text may become a number
  // wherever the column prefers numbers.
  return value.IsNumber() ? it->second == 'T' : it->second != 'T' && it->second != 'B';
}

void SqliteRecordset::ReadBack(int row) {
  sqlite3_stmt* stmt =
      conn_->Cached("SELECT " + Columns() + " FROM " + QuoteIdentifier(snap_.table) + " WHERE rowid=?");
  Reset reset(stmt);
  sqlite3_bind_int64(stmt, 1, snap_.rowids[static_cast<std::size_t>(row)]);
  if (!conn_->Step(stmt)) return;
  for (int i = 0; i < Width(); ++i) Cell(row, i) = ColumnValue(stmt, i);
}

SqliteCursor::SqliteCursor(std::shared_ptr<Connection> conn, const std::string& sql)
    : conn_(std::move(conn)), stmt_(conn_->Prepare(sql)) {
  Step();
}

void SqliteCursor::Close() {
  // Finalizing lets go of the file at once.
  stmt_.reset();
  eof_ = true;
}

void SqliteCursor::CheckOpen() const {
  if (!stmt_) throw ClosedError();
}

void SqliteCursor::CheckPos(int pos) const {
  CheckOpen();
  if (pos < 0 || pos >= FieldCount())
    throw DbError(kNoSuchItem,
                  "Item cannot be found in the collection corresponding to the requested name or "
                  "ordinal.");
}

void SqliteCursor::Step() {
  try {
    eof_ = !conn_->Step(stmt_.get());
  } catch (...) {
    eof_ = true;
    sqlite3_reset(stmt_.get());
    throw;
  }
  if (eof_) sqlite3_reset(stmt_.get());
}

int SqliteCursor::RecordCount() const {
  CheckOpen();
  return -1;
}

int SqliteCursor::FieldCount() const {
  CheckOpen();
  return sqlite3_column_count(stmt_.get());
}

std::string SqliteCursor::FieldName(int pos) const {
  CheckPos(pos);
  const char* name = sqlite3_column_name(stmt_.get(), pos);
  return name ? name : "";
}

int SqliteCursor::FieldIndex(const std::string& name) const {
  CheckOpen();
  for (int i = 0; i < FieldCount(); ++i)
    if (Lower(FieldName(i)) == Lower(name)) return i;
  throw DbError(1, "no such column: " + name);
}

void SqliteCursor::MoveFirst() {
  CheckOpen();
  sqlite3_reset(stmt_.get());
  row_ = 0;
  Step();
  if (eof_) throw NoCurrent();
}

void SqliteCursor::MoveNext() {
  CheckOpen();
  if (eof_) throw NoCurrent();
  ++row_;
  Step();
}

bool SqliteCursor::Eof() const {
  CheckOpen();
  return eof_;
}

bool SqliteCursor::Bof() const {
  CheckOpen();
  return eof_ && row_ == 0;
}

int SqliteCursor::Position() const {
  CheckOpen();
  return eof_ ? -1 : row_;
}

void SqliteCursor::SetPosition(int) { throw ForwardOnly(); }

Value SqliteCursor::Field(int pos) const {
  CheckPos(pos);
  if (eof_) throw NoCurrent();
  return ColumnValue(stmt_.get(), pos);
}

Value SqliteCursor::FieldAt(int, int) const { throw ForwardOnly(); }
void SqliteCursor::SetField(int, const Value&) { throw ReadOnly(); }
void SqliteCursor::AddNew() { throw ReadOnly(); }
void SqliteCursor::Update() { throw ReadOnly(); }
void SqliteCursor::UpdateBatch() { throw ReadOnly(); }
void SqliteCursor::Delete() { throw ReadOnly(); }

}  // namespace zl::sqlite
