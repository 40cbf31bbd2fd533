#include "app/frm_form.h"

namespace zl {

void FrmForm::EnableParams(bool on) {
  TxtLoop.SetEnabled(on);
  TxtDelay.SetEnabled(on);
  TxtA.SetEnabled(on);
  TxtB.SetEnabled(on);
}

}  // namespace zl
