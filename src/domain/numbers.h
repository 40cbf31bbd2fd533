// Number conversions of the entry fields and the database values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "storage/database.h"

namespace zl {

// A field's value: its text, blanks trimmed, as a whole decimal number with
// an optional sign, in the 16-bit range. Empty, not a whole number, or out of
// range: no value.
std::optional<std::int16_t> ToInt16(const std::string& text);

// The general numeric test: a decimal number with optional sign, fraction
// and exponent, blanks around it allowed.
bool IsNumeric(const std::string& text);

// A stored value as a 16-bit number; NULL, text or out of range: no value.
std::optional<std::int16_t> Int16Of(const Value& value);

}  // namespace zl
