#include "storage/access/conversion.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

#include "storage/access/jet_import.h"
#include "storage/provider_errors.h"
#include "storage/sqlite/connection.h"
#include "storage/sqlite/files.h"

namespace zl {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMB = 1024 * 1024;
constexpr std::uint64_t kMemory = 512 * kMB;
// A Data.mdb of three full lists is read well within a second; a reader
// still busy after this many seconds, and one more per MB, is lost in it.
constexpr int kSeconds = 3;
constexpr std::size_t kOutput = 64 * 1024;
constexpr int kExitRefused = 1;
constexpr int kExitOutOfMemory = 3;
// Under AddressSanitizer the address space is reserved up front, and the
// sanitizer would turn the reader's crash into a report and exit status.
constexpr bool kSanitized = ZL_SANITIZED_BUILD;

// Why the file could not be read, as the operator is told; `number` is the
// error number the report carries.
struct Unread {
  int number = provider_error::kUnrecognizedFormat;
  std::string why;
};

Unread Because(std::string why) { return Unread{provider_error::kUnrecognizedFormat, std::move(why)}; }

std::string Megabytes(std::uint64_t bytes) { return std::to_string(bytes / kMB) + " MB"; }

// The row count of each table, in the order the reader wrote them, from
// what it printed; nothing when that is not what a whole run prints.
std::optional<std::vector<std::uint64_t>> ReportedRows(const std::string& out) {
  std::istringstream lines(out);
  std::vector<std::uint64_t> counts;
  for (const TableLayout& t : StoreTables()) {
    std::string word, name, rest;
    std::uint64_t n = 0;
    if (!std::getline(lines, rest)) return std::nullopt;
    std::istringstream line(rest);
    if (!(line >> word >> name >> n) || word != "rows" || name != t.name || !(line >> std::ws).eof())
      return std::nullopt;
    counts.push_back(n);
  }
  std::string extra;
  if (std::getline(lines, extra)) return std::nullopt;
  return counts;
}

std::optional<Unread> Refusal(const std::string& out) {
  std::istringstream line(out);
  std::string word, text;
  int number = 0;
  if (!(line >> word >> number) || word != "refused") return std::nullopt;
  std::getline(line >> std::ws, text);
  // The sentence goes on after it.
  if (!text.empty() && text.back() == '.') text.pop_back();
  return Unread{number, text};
}

std::string DeclaredType(FieldKind kind) { return kind == FieldKind::Text ? "TEXT" : "INTEGER"; }

// What a value of a field of `kind` must be, as an SQL condition on `c`.
std::string Allowed(const std::string& c, FieldKind kind) {
  switch (kind) {
    case FieldKind::Int16:
      return c + " IS NULL OR (typeof(" + c + ")='integer' AND " + c + " BETWEEN -32768 AND 32767)";
    case FieldKind::Integer: return c + " IS NULL OR typeof(" + c + ")='integer'";
    case FieldKind::Text: return c + " IS NULL OR typeof(" + c + ")='text'";
    case FieldKind::Any: return "typeof(" + c + ") IN ('null', 'integer', 'text')";
  }
  return "0";
}

// The first row's first column of `sql` as text.
std::string FirstText(sqlite::Connection& conn, const std::string& sql) {
  const sqlite::StatementPtr stmt = conn.Prepare(sql);
  if (!conn.Step(stmt.get())) return {};
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
  return text ? text : "";
}

// What is wrong with the copy the reader wrote, or nothing: it must be a
// sound database of exactly the seven tables, with their fields and types,
// holding the rows the reader counted.
std::optional<std::string> CopyFault(const std::string& copy, const std::vector<std::uint64_t>& counts) {
  try {
    const auto conn = sqlite::Connection::OpenReadOnly(copy);
    const std::string integrity = FirstText(*conn, "PRAGMA integrity_check");
    if (integrity != "ok") return "its integrity check says: " + integrity;
    std::string expected;
    for (const TableLayout& t : StoreTables()) expected += std::string(expected.empty() ? "" : ",") + "table " + t.name;
    const std::string found = FirstText(
        *conn,
        "SELECT group_concat(type || ' ' || name, ',') FROM (SELECT type, name FROM sqlite_master ORDER BY rowid)");
    if (found != expected) return "it holds " + (found.empty() ? "nothing" : found) + " instead of " + expected;

    std::size_t i = 0;
    for (const TableLayout& t : StoreTables()) {
      const std::string table = sqlite::QuoteIdentifier(t.name);
      std::string fields, want, allowed;
      for (const FieldLayout& f : t.fields) {
        want += std::string(want.empty() ? "" : ",") + f.name + " " + DeclaredType(f.kind);
        allowed += std::string(allowed.empty() ? "" : " AND ") + "(" + Allowed(f.name, f.kind) + ")";
      }
      fields = FirstText(
          *conn, "SELECT group_concat(name || ' ' || type, ',') FROM pragma_table_info('" + std::string(t.name) + "')");
      if (fields != want) return "table " + std::string(t.name) + " has the fields " + fields + " instead of " + want;
      const std::string rows = FirstText(*conn, "SELECT count(*) FROM " + table);
      if (rows != std::to_string(counts[i]))
        return "table " + std::string(t.name) + " holds " + rows + " rows, the reader wrote " +
               std::to_string(counts[i]);
      const std::string wrong = FirstText(*conn, "SELECT count(*) FROM " + table + " WHERE NOT (" + allowed + ")");
      if (wrong != "0") return "table " + std::string(t.name) + " holds " + wrong + " rows with values of a wrong kind";
      ++i;
    }
    return std::nullopt;
  } catch (const DbError& e) {
    return std::string("it cannot be read as a database: ") + e.what();
  }
}

Unread TooMuchMemory() {
  return Because("the Access reader needed too much memory for it (more than " + Megabytes(kMemory) + ")");
}

// What the reader's end means; nothing when it wrote a copy to check.
std::optional<Unread> Failure(const ChildOutcome& run, const ChildLimits& limits) {
  using End = ChildOutcome::End;
  switch (run.end) {
    case End::Exited:
      if (run.status == 0) return std::nullopt;
      if (run.status == kExitRefused)
        if (auto refused = Refusal(run.out)) return refused;
      if (run.status == kExitOutOfMemory) return TooMuchMemory();
      return Because("the Access reader stopped with exit status " + std::to_string(run.status));
    case End::Crashed: return Because("it crashed the Access reader (signal " + std::to_string(run.status) + ")");
    case End::TimedOut:
      // Ended by its processor time (a signal), or by the clock.
      return Because("the Access reader took too long over it (more than " +
                     std::to_string(run.status != 0 ? limits.cpu_seconds : limits.wall_milliseconds / 1000) +
                     " seconds)");
    case End::OutOfMemory: return TooMuchMemory();
    case End::FloodedOutput:
      return Because("the Access reader went round in circles over it, printing warning after warning");
    case End::FileTooLarge: return Because("its converted copy grew beyond " + Megabytes(limits.file_bytes));
    case End::NotStarted: return Because("the Access reader could not be started: " + run.error);
  }
  return Because("the Access reader ended in a way it never does");
}

DbError CannotRead(const Unread& u, const std::string& seed) {
  std::error_code ec;
  const std::string put_back = !seed.empty() && fs::is_regular_file(seed, ec)
                                   ? "copy " + seed + " in its place"
                                   : "put the Data.mdb that came with the program in its place";
  return DbError(u.number, "Data.mdb is an Access file that could not be read: " + u.why +
                               ". It was left as it is. Ask its supplier for a new copy, or put the shipped "
                               "database back: move this Data.mdb away (to Data.damaged.mdb, say) and " +
                               put_back + ".");
}

// A second name for the original, then the copy over the first: the file
// name never stands empty, and the original's bytes are never copied. Where
// the file system has no links, two renames do the same.
void PutInPlace(const std::string& copy, const std::string& path, const std::string& kept) {
  std::error_code ec;
  fs::create_hard_link(path, kept, ec);
  const bool linked = !ec;
  if (!linked && ec != std::errc::file_exists) fs::rename(path, kept, ec);
  if (ec) throw DbError(SQLITE_IOERR, "cannot keep the original as " + kept + ": " + ec.message());
  try {
    sqlite::RenameOver(copy, path);
  } catch (const DbError&) {
    if (linked)
      fs::remove(kept, ec);
    else
      fs::rename(kept, path, ec);
    throw;
  }
}

// A sanitized reader ends on a crash as a plain one does, and libmdb's
// leaks on a damaged file do not change its exit status.
std::vector<std::string> ReaderEnvironment() {
  if (!kSanitized) return {};
  const char* set = std::getenv("ASAN_OPTIONS");
  return {std::string("ASAN_OPTIONS=") + (set ? set : "") +
          ":handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0:detect_leaks=0"};
}

}  // namespace

ChildLimits AccessReaderLimits(std::uint64_t file_bytes) {
  ChildLimits limits;
  limits.address_space_bytes = kSanitized ? 0 : kMemory;
  limits.resident_bytes = kMemory;
  limits.cpu_seconds = kSeconds + static_cast<int>(std::min<std::uint64_t>(file_bytes / kMB, 600));
  // A reader that works is stopped by its processor time; the clock, with
  // room for a busy machine, stops one that waits on something.
  limits.wall_milliseconds = 3 * limits.cpu_seconds * 1000;
  // Its copy is never much larger than the Access file.
  limits.file_bytes = std::max<std::uint64_t>(64 * kMB, 4 * file_bytes);
  limits.output_bytes = kOutput;
  return limits;
}

std::optional<std::string> ConvertAccessFile(const std::string& path, const std::string& program,
                                             const std::string& seed) {
  if (!IsJetFile(path)) return std::nullopt;
  const std::string kept = (fs::absolute(fs::path(path)).parent_path() / "Data.access.mdb").string();
  std::error_code ec;
  if (fs::exists(kept, ec))
    throw DbError(provider_error::kFileExists, kept + " already exists; move it away so that " + path +
                                                   " can be converted and its original kept there.");

  const std::string copy = sqlite::TempNameFor(path);
  const std::uintmax_t size = fs::file_size(path, ec);
  const ChildLimits limits = AccessReaderLimits(ec ? 0 : size);
  try {
    const ChildOutcome run = RunChild({program, kAccessReaderOption, path, copy}, limits, ReaderEnvironment());
    if (const auto failed = Failure(run, limits)) throw CannotRead(*failed, seed);
    const auto counts = ReportedRows(run.out);
    if (!counts) throw CannotRead(Because("the Access reader did not say what it wrote"), seed);
    if (const auto fault = CopyFault(copy, *counts))
      throw CannotRead(Because("the Access reader's copy of it failed the checks: " + *fault), seed);
    PutInPlace(copy, path, kept);
  } catch (...) {
    sqlite::RemoveTemp(copy);
    throw;
  }
  return "Data.mdb was an Access file and has been converted for this program. The original is kept as " + kept + ".";
}

}  // namespace zl
