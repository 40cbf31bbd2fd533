// Copies of Data.mdb kept in a folder beside it, named by the date and time
// they were made, so that New, a wrong DEL or a wrong Program can be undone
// by putting one back. The newest kKept are kept.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace zl {

class Backups {
 public:
  static constexpr int kKept = 20;

  // `dir`: the folder the copies go to (made when first needed).
  explicit Backups(std::string dir) : dir_(std::move(dir)) {}

  const std::string& Dir() const { return dir_; }

  // Whether the local day of `now` has no copy yet.
  bool DueToday(std::time_t now);

  // Makes a new copy with `copy(path)`, which writes the whole database to
  // the new file `path`, then removes the oldest beyond kKept. Returns why
  // it failed, if it did; nothing already in the folder is touched then.
  // The day counts as done either way, so a folder that cannot take copies
  // is reported once a day, not at every change.
  std::optional<std::string> Take(std::time_t now, const std::function<void(const std::string& path)>& copy);

  // Forgets that today's copy was tried, so the next change tries again.
  void TryAgain() { last_day_.reset(); }

 private:
  std::string dir_;
  std::optional<std::string> last_day_;  // of the newest copy, once looked up
};

}  // namespace zl
