#include "platform/cp1252.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace zl {
namespace {

std::string AllCodes() {
  std::string s;
  for (int c = 0; c < 256; ++c) s += static_cast<char>(c);
  return s;
}

TEST(Cp1252, AllCodesRoundTrip) {
  const std::string codes = AllCodes();
  const std::string utf8 = Cp1252ToUtf8(codes);
  EXPECT_EQ(Utf8ToCp1252(utf8), codes);
  // Every code is its own character: 256 distinct ones.
  std::set<std::string> characters;
  for (const char c : codes) {
    const std::string one = Cp1252ToUtf8(std::string(1, c));
    int starts = 0;  // bytes that begin a UTF-8 sequence
    for (const char b : one) starts += (static_cast<unsigned char>(b) & 0xC0) != 0x80;
    EXPECT_EQ(starts, 1) << static_cast<int>(static_cast<unsigned char>(c));
    characters.insert(one);
  }
  EXPECT_EQ(characters.size(), 256u);
}

TEST(Cp1252, CharactersOfTheCodes) {
  EXPECT_EQ(Cp1252ToUtf8("Loop 12"), "Loop 12");
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\u20AC");
  EXPECT_EQ(Cp1252ToUtf8("\x8C\x99\x9F"), "\u0152\u2122\u0178");
  EXPECT_EQ(Cp1252ToUtf8("\xA0\xEF\xFF"), "\u00A0\u00EF\u00FF");
  // Codes Windows-1252 leaves open keep their control character.
  EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(Utf8ToCp1252("Cha\u00EFy \u20AC\u0178"), "Cha\xEFy \x80\x9F");
}

TEST(Cp1252, CharactersWithoutACodeBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("\u01A1"), "?");             // ơ
  EXPECT_EQ(Utf8ToCp1252("a\u0080b"), "a?b");         // a C1 control Windows-1252 uses for €
  EXPECT_EQ(Utf8ToCp1252("x\U0001F600y"), "x?y");     // four-byte sequence
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");             // cut-off sequence
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82x"), "??x");        // broken sequence
}

}  // namespace
}  // namespace zl
