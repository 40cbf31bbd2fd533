#include "storage/data_place.h"

#include <filesystem>
#include <system_error>

#include "text/paths.h"

namespace zl {

namespace fs = std::filesystem;

namespace {

const char kDbName[] = "Data.mdb";

// Copies `seed` to `target` through a temporary name, so that a start cut
// short never leaves a half-copied Data.mdb; an existing `target` wins.
bool CopySeed(const fs::path& seed, const fs::path& target, std::error_code& ec) {
  const fs::path tmp = PathFromUtf8(PathToUtf8(target) + ".new");
  fs::copy_file(seed, tmp, fs::copy_options::overwrite_existing, ec);
  // The seed may be installed read-only; the operator's copy must not be.
  if (!ec) fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  if (!ec && !fs::exists(target)) fs::rename(tmp, target, ec);
  std::error_code ignored;
  fs::remove(tmp, ignored);
  return !ec;
}

}  // namespace

DataPlace ChooseDataPlace(const std::string& app_dir, const std::string& user_dir, const std::string& seed,
                          const std::function<bool(const std::string&)>& can_write) {
  std::error_code ec;
  const fs::path beside = PathFromUtf8(app_dir) / kDbName;
  const bool seeded = !seed.empty() && fs::is_regular_file(PathFromUtf8(seed), ec);
  const bool installed = !can_write(app_dir) || (seeded && !fs::exists(beside, ec));
  if (user_dir.empty() || !installed) return {app_dir, std::nullopt};

  const fs::path dir = PathFromUtf8(user_dir);
  const fs::path target = dir / kDbName;
  if (fs::exists(target, ec)) return {user_dir, std::nullopt};

  const auto stay = [&](const std::string& why) {
    return DataPlace{app_dir, "Your lists could not be set up in " + user_dir + " (" + why +
                                  "); Data.mdb beside the program is used, and it cannot be changed there."};
  };
  const fs::path start = seeded ? PathFromUtf8(seed) : beside;
  // Nothing to start from: opening reports the missing file where it belongs.
  if (!fs::is_regular_file(start, ec)) return {user_dir, std::nullopt};
  fs::create_directories(dir, ec);
  if (ec) return stay(ec.message());
  if (!CopySeed(start, target, ec)) return stay(ec.message());
  return {user_dir, "Your lists are kept in " + PathToUtf8(target) + "."};
}

}  // namespace zl
