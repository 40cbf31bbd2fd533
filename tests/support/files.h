// Whole files read and written with the standard library alone, so that
// the tests built without Qt can use them too.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zl::test {

inline std::string Read(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Makes the folders on the way.
inline void Write(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// The backup copies in `dir` by name, which puts the oldest first.
inline std::vector<std::string> Copies(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  // A copy half made (Data-….mdb.tmp-N) is not one; no folder, no copies.
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    if (const auto name = e.path().filename().string(); name.rfind("Data-", 0) == 0 && e.path().extension() == ".mdb")
      names.push_back(name);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace zl::test
