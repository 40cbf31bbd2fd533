#include "app/frm_form.h"
#include "domain/frames.h"
#include "domain/numbers.h"
#include "text/trim.h"

namespace zl {

void FrmForm::EnableParams(bool on) {
  TxtLoop.SetEnabled(on);
  TxtDelay.SetEnabled(on);
  TxtA.SetEnabled(on);
  TxtB.SetEnabled(on);
}

namespace {

// Replaces the combo's entries by the catalogue's texts, in the order the
// table yields them. A row without a text has nothing to list.
void LoadCatalogue(FrmForm& f, const char* sql) {
  for (int i = f.CmbFunc.ListCount(); i >= 1; --i) f.CmbFunc.RemoveItem(i - 1);
  f.SqlText = sql;
  f.Rs = f.Conn.OpenRecordset(f.SqlText);
  if (f.Rs->RecordCount() != 0) {
    f.Rs->MoveFirst();
    do {
      const Value text = f.Rs->Field(1);
      if (!text.IsNull()) f.CmbFunc.AddItem(Trim(text.ToText()));
      f.Rs->MoveNext();
    } while (!f.Rs->Eof());
  }
  f.Rs->Close();
}

}  // namespace

void FrmForm::LoadShowFunc() { LoadCatalogue(*this, "SELECT * FROM ShowFunc"); }
void FrmForm::LoadFuncBoder() { LoadCatalogue(*this, "SELECT * FROM FuncBoder"); }

void FrmForm::CmbFunc_Click() {
  TxtLoop.SetText("1");
  TxtDelay.SetText("5");
  TxtLoop.SetEnabled(true);
  TxtDelay.SetEnabled(true);
  TxtA.SetText("1");
  TxtB.SetText(TxtMaxport.Text());
  if (frames::WithStartEnd(PortNo)) {
    TxtA.SetEnabled(true);
    TxtB.SetEnabled(true);
  } else if (PortNo == 3) {
    TxtA.SetEnabled(false);
    TxtB.SetEnabled(false);
  }
  // An entry that does not begin with a number has no code; ADD and TEST
  // refuse it.
  CurCode = ToInt16(Trim(CmbFunc.Text()).substr(0, 2));
  // On sign port 3 Start is disabled and the focus stays where it was.
  TxtA.SetFocus();
  CmdAdd.SetEnabled(true);
  CmdTest.SetEnabled(true);
}

}  // namespace zl
