#include <cctype>

#include "storage/database.h"
#include "storage/provider_errors.h"

namespace zl {

std::string Value::ToText() const {
  if (IsNumber()) return std::to_string(Number());
  if (IsText()) return Str();
  return {};
}

std::string DbError::Report() const { return "Error " + std::to_string(number_) + ": " + what(); }

const char* TableName(Table table) {
  switch (table) {
    case Table::PortTemp: return "PORT_TEMP";
    case Table::Port1: return "PORT1";
    case Table::Port2: return "PORT2";
    case Table::Port3: return "PORT3";
    case Table::MaxPort: return "MaxPort";
    case Table::ShowFunc: return "ShowFunc";
    case Table::FuncBoder: return "FuncBoder";
  }
  return "";
}

const Value& Snapshot::At(int row, int pos) const {
  if (pos < 0 || pos >= Width())
    throw DbError(provider_error::kNoSuchItem,
                  "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  return cells_.at(static_cast<std::size_t>(row) * columns_.size() + static_cast<std::size_t>(pos));
}

int Snapshot::Position(const std::string& name) const {
  const auto same = [](const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  };
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (same(columns_[i], name)) return static_cast<int>(i);
  throw DbError(1, "no such column: " + name);
}

void Snapshot::Append(std::int64_t rowid, std::vector<Value> values) {
  values.resize(columns_.size());
  rowids_.push_back(rowid);
  cells_.insert(cells_.end(), std::make_move_iterator(values.begin()), std::make_move_iterator(values.end()));
}

void Snapshot::Append(const Snapshot& more) {
  rowids_.insert(rowids_.end(), more.rowids_.begin(), more.rowids_.end());
  cells_.insert(cells_.end(), more.cells_.begin(), more.cells_.end());
}

Transaction::~Transaction() {
  if (!open_) return;
  try {
    db_.Rollback();
  } catch (const DbError&) {
    // The failure that ended the transaction is the one to report.
  }
}

}  // namespace zl
