// Reading an operator's Access (Jet 3 / Jet 4) Data.mdb, for its conversion
// into the SQLite store.
#pragma once

#include <string>
#include <vector>

#include "storage/database.h"

namespace zl {

enum class FieldKind {
  Int16,    // a 16-bit number
  Integer,  // any whole number
  Text,
  Any,  // kept as it comes: a number or a text
};

struct FieldLayout {
  const char* name;  // the name the SQLite store gives it
  FieldKind kind;
};

struct TableLayout {
  const char* name;
  std::vector<FieldLayout> fields;  // by position
};

// The seven tables of the program's database, fields in position order.
const std::vector<TableLayout>& StoreTables();

struct TableRows {
  const TableLayout* layout;
  // In the order the file holds them. Texts are UTF-8, as read; numbers
  // are whole numbers.
  std::vector<std::vector<Value>> rows;
};

// One field's value from the text the Jet reader gives for it, for a field
// of `kind` in a column of numeric type or not. Throws DbError naming `where`
// when a number is not whole or does not fit the field.
Value JetFieldValue(FieldKind kind, bool numeric_column, const std::string& text, const std::string& where);

// Whether the file's header names a Jet 3 or Jet 4 database.
bool IsJetFile(const std::string& path);

// Reads the rows of every table of StoreTables() from the Jet file `path`,
// taking the first fields of each table by their position. Throws DbError
// saying what was wrong when a table or field is missing, a value does not
// fit its field, a row claims more or fewer fields than its table has, or
// the file cannot be read whole. Runs in the Access reader's own process:
// libmdb is not safe on a damaged file.
std::vector<TableRows> ReadJetTables(const std::string& path);

}  // namespace zl
