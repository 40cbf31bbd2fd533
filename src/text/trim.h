// Small text helpers shared by the handlers.
#pragma once

#include <string>

namespace zl {

// Removes leading and trailing blanks (spaces only, as the window's code
// always has).
inline std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

}  // namespace zl
