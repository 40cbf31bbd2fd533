#include "storage/database.h"

namespace zl {

std::string Value::ToText() const {
  if (IsNumber()) return std::to_string(Number());
  if (IsText()) return Str();
  return {};
}

std::string DbError::Report() const { return "Error " + std::to_string(number_) + ": " + what(); }

}  // namespace zl
