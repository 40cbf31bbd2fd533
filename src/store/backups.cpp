#include "store/backups.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <tuple>
#include <vector>

namespace zl {

namespace fs = std::filesystem;

namespace {

// "Data-2026-12-07_15-30-12.mdb", or "Data-2026-12-07_15-30-12.2.mdb" for a
// second copy within one second.
struct Name {
  std::string stamp;  // "2026-12-07_15-30-12"
  int seq = 1;
  std::string file;
  bool operator<(const Name& o) const { return std::tie(stamp, seq) < std::tie(o.stamp, o.seq); }
};

std::optional<Name> Parse(const std::string& file) {
  int y, mo, d, h, mi, s, seq = 1, used = 0;
  if (std::sscanf(file.c_str(), "Data-%4d-%2d-%2d_%2d-%2d-%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6 ||
      used != 24)
    return std::nullopt;
  const std::string rest = file.substr(static_cast<std::size_t>(used));
  if (rest != ".mdb") {
    int tail = 0;
    if (std::sscanf(rest.c_str(), ".%d.mdb%n", &seq, &tail) != 1 ||
        static_cast<std::size_t>(tail) != rest.size() || seq < 2)
      return std::nullopt;
  }
  return Name{file.substr(5, 19), seq, file};
}

std::string Stamp(std::time_t now, const char* format) {
  char text[32];
  std::strftime(text, sizeof text, format, std::localtime(&now));
  return text;
}

std::vector<Name> Copies(const std::string& dir) {
  std::vector<Name> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec))
      if (auto n = Parse(it->path().filename().string())) names.push_back(*n);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

bool Backups::DueToday(std::time_t now) {
  if (!last_day_) {
    const std::vector<Name> copies = Copies(dir_);
    last_day_ = copies.empty() ? std::string() : copies.back().stamp.substr(0, 10);
  }
  return *last_day_ != Stamp(now, "%Y-%m-%d");
}

std::optional<std::string> Backups::Take(std::time_t now, const std::function<void(const std::string&)>& copy) {
  last_day_ = Stamp(now, "%Y-%m-%d");
  std::error_code ec;
  fs::create_directories(dir_, ec);
  if (ec) return "cannot make the folder " + dir_ + ": " + ec.message();

  const std::string stamp = Stamp(now, "%Y-%m-%d_%H-%M-%S");
  fs::path target = fs::path(dir_) / ("Data-" + stamp + ".mdb");
  for (int seq = 2; fs::exists(target, ec); ++seq)
    target = fs::path(dir_) / ("Data-" + stamp + "." + std::to_string(seq) + ".mdb");
  try {
    copy(target.string());
  } catch (const std::exception& e) {
    fs::remove(target, ec);
    return e.what();
  }

  std::vector<Name> copies = Copies(dir_);
  for (std::size_t i = 0; i + kKept < copies.size(); ++i) fs::remove(fs::path(dir_) / copies[i].file, ec);
  return std::nullopt;
}

}  // namespace zl
