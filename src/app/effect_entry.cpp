#include "app/frm_form.h"
#include "domain/board_protocol.h"
#include "domain/numbers.h"
#include "text/trim.h"

namespace zl {

void FrmForm::EnableParams(bool on) {
  TxtLoop.SetEnabled(on);
  TxtDelay.SetEnabled(on);
  TxtA.SetEnabled(on);
  TxtB.SetEnabled(on);
}

void FrmForm::CmbFunc_Click() {
  TxtLoop.SetText("1");
  TxtDelay.SetText("5");
  TxtLoop.SetEnabled(true);
  TxtDelay.SetEnabled(true);
  TxtA.SetText("1");
  TxtB.SetText(TxtMaxport.Text());
  if (board::WithStartEnd(Port())) {
    TxtA.SetEnabled(true);
    TxtB.SetEnabled(true);
  } else if (Port() == 3) {
    TxtA.SetEnabled(false);
    TxtB.SetEnabled(false);
  }
  // An entry that does not begin with a number has no code; ADD and TEST
  // refuse it.
  cur_code_ = ToInt16(Trim(CmbFunc.Text()).substr(0, 2));
  // On sign port 3 Start is disabled and the focus stays where it was.
  TxtA.SetFocus();
  CmdAdd.SetEnabled(true);
  CmdTest.SetEnabled(true);
}

}  // namespace zl
