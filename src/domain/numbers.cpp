#include "domain/numbers.h"

#include <cctype>
#include <charconv>
#include <string_view>
#include <system_error>

#include "text/trim.h"

namespace zl {

std::optional<std::int16_t> ToInt16(const std::string& text) {
  const std::string t = Trim(text);
  std::string_view digits(t);
  // from_chars takes a minus sign only.
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
    if (!digits.empty() && digits.front() == '-') return std::nullopt;
  }
  std::int16_t value = 0;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value);
  if (digits.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
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
