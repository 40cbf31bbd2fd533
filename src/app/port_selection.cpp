#include "app/frm_form.h"
#include "domain/numbers.h"
#include "text/cp1252.h"
#include "text/trim.h"

namespace zl {

void FrmForm::CmbPORT_Click() {
  const std::string text = Trim(CmbPORT.Text());
  const int port = ToInt16(text.substr(text.empty() ? 0 : text.size() - 1)).value_or(0);
  // The list's entries are the program's own "PORT1" to "PORT3".
  if (port < 1 || port > 3) {
    CmbPORT.SetText(port_shown_);
    return;
  }
  EffectList list(db_, port);
  std::optional<Value> capacity;
  Snapshot rows;
  std::vector<std::string> catalogue;
  // The reads share one snapshot of the file: once the first has the file,
  // no other program can change it before the last. Nothing is shown before
  // all are read, so a choice that cannot be read leaves the window as it
  // was.
  try {
    Transaction reads(db_);
    capacity = list.Capacity();
    rows = list.Rows();
    list.ReadNext();
    catalogue = list.Catalogue();
    reads.Commit();
    DataGrid.Show(std::move(rows));
  } catch (const DbError&) {
    CmbPORT.SetText(port_shown_);
    throw;
  }
  port_shown_ = CmbPORT.Text();
  list_.emplace(list);

  // An empty value has no text to show; the field keeps its own.
  if (capacity && !capacity->IsNull()) TxtMaxport.SetText(capacity->ToText());
  for (int i = CmbFunc.ListCount(); i >= 1; --i) CmbFunc.RemoveItem(i - 1);
  for (const std::string& entry : catalogue) CmbFunc.AddItem(Trim(entry));

  CmdMaxport.SetEnabled(true);
  CmbFunc.SetEnabled(true);
  TxtB.SetText(Trim(TxtMaxport.Text()));
  CmbFunc.SetText(Utf8ToCp1252("Choïn kieåu hieäu öùng ?"));
  const bool has_rows = DataGrid.Rows() != 0;
  TxtMaxport.SetEnabled(!has_rows);
  CmdSEND.SetEnabled(has_rows);
  CmdAdd.SetEnabled(false);
  CmdTest.SetEnabled(false);
}

}  // namespace zl
