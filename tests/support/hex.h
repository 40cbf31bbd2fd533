// Bytes as upper-case hex pairs ("FE FD F6 0A FF"), for messages and
// expected frames; the standard library alone, for the tests without Qt.
#pragma once

#include <cstdio>
#include <string>

namespace zl::test {

inline std::string Hex(const std::string& bytes, char sep = ' ') {
  std::string out;
  char two[3];
  for (const unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02X", b);
    out += (out.empty() ? "" : std::string(1, sep)) + two;
  }
  return out;
}

}  // namespace zl::test
