#include "storage/backups.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <tuple>
#include <vector>

#include "text/paths.h"

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
  // Digits only where the program writes them: a sign, a space or a number
  // too large for an int makes it someone else's file, never pruned.
  static constexpr std::string_view kShape = "Data-0000-00-00_00-00-00";
  if (file.size() < kShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const bool ok = kShape[i] == '0' ? file[i] >= '0' && file[i] <= '9' : file[i] == kShape[i];
    if (!ok) return std::nullopt;
  }
  const std::string_view rest = std::string_view(file).substr(kShape.size());
  int seq = 1;
  if (rest != ".mdb") {
    constexpr std::string_view kEnd = ".mdb";
    if (rest.size() <= 1 + kEnd.size() || rest.front() != '.' || rest.substr(rest.size() - kEnd.size()) != kEnd)
      return std::nullopt;
    const std::string_view digits = rest.substr(1, rest.size() - 1 - kEnd.size());
    if (digits.front() < '0' || digits.front() > '9') return std::nullopt;
    const char* last = digits.data() + digits.size();
    const auto [end, ec] = std::from_chars(digits.data(), last, seq);
    if (ec != std::errc() || end != last || seq < 2) return std::nullopt;
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
  for (fs::directory_iterator it(PathFromUtf8(dir), ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec))
      if (auto n = Parse(PathToUtf8(it->path().filename()))) names.push_back(*n);
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
  fs::create_directories(PathFromUtf8(dir_), ec);
  if (ec) return "cannot make the folder " + dir_ + ": " + ec.message();

  const std::string stamp = Stamp(now, "%Y-%m-%d_%H-%M-%S");
  fs::path target = PathFromUtf8(dir_) / ("Data-" + stamp + ".mdb");
  for (int seq = 2; fs::exists(target, ec); ++seq)
    target = PathFromUtf8(dir_) / ("Data-" + stamp + "." + std::to_string(seq) + ".mdb");
  try {
    copy(PathToUtf8(target));
  } catch (const std::exception& e) {
    fs::remove(target, ec);
    return e.what();
  }

  std::vector<Name> copies = Copies(dir_);
  for (std::size_t i = 0; i + kKept < copies.size(); ++i) fs::remove(PathFromUtf8(dir_) / copies[i].file, ec);
  return std::nullopt;
}

}  // namespace zl
