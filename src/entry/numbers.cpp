#include "entry/numbers.h"

#include <cctype>
#include <cstdlib>

#include "platform/text.h"

namespace zl {

std::optional<std::int16_t> ToInt16(const std::string& text) {
  const std::string t = Trim(text);
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  if (i == t.size()) return std::nullopt;
  long value = 0;
  for (std::size_t j = i; j < t.size(); ++j) {
    if (!std::isdigit(static_cast<unsigned char>(t[j]))) return std::nullopt;
    value = value * 10 + (t[j] - '0');
    if (value > 32768) return std::nullopt;
  }
  if (t[0] == '-') value = -value;
  if (value < -32768 || value > 32767) return std::nullopt;
  return static_cast<std::int16_t>(value);
}

bool IsNumeric(const std::string& text) {
  const std::string t = Trim(text);
  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t start = i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    return i - start;
  };
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  std::size_t mantissa = digits();
  if (i < t.size() && t[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

std::optional<std::int16_t> Int16Of(const Value& value) {
  if (!value.IsNumber()) return std::nullopt;
  const std::int64_t n = value.Number();
  if (n < -32768 || n > 32767) return std::nullopt;
  return static_cast<std::int16_t>(n);
}

}  // namespace zl
