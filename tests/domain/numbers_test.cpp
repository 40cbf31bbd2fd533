// The rules the entry fields apply to a typed key and to a field's text,
// apart from any window.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "app/mini_program.h"
#include "domain/numbers.h"

namespace zl::test {
namespace {

TEST(Numbers, ConvertWholeSixteenBitNumbersOnly) {
  const std::pair<const char*, std::optional<std::int16_t>> cases[] = {
      {" 007 ", 7}, {"-32768", -32768}, {"32767", 32767},
      {"+5", 5},    {"32768", {}},      {"123456789012345678901234567890", {}},
      {"", {}},     {"1 2", {}},        {"-", {}},
      {"1.0", {}},  {"+-5", {}}};
  for (const auto& [text, value] : cases) EXPECT_EQ(ToInt16(text), value) << text;
  for (const char* text : {" 1.5e3 ", "-2"}) EXPECT_TRUE(IsNumeric(text)) << text;
  for (const char* text : {"?", "1e", "."}) EXPECT_FALSE(IsNumeric(text)) << text;
}

TEST(MiniProgram, FilterDigitKeyKeepsDigitsAndBackspaceOnly) {
  for (const int kept : {8, int{'0'}, int{'5'}, int{'9'}})
    EXPECT_EQ(Mini_Program::FilterDigitKey(static_cast<std::int16_t>(kept)), kept);
  for (const int dropped : {-8, 0, 7, 9, 13, int{' '}, int{'/'}, int{':'}, int{'a'}, 255, 256 + '0'})
    EXPECT_EQ(Mini_Program::FilterDigitKey(static_cast<std::int16_t>(dropped)), 0) << dropped;
}

}  // namespace
}  // namespace zl::test
