// File names are UTF-8 throughout the program. The standard library reads a
// narrow file name in the system's own code page on Windows, where a
// Vietnamese user name in a path would not survive; every path goes through
// these two instead.
#pragma once

#include <filesystem>
#include <string>

namespace zl {

inline std::filesystem::path PathFromUtf8(const std::string& utf8) { return std::filesystem::u8path(utf8); }
inline std::string PathToUtf8(const std::filesystem::path& path) { return path.u8string(); }

}  // namespace zl
