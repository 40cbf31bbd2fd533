#include "storage/sqlite/files.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "text/paths.h"

namespace zl::sqlite {

namespace fs = std::filesystem;

namespace {

DbError FileError(const std::string& what, const std::error_code& ec) {
  return DbError(SQLITE_IOERR, what + ": " + ec.message());
}

}  // namespace

std::string TempNameFor(const std::string& target) {
  std::random_device random;
  return target + ".tmp-" + std::to_string(random());
}

void RemoveTemp(const std::string& tmp) {
  std::error_code ec;
  fs::remove(PathFromUtf8(tmp), ec);
  fs::remove(PathFromUtf8(tmp + "-journal"), ec);
}

void WriteDatabase(const std::string& path, const std::function<void(Connection&)>& fill) {
  // Not inside the try: a file that was there before is not ours to remove.
  auto conn = Connection::Create(path);
  try {
    // The journal only matters for a file that already counts; the commit
    // still syncs the file itself, before it is renamed into place.
    conn->Exec("PRAGMA journal_mode=MEMORY");
    conn->Exec("BEGIN");
    fill(*conn);
    conn->Exec("COMMIT");
    conn->Close();
  } catch (...) {
    // Windows removes no file that is still open.
    conn.reset();
    RemoveTemp(path);
    throw;
  }
}

std::string WriteTempDatabase(const std::string& target, const std::function<void(Connection&)>& fill) {
  std::string tmp = TempNameFor(target);
  WriteDatabase(tmp, fill);
  return tmp;
}

void WriteNewFile(const std::string& path, const std::function<void(const std::string& tmp)>& write) {
  const std::string tmp = TempNameFor(path);
  try {
    write(tmp);
    RenameOver(tmp, path);
  } catch (...) {
    RemoveTemp(tmp);
    throw;
  }
}

void RenameOver(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::rename(PathFromUtf8(from), PathFromUtf8(to), ec);
  if (ec) throw FileError("cannot rename " + from + " to " + to, ec);
}

}  // namespace zl::sqlite
