#include "domain/effect_list.h"

#include <array>

#include "domain/numbers.h"

namespace zl {

namespace {

constexpr std::array<Table, 3> kLists = {Table::Port1, Table::Port2, Table::Port3};

}  // namespace

EffectList::EffectList(Database& db, int port)
    : db_(db), port_(port), table_(kLists.at(static_cast<std::size_t>(port - 1))) {}

std::string EffectList::Sql(const char* before, const char* after) const {
  return before + std::string(TableName(table_)) + after;
}

Snapshot EffectList::Rows() const { return db_.ReadAll({Sql("SELECT rowid, * FROM ", " ORDER BY STT, rowid"), {}}); }

std::vector<std::string> EffectList::Catalogue() const {
  const std::unique_ptr<Reader> rows =
      db_.Read({std::string("SELECT * FROM ") + TableName(port_ == 3 ? Table::FuncBoder : Table::ShowFunc), {}});
  std::vector<std::string> texts;
  while (rows->Next()) {
    const Value text = rows->At(1);
    if (!text.IsNull()) texts.push_back(text.ToText());
  }
  return texts;
}

std::optional<Value> EffectList::Capacity() const {
  const std::unique_ptr<Reader> rows = db_.Read({"SELECT * FROM MaxPort WHERE Port=?", {port_}});
  if (!rows->Next()) return std::nullopt;
  return rows->At(1);
}

bool EffectList::AnyAfter(std::int16_t n) const {
  return db_.ReadValue({Sql("SELECT EXISTS (SELECT 1 FROM ", " WHERE STT>?)"), {n}}) == Value(1);
}

bool EffectList::AnyBefore(std::int16_t n) const {
  return db_.ReadValue({Sql("SELECT EXISTS (SELECT 1 FROM ", " WHERE STT<?)"), {n}}) == Value(1);
}

std::optional<Unsendable> EffectList::ReadRecords(std::vector<board::Record>& records) const {
  struct Sent {
    int pos;
    const char* name;
    unsigned char board::Record::*byte;
  };
  // In the board's order: the repeat count before the time.
  static const Sent kSent[] = {{1, "CodeFunc", &board::Record::code},
                               {4, "Loop", &board::Record::loop},
                               {3, "Delay", &board::Record::time},
                               {5, "TxtA", &board::Record::start},
                               {6, "TxtB", &board::Record::end}};
  const int fields = board::WithStartEnd(port_) ? 5 : 3;
  // One pass forward, reading only the fields sent.
  const std::unique_ptr<Reader> rows = db_.Read({Sql("SELECT * FROM ", " ORDER BY STT, rowid"), {}});
  while (rows->Next()) {
    board::Record record;
    for (int i = 0; i < fields; ++i) {
      const Value v = rows->At(kSent[i].pos);
      const auto byte = board::AsByte(Int16Of(v));
      if (!byte) return Unsendable{rows->At(0), kSent[i].name, v};
      record.*kSent[i].byte = *byte;
    }
    records.push_back(record);
  }
  return std::nullopt;
}

void EffectList::ReadNext() {
  const Value highest = db_.ReadValue({Sql("SELECT MAX(STT) FROM ", ""), {}});
  next_ = 1;
  if (highest.IsNull()) return;
  const auto n = Int16Of(highest);
  if (n && *n < kHighest)
    next_ = static_cast<std::int16_t>(*n + 1);
  else
    next_.reset();
}

Snapshot EffectList::Append(const Effect& e) {
  Transaction change(db_);
  const std::int64_t rowid = db_.Insert(table_, {next_.value(), e.code, e.name, e.delay, e.loop, e.start, e.end});
  // The grid shows what the table made of the values.
  Snapshot row = db_.ReadAll({Sql("SELECT rowid, * FROM ", " WHERE rowid=?"), {rowid}});
  change.Commit();
  if (*next_ < kHighest)
    next_ = static_cast<std::int16_t>(*next_ + 1);
  else
    next_.reset();
  return row;
}

bool EffectList::Delete(std::int64_t rowid, std::optional<std::int16_t> number) {
  Transaction change(db_);
  db_.Delete(table_, rowid);
  if (number && !CloseGapAfter(*number)) return false;
  change.Commit();
  return true;
}

bool EffectList::CloseGapAfter(std::int16_t deleted) {
  // In list order: the store alone returns rows in storage order, which
  // after moves is not the list's.
  const std::unique_ptr<Reader> rows =
      db_.Read({Sql("SELECT rowid, STT FROM ", " WHERE STT>? ORDER BY STT, rowid"), {deleted}});
  std::vector<std::int64_t> behind;
  // Numbered deleted+1, deleted+2, ... without a gap or a repeat, as adding
  // alone leaves them: one shift closes the gap and spares a write per row.
  bool run = true;
  for (std::int64_t next = deleted + 1; rows->Next(); ++next) {
    behind.push_back(rows->At(0).Number());
    run = run && rows->At(1) == Value(next);
  }
  if (behind.empty()) return true;
  if (run) {
    // A table scan: the index range would need a second pass to update the
    // column it is ordered by.
    db_.Run({Sql("UPDATE ", " SET STT=STT-1 WHERE +STT>?"), {deleted}});
    return true;
  }
  // Repeated numbers (a file written elsewhere) can push the last rows past
  // the 16-bit range; the delete is undone rather than wrap them around.
  if (deleted + static_cast<std::int64_t>(behind.size()) - 1 > kHighest) return false;
  std::int64_t n = deleted;
  for (const std::int64_t id : behind) db_.Set(table_, id, 0, n++);
  return true;
}

void EffectList::Move(std::int64_t rowid, std::int16_t from, std::int16_t to) {
  Transaction change(db_);
  const Value neighbour = db_.ReadValue({Sql("SELECT rowid FROM ", " WHERE STT=? ORDER BY rowid LIMIT 1"), {to}});
  if (!neighbour.IsNull()) db_.Set(table_, neighbour.Number(), 0, from);
  db_.Set(table_, rowid, 0, to);
  change.Commit();
}

bool EffectList::StoreCapacity(std::int16_t value, const std::function<bool()>& send) {
  Transaction change(db_);
  const Value row = db_.ReadValue({"SELECT rowid FROM MaxPort WHERE Port=?", {port_}});
  if (row.IsNull()) return false;
  db_.Set(Table::MaxPort, row.Number(), 1, value);
  if (send()) change.Commit();
  return true;
}

void IndexLists(Database& db) {
  for (const Table list : kLists) {
    const std::string name = TableName(list);
    try {
      db.Run({"CREATE INDEX IF NOT EXISTS " + name + "_STT ON " + name + " (STT)", {}});
    } catch (const DbError&) {
      // Only speed depends on it: a file that cannot take it (held
      // elsewhere, read-only, a table missing) is used as it is.
    }
  }
}

void EmptyLists(Database& db) {
  Transaction change(db);
  for (const Table list : kLists) db.Run({std::string("DELETE FROM ") + TableName(list), {}});
  change.Commit();
}

Snapshot PlaceholderRows(Database& db) {
  return db.ReadAll({std::string("SELECT rowid, * FROM ") + TableName(Table::PortTemp) + " ORDER BY STT", {}});
}

}  // namespace zl
