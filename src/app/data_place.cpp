#include "app/data_place.h"

#include <filesystem>
#include <system_error>

namespace zl {

namespace fs = std::filesystem;

namespace {

const char kDbName[] = "Data.mdb";

// Copies `seed` to `target` through a temporary name, so that a start cut
// short never leaves a half-copied Data.mdb; an existing `target` wins.
bool CopySeed(const fs::path& seed, const fs::path& target, std::error_code& ec) {
  const fs::path tmp = target.string() + ".new";
  fs::copy_file(seed, tmp, fs::copy_options::overwrite_existing, ec);
  // The seed may be installed read-only; the operator's copy must not be.
  if (!ec) fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  if (!ec && !fs::exists(target)) fs::rename(tmp, target, ec);
  std::error_code ignored;
  fs::remove(tmp, ignored);
  return !ec;
}

}  // namespace

DataPlace ChooseDataPlace(const std::string& app_dir, const std::string& user_dir,
                          const std::vector<std::string>& seeds,
                          const std::function<bool(const std::string&)>& can_write) {
  if (user_dir.empty() || can_write(app_dir)) return {app_dir, std::nullopt};

  std::error_code ec;
  const fs::path dir(user_dir);
  const fs::path target = dir / kDbName;
  if (fs::exists(target, ec)) return {user_dir, std::nullopt};

  const auto stay = [&](const std::string& why) {
    return DataPlace{app_dir, "Your lists could not be set up in " + user_dir + " (" + why +
                                  "); Data.mdb beside the program is used, and it cannot be changed there."};
  };
  fs::create_directories(dir, ec);
  if (ec) return stay(ec.message());
  for (const std::string& seed : seeds) {
    if (seed.empty() || !fs::is_regular_file(seed, ec)) continue;
    if (!CopySeed(seed, target, ec)) return stay(ec.message());
    return {user_dir, "Your lists are kept in " + target.string() + "."};
  }
  // Nothing to start from: opening reports the missing file where it belongs.
  return {user_dir, std::nullopt};
}

}  // namespace zl
