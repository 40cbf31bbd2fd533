#include "storage/access/jet_import.h"
#include "storage/provider_errors.h"

// The 1.0.0 header uses glib types without including glib itself.
#include <glib.h>
#include <mdbtools.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>

namespace zl {

namespace {

// Error numbers of the old provider, so reports read as they always did.
using namespace provider_error;
constexpr int kNoSuchField = kNoSuchItem;

constexpr unsigned kRowOffsetMask = 0x1FFF;  // row offsets carry flags above
// Large enough for any text or memo the program's tables hold; a value that
// fills it was cut and is refused rather than imported short.
constexpr size_t kBindSize = 1 << 18;

struct MdbCloser {
  void operator()(MdbHandle* m) const { mdb_close(m); }
};
struct TableFreer {
  void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

DbError Unreadable(const std::string& why) { return DbError(kUnrecognizedFormat, "it is damaged: " + why); }

std::string Where(const TableLayout& t, size_t row, size_t pos) {
  return "table " + std::string(t.name) + ", row " + std::to_string(row + 1) + ", field " + std::to_string(pos) + " (" +
         t.fields[pos].name + ")";
}

// A whole number from libmdb's text of a numeric or text field.
bool ParseWhole(const std::string& s, std::int64_t& out) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long n = std::strtoll(s.c_str(), &end, 10);
  if (errno == 0 && *end == '\0') {
    out = n;
    return true;
  }
  errno = 0;
  const double d = std::strtod(s.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e15) return false;
  out = static_cast<std::int64_t>(d);
  return true;
}

bool IsNumericType(int type) {
  switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC: return true;
    default: return false;
  }
}

// A catalogue cut short would make a table look absent; count its rows the
// way the tables' rows are counted.
bool CatalogIsWhole(MdbHandle* mdb) {
  MdbCatalogEntry entry{};
  entry.mdb = mdb;
  std::strcpy(entry.object_name, "MSysObjects");
  entry.object_type = MDB_TABLE;
  entry.table_pg = 2;  // the catalogue's definition page in every Jet file
  std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(&entry));
  if (!table || !mdb_read_columns(table.get())) return false;
  mdb_rewind_table(table.get());
  unsigned rows = 0;
  while (mdb_fetch_row(table.get())) ++rows;
  return rows == table->num_rows;
}

MdbCatalogEntry* FindTable(MdbHandle* mdb, const char* name) {
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (e->object_type == MDB_TABLE && g_ascii_strcasecmp(e->object_name, name) == 0) return e;
  }
  return nullptr;
}

TableRows ReadTable(MdbHandle* mdb, const TableLayout& layout) {
  MdbCatalogEntry* entry = FindTable(mdb, layout.name);
  if (!entry)
    throw DbError(kNoSuchTable, "The database engine cannot find the input table '" + std::string(layout.name) + "'.");
  std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
  if (!table) throw Unreadable("the definition of table " + std::string(layout.name) + " cannot be read");
  if (!mdb_read_columns(table.get()))
    throw Unreadable("the fields of table " + std::string(layout.name) + " cannot be read");

  const size_t used = layout.fields.size();
  if (table->num_cols < used)
    throw DbError(kNoSuchField, "Table " + std::string(layout.name) + " has " + std::to_string(table->num_cols) +
                                    " fields; the program reads " + std::to_string(used) + ".");

  // Position is the column number, not the order the file lists them in.
  std::vector<unsigned> order(table->num_cols);
  for (unsigned i = 0; i < order.size(); ++i) order[i] = i;
  auto column = [&](unsigned i) { return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i)); };
  std::stable_sort(order.begin(), order.end(),
                   [&](unsigned a, unsigned b) { return column(a)->col_num < column(b)->col_num; });

  // Left uninitialized: only what libmdb writes is read, up to its length,
  // and untouched pages of a large buffer cost nothing.
  std::vector<std::unique_ptr<char[]>> buffers;
  for (size_t p = 0; p < used; ++p) buffers.emplace_back(new char[kBindSize + 1]);
  std::vector<int> lengths(used, 0);
  std::vector<int> position_of(table->num_cols, -1);
  for (size_t p = 0; p < used; ++p) {
    position_of[order[p]] = static_cast<int>(p);
    mdb_bind_column(table.get(), static_cast<int>(order[p]) + 1, buffers[p].get(), &lengths[p]);
  }

  TableRows result{&layout, {}};
  std::vector<MdbField> fields(table->num_cols + 1);
  mdb_rewind_table(table.get());
  while (mdb_fetch_row(table.get())) {
    const size_t r = result.rows.size();
    // Binding gives a NULL and an empty text alike; the row's own null
    // flags tell them apart.
    int start = 0;
    size_t size = 0;
    if (table->cur_row == 0 || mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &size) != 0)
      throw Unreadable("row " + std::to_string(r + 1) + " of table " + layout.name + " cannot be read");
    std::vector<bool> is_null(used, false);
    const int n = mdb_crack_row(table.get(), static_cast<int>(start & kRowOffsetMask), size, fields.data());
    // The count is the row's own claim; only the table's fields were filled.
    if (n != static_cast<int>(table->num_cols))
      throw Unreadable("row " + std::to_string(r + 1) + " of table " + layout.name + " claims " + std::to_string(n) +
                       " fields; the table has " + std::to_string(table->num_cols));
    for (int k = 0; k < n; ++k) {
      const int colnum = fields[k].colnum;
      if (colnum >= 0 && colnum < static_cast<int>(position_of.size()) && position_of[colnum] >= 0)
        is_null[position_of[colnum]] = fields[k].is_null != 0;
    }
    std::vector<Value> values(used);
    for (size_t p = 0; p < used; ++p) {
      if (is_null[p]) continue;
      if (lengths[p] >= static_cast<int>(kBindSize) - 1)
        throw Unreadable("the value in " + Where(layout, r, p) + " is too long");
      values[p] = JetFieldValue(layout.fields[p].kind, IsNumericType(column(order[p])->col_type),
                                std::string(buffers[p].get(), static_cast<size_t>(std::max(lengths[p], 0))),
                                Where(layout, r, p));
    }
    result.rows.push_back(std::move(values));
  }
  // Pages lost from a damaged or cut file end the scan early and silently.
  if (result.rows.size() != table->num_rows)
    throw Unreadable("table " + std::string(layout.name) + " should hold " + std::to_string(table->num_rows) +
                     " rows, " + std::to_string(result.rows.size()) + " could be read");
  return result;
}

}  // namespace

Value JetFieldValue(FieldKind kind, bool numeric_column, const std::string& text, const std::string& where) {
  if (kind == FieldKind::Text || (kind == FieldKind::Any && !numeric_column)) return Value(text);
  std::int64_t n = 0;
  if (!ParseWhole(text, n))
    throw DbError(kTypeMismatch, "Data type mismatch in " + where + ": \"" + text + "\" is not a whole number.");
  if (kind == FieldKind::Int16 &&
      (n < std::numeric_limits<std::int16_t>::min() || n > std::numeric_limits<std::int16_t>::max()))
    throw DbError(kOverflow, "Numeric field overflow in " + where + ": " + text + " does not fit a 16-bit number.");
  return Value(n);
}

std::vector<TableRows> ReadJetTables(const std::string& path) {
  if (!IsJetFile(path)) throw Unreadable("not a Jet 3 or Jet 4 file");
  std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb) throw Unreadable("the file cannot be opened");

  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const auto size = static_cast<long long>(in.tellg());
  const long long page = mdb->fmt->pg_size;
  if (size <= 0 || page <= 0 || size % page != 0)
    throw Unreadable("the file is cut short (" + std::to_string(size) + " bytes is not a whole number of " +
                     std::to_string(page) + "-byte pages)");

  mdb_set_bind_size(mdb.get(), kBindSize);
  mdb_set_boolean_fmt_numbers(mdb.get());
  if (!mdb_read_catalog(mdb.get(), MDB_TABLE) || !CatalogIsWhole(mdb.get()))
    throw Unreadable("its list of tables cannot be read whole");

  std::vector<TableRows> tables;
  for (const TableLayout& layout : StoreTables()) tables.push_back(ReadTable(mdb.get(), layout));
  return tables;
}

}  // namespace zl
