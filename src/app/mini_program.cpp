#include "app/mini_program.h"

namespace zl::Mini_Program {

void SelectAllText(TextField& field) {
  field.SetSelStart(0);
  field.SetSelLength(static_cast<std::int16_t>(field.Text().size()));
}

std::int16_t FilterDigitKey(const std::int16_t& key_ascii) {
  if (key_ascii == 8) return 8;
  if (key_ascii >= 48 && key_ascii <= 57) return key_ascii;
  return 0;
}

}  // namespace zl::Mini_Program
