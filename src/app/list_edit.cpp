#include <optional>

#include "app/frm_form.h"
#include "domain/board_protocol.h"
#include "domain/numbers.h"
#include "text/trim.h"

namespace zl {

std::optional<std::int16_t> FrmForm::CurrentNumber() const {
  const int row = DataGrid.Row();
  if (row < 0) return std::nullopt;
  return Int16Of(DataGrid.Data().At(row, 0));
}

void FrmForm::DataGrid_Click() {
  // Before any sign port was chosen the grid shows the placeholder table,
  // which has no list to move in.
  if (!list_) return;
  UpdateEditButtons();
}

void FrmForm::UpdateEditButtons() {
  const std::int16_t current = CurrentNumber().value_or(0);
  // Both questions are put before any button changes, so a file that cannot
  // be read leaves them as they were.
  const bool below = list_->AnyAfter(current);
  const bool above = list_->AnyBefore(current);
  CmdDEL.SetEnabled(false);
  CmdDOWN.SetEnabled(false);
  CmdUP.SetEnabled(false);
  if (DataGrid.Rows() > 0) CmdDEL.SetEnabled(true);
  if (below) CmdDOWN.SetEnabled(true);
  if (above) CmdUP.SetEnabled(true);
}

void FrmForm::CmdAdd_Click() {
  if (RefuseChange()) return;
  if (!list_) return;
  struct Field {
    const char* label;
    const TextField& field;
    bool one_byte;
    std::optional<std::int16_t> value;
  };
  const bool five_bytes = board::WithStartEnd(Port());
  Field fields[] = {{"Time", TxtDelay, true, {}},
                    {"Loop", TxtLoop, true, {}},
                    {"Start", TxtA, five_bytes, {}},
                    {"End", TxtB, five_bytes, {}}};
  if (!cur_code_) {
    Refuse("The effect " + Message::Shown(Trim(CmbFunc.Text())) + " has no effect code; nothing was added.");
    return;
  }
  if (!board::AsByte(cur_code_)) {
    Refuse("The effect code " + Message::Number(*cur_code_) + " does not fit one byte (0 to 255); nothing was added.");
    return;
  }
  for (Field& f : fields) {
    f.value = ToInt16(f.field.Text());
    if (!f.value) {
      Refuse(Message(f.label) + " " + Message::Shown(Trim(f.field.Text())) +
             " is not a whole number from -32768 to 32767; nothing was added.");
      return;
    }
    if (f.one_byte && !board::AsByte(f.value)) {
      Refuse(Message(f.label) + " " + Message::Number(*f.value) +
             " does not fit one byte (0 to 255); nothing was added.");
      return;
    }
  }
  if (!list_->Next()) {
    Refuse("The list already holds the highest number (32767); nothing was added.");
    return;
  }

  BackUpBefore(false);
  DataGrid.Append(list_->Append(
      {*cur_code_, Trim(CmbFunc.Text()), *fields[0].value, *fields[1].value, *fields[2].value, *fields[3].value}));

  CmdDOWN.SetEnabled(false);
  CmdUP.SetEnabled(false);
  CmdDEL.SetEnabled(false);
  CmdSEND.SetEnabled(true);
  TxtMaxport.SetEnabled(false);
}

void FrmForm::CmdDEL_Click() {
  if (RefuseChange()) return;
  if (!list_) return;
  // The button can be stale (another port was chosen since the click).
  const int row = DataGrid.Row();
  if (row < 0) {
    UpdateEditButtons();
    return;
  }
  BackUpBefore(false);
  bool deleted = false;
  try {
    // A row without a number leaves no gap to close.
    deleted = list_->Delete(DataGrid.Data().RowId(row), CurrentNumber());
  } catch (const DbError&) {
    ShowListAgain();
    throw;
  }
  if (!deleted) {
    ShowListAgain();
    Refuse("The rows behind it would be numbered beyond 32767; nothing was deleted.");
    return;
  }
  ShowList();
  CmdUP.SetEnabled(false);
  CmdDOWN.SetEnabled(false);
  CmdDEL.SetEnabled(false);
  if (DataGrid.Rows() == 0) {
    TxtMaxport.SetEnabled(true);
    CmdSEND.SetEnabled(false);
  }
}

void FrmForm::CmdUP_Click() { MoveRow(-1); }
void FrmForm::CmdDOWN_Click() { MoveRow(+1); }

void FrmForm::MoveRow(int step) {
  if (RefuseChange()) return;
  if (!list_) return;
  const std::optional<std::int16_t> current = CurrentNumber();
  if (!current) {
    UpdateEditButtons();
    return;
  }
  const int c = *current;
  const int t = c + step;
  const int position = step < 0 ? c - 2 : c;
  // A stale button: nothing lies beyond the row in that direction.
  const bool at_end = step < 0 ? !list_->AnyBefore(*current) : !list_->AnyAfter(*current);
  if (at_end || t < -32768 || t > 32767 || position < -32768 || position > 32767) {
    UpdateEditButtons();
    return;
  }

  BackUpBefore(false);
  try {
    list_->Move(DataGrid.Data().RowId(DataGrid.Row()), *current, static_cast<std::int16_t>(t));
  } catch (const DbError&) {
    ShowListAgain();
    throw;
  }
  ShowList();
  DataGrid.SetRow(position);
  UpdateEditButtons();
}

}  // namespace zl
