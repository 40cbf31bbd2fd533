// The Access reader: the program started again, in a process of its own,
// to read an Access file and write its rows into a new SQLite file. What it
// prints on standard output is for the program that started it:
//   rows TABLE COUNT     for each table written, then exit status 0
//   refused NUMBER TEXT  when the file is not whole, exit status 1
// Exit status 3 means it ran out of memory.
#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "storage/access/conversion.h"
#include "storage/access/jet_import.h"
#include "storage/sqlite/files.h"

namespace zl {

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kExitOutOfMemory = 3;

[[noreturn]] void OutOfMemory() {
  static const char kSays[] = "Access reader: out of memory\n";
  (void)!::write(STDERR_FILENO, kSays, sizeof kSays - 1);
  std::_Exit(kExitOutOfMemory);
}

// glib ends the process on a failed allocation; libmdb allocates through it.
void OnGlibError(const gchar* /*domain*/, GLogLevelFlags /*level*/, const gchar* message, gpointer /*data*/) {
  if (message && std::strstr(message, "failed to allocate")) OutOfMemory();
  std::abort();
}

// The file's rows, as read, into the new database.
void Fill(sqlite::Connection& conn, const std::vector<TableRows>& tables) {
  for (const TableRows& t : tables) {
    std::string columns, marks;
    for (const FieldLayout& f : t.layout->fields) {
      columns +=
          (columns.empty() ? "" : ", ") + std::string(f.name) + (f.kind == FieldKind::Text ? " TEXT" : " INTEGER");
      marks += marks.empty() ? "?" : ", ?";
    }
    const std::string table = sqlite::QuoteIdentifier(t.layout->name);
    conn.Exec("CREATE TABLE " + table + " (" + columns + ")");
    const sqlite::StatementPtr insert = conn.Prepare("INSERT INTO " + table + " VALUES (" + marks + ")");
    for (const auto& row : t.rows) {
      sqlite::Reset reset(insert.get());
      for (int i = 0; i < static_cast<int>(row.size()); ++i) {
        const Value& v = row[static_cast<std::size_t>(i)];
        // Texts arrive as UTF-8 already: stored as read, nothing mapped.
        if (v.IsNull())
          sqlite3_bind_null(insert.get(), i + 1);
        else if (v.IsNumber())
          sqlite3_bind_int64(insert.get(), i + 1, v.Number());
        else
          sqlite3_bind_text(insert.get(), i + 1, v.Str().data(), static_cast<int>(v.Str().size()), SQLITE_TRANSIENT);
      }
      conn.Step(insert.get());
    }
  }
}

}  // namespace

std::optional<int> RunAccessReaderIfAsked(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], kAccessReaderOption) != 0) return std::nullopt;
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s %s ACCESS-FILE NEW-FILE\n", argv[0], kAccessReaderOption);
    return kExitUsage;
  }
  std::set_new_handler(OutOfMemory);
  g_log_set_handler("GLib", static_cast<GLogLevelFlags>(G_LOG_LEVEL_ERROR | G_LOG_FLAG_FATAL), OnGlibError, nullptr);
  try {
    const std::vector<TableRows> tables = ReadJetTables(argv[2]);
    sqlite::WriteDatabase(argv[3], [&](sqlite::Connection& conn) { Fill(conn, tables); });
    for (const TableRows& t : tables) std::printf("rows %s %zu\n", t.layout->name, t.rows.size());
    return 0;
  } catch (const DbError& e) {
    std::printf("refused %d %s\n", e.Number(), e.what());
    return kExitRefused;
  }
}

}  // namespace zl
