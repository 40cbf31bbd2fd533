// One sign port's effect list in Data.mdb (PORT1, PORT2 or PORT3) and its
// capacity value (MaxPort). The list is its table's rows ordered by STT,
// equal numbers in stored order; the numbers run from 1 to 32767. Every
// change is one transaction: it happens whole or not at all.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "domain/board_protocol.h"
#include "storage/database.h"

namespace zl {

// One effect as a list stores it.
struct Effect {
  std::int16_t code = 0;
  std::string name;  // the catalogue entry, VNI
  std::int16_t delay = 0, loop = 0, start = 0, end = 0;
};

// A stored value that does not fit the byte the board reads: its row's STT,
// the field's name and the value.
struct Unsendable {
  Value stt;
  const char* field = "";
  Value value;
};

class EffectList {
 public:
  static constexpr std::int16_t kHighest = 32767;

  // `port`: 1, 2 or 3. The next number starts at 1 (see ReadNext).
  EffectList(Database& db, int port);

  int Port() const { return port_; }

  // Every row with its rowid, in list order.
  Snapshot Rows() const;
  // The texts of the port's catalogue entries (FuncBoder for sign port 3,
  // ShowFunc for the others) in the table's order; empty ones are left out.
  std::vector<std::string> Catalogue() const;
  // The value of the port's first MaxPort row; nothing when it has none.
  std::optional<Value> Capacity() const;
  // Whether some row is numbered above (after) or below (before) `n`.
  bool AnyAfter(std::int16_t n) const;
  bool AnyBefore(std::int16_t n) const;
  // The upload's records into `records`, one per row in list order; the
  // first value that does not fit a byte stops it, and is returned.
  std::optional<Unsendable> ReadRecords(std::vector<board::Record>& records) const;

  // The number the next appended effect takes: one above the highest of the
  // list when it was read, raised by each append, kept by deletes and moves;
  // nothing once 32767 is taken.
  std::optional<std::int16_t> Next() const { return next_; }
  void ReadNext();
  // After the lists were emptied.
  void RestartNumbering() { next_ = 1; }

  // Appends `effect` numbered Next(), which must have a value; the new row
  // as the table holds it.
  Snapshot Append(const Effect& effect);
  // Deletes row `rowid`, numbered `number` (nothing: no gap to close), and
  // numbers the rows behind it on from `number`, in list order. False, with
  // nothing changed, when a number would pass 32767.
  bool Delete(std::int64_t rowid, std::optional<std::int16_t> number);
  // Row `rowid`, numbered `from`, takes `to`; the row numbered `to` (the
  // first stored, if several) takes `from`.
  void Move(std::int64_t rowid, std::int16_t from, std::int16_t to);

  // Stores `value` as the capacity, uncommitted, then calls `send`: the
  // value is committed if it returns true and rolled back otherwise. False,
  // with nothing stored and nothing sent, when the port has no MaxPort row.
  bool StoreCapacity(std::int16_t value, const std::function<bool()>& send);

 private:
  // `before` + the table's name + `after`.
  std::string Sql(const char* before, const char* after) const;
  // DEL's renumbering; false when a number would pass 32767.
  bool CloseGapAfter(std::int16_t deleted);

  Database& db_;
  int port_;
  Table table_;
  std::optional<std::int16_t> next_ = 1;
};

// Gives each list of a file made before the lists were indexed its
// (non-unique) index on STT. A file that cannot take it is used as it is.
void IndexLists(Database& db);
// Empties the three lists.
void EmptyLists(Database& db);
// The rows of PORT_TEMP, which the grid shows until a sign port is chosen.
Snapshot PlaceholderRows(Database& db);

}  // namespace zl
