// The C library's character tables are there on POSIX systems only.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "text/cp1252.h"

namespace zl {
namespace {

// The C library's table, where it has the code, is the check on ours.
TEST(Cp1252, AgreesWithTheSystemsTable) {
  const iconv_t cd = ::iconv_open("UTF-8", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP1252 in iconv";
  int compared = 0;
  for (int c = 0x80; c < 256; ++c) {
    char in = static_cast<char>(c), out[8];
    char *from = &in, *to = out;
    std::size_t in_left = 1, out_left = sizeof out;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (::iconv(cd, &from, &in_left, &to, &out_left) == static_cast<std::size_t>(-1)) continue;  // unassigned
    EXPECT_EQ(Cp1252ToUtf8(std::string(1, in)), std::string(out, to)) << c;
    ++compared;
  }
  ::iconv_close(cd);
  EXPECT_GE(compared, 123);
}

}  // namespace
}  // namespace zl
