// The numbers the entry fields and the file hold: whole, 16 bits. The keys a
// field takes are typed by the random operator test.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "domain/numbers.h"

namespace zl::test {
namespace {

TEST(Numbers, ConvertWholeSixteenBitNumbersOnly) {
  const std::pair<const char*, std::optional<std::int16_t>> cases[] = {
      {" 007 ", 7}, {"-32768", -32768}, {"32767", 32767},
      {"+5", 5},    {"32768", {}},      {"123456789012345678901234567890", {}},
      {"", {}},     {"1 2", {}},        {"1.0", {}},
      {"+-5", {}}};
  for (const auto& [text, value] : cases) EXPECT_EQ(ToInt16(text), value) << text;
  for (const char* text : {" 1.5e3 ", "-2"}) EXPECT_TRUE(IsNumeric(text)) << text;
  for (const char* text : {"?", "1e", "."}) EXPECT_FALSE(IsNumeric(text)) << text;
}

}  // namespace
}  // namespace zl::test
