// Routines shared by the numeric entry fields.
#pragma once

#include <cstdint>

#include "ui/model/controls.h"

namespace zl::Mini_Program {

// Selects the field's whole text, so the next digit typed replaces it.
void SelectAllText(TextField& field);

// The character code to keep: Backspace and the digits pass, anything else
// becomes 0 (dropped).
std::int16_t FilterDigitKey(const std::int16_t& key_ascii);

}  // namespace zl::Mini_Program
