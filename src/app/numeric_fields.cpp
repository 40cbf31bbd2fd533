#include "app/frm_form.h"
#include "app/mini_program.h"
#include "domain/board_protocol.h"
#include "domain/numbers.h"
#include "text/trim.h"

namespace zl {

using Mini_Program::FilterDigitKey;
using Mini_Program::SelectAllText;

void FrmForm::TxtLoop_GotFocus() { SelectAllText(TxtLoop); }
void FrmForm::TxtDelay_GotFocus() { SelectAllText(TxtDelay); }
void FrmForm::TxtA_GotFocus() { SelectAllText(TxtA); }
void FrmForm::TxtB_GotFocus() { SelectAllText(TxtB); }

void FrmForm::TxtLoop_KeyPress(std::int16_t& key_ascii) { key_ascii = FilterDigitKey(key_ascii); }
void FrmForm::TxtDelay_KeyPress(std::int16_t& key_ascii) { key_ascii = FilterDigitKey(key_ascii); }
void FrmForm::TxtA_KeyPress(std::int16_t& key_ascii) { key_ascii = FilterDigitKey(key_ascii); }
void FrmForm::TxtB_KeyPress(std::int16_t& key_ascii) { key_ascii = FilterDigitKey(key_ascii); }
void FrmForm::TxtMaxport_KeyPress(std::int16_t& key_ascii) { key_ascii = FilterDigitKey(key_ascii); }

void FrmForm::ApplyLowerBound(TextField& field) {
  // An emptied field gets the smallest value; a number too large for 16 bits
  // stays as typed, and ADD refuses it.
  if (Trim(field.Text()).empty()) {
    field.SetText("1");
    return;
  }
  const auto value = ToInt16(field.Text());
  if (value && *value < 1) field.SetText("1");
}

void FrmForm::TxtLoop_LostFocus() { ApplyLowerBound(TxtLoop); }
void FrmForm::TxtDelay_LostFocus() { ApplyLowerBound(TxtDelay); }
void FrmForm::TxtA_LostFocus() { ApplyLowerBound(TxtA); }

void FrmForm::TxtB_LostFocus() {
  const auto end = ToInt16(TxtB.Text());
  if (Trim(TxtB.Text()).empty() || (end && *end < 1)) TxtB.SetText(TxtMaxport.Text());
  const auto max = ToInt16(TxtMaxport.Text());
  if (!max) return;  // no capacity value to bound End by
  const auto end_now = ToInt16(TxtB.Text());
  if (end_now && *end_now > *max) TxtB.SetText(Trim(TxtMaxport.Text()));
}

void FrmForm::TxtMaxport_Change() {
  const std::string trimmed = Trim(TxtMaxport.Text());
  if (trimmed.empty()) {
    TxtMaxport.SetText("0");
    TxtMaxport.SetSelStart(0);
    TxtMaxport.SetSelLength(static_cast<int>(Trim(TxtMaxport.Text()).size()));
  }
  if (IsNumeric(TxtMaxport.Text())) {
    const auto value = ToInt16(TxtMaxport.Text());
    // Nothing beyond one byte: the senders refuse.
    capacity_byte_ = board::AsByte(value);
  } else {
    capacity_byte_ = 0x01;
  }
}

}  // namespace zl
