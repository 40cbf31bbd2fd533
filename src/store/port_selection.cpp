#include "app/frm_form.h"
#include "entry/numbers.h"
#include "platform/cp1252.h"
#include "platform/text.h"

namespace zl {

void FrmForm::CmbPORT_Click() {
  const std::string text = Trim(CmbPORT.Text());
  PortNo = ToInt16(text.substr(text.empty() ? 0 : text.size() - 1)).value_or(0);
  LoadMaxPort(PortNo);
  ShowPortList(PortNo);

  NextStt = 1;
  Recordset& stts = OpenRs("SELECT STT FROM PORT" + std::to_string(PortNo));
  if (stts.RecordCount() != 0) {
    CloseRs();
    Recordset& max = OpenRs("SELECT MAX(STT) FROM PORT" + std::to_string(PortNo));
    max.MoveFirst();
    const Value highest = max.Field(0);
    if (!highest.IsNull()) {
      const auto n = Int16Of(highest);
      // A list that already holds 32767 has no next number; ADD refuses.
      if (n && *n < 32767)
        NextStt = static_cast<std::int16_t>(*n + 1);
      else
        NextStt.reset();
    }
  }
  CloseRs();

  CmdMaxport.SetEnabled(true);
  CmbFunc.SetEnabled(true);
  TxtB.SetText(Trim(TxtMaxport.Text()));
  ChooseCatalogue();
  CmbFunc.SetText(Utf8ToCp1252("Choïn kieåu hieäu öùng ?"));
  const bool has_rows = GridRs->RecordCount() != 0;
  TxtMaxport.SetEnabled(!has_rows);
  CmdSEND.SetEnabled(has_rows);
  CmdAdd.SetEnabled(false);
  CmdTest.SetEnabled(false);
}

void FrmForm::ShowPortList(std::int16_t port) {
  GridRs->Close();
  SqlText = "SELECT * FROM PORT" + std::to_string(port) + " ORDER BY STT";
  std::unique_ptr<Recordset> rs = Conn.OpenRecordset(SqlText);
  DataGrid.SetDataSource(rs.get());
  GridRs = std::move(rs);
}

void FrmForm::LoadMaxPort(std::int16_t port) {
  Recordset& rs = OpenRs("SELECT * FROM MaxPort WHERE Port=" + std::to_string(port));
  if (rs.RecordCount() != 0) {
    rs.MoveFirst();
    // An empty value has no text to show; the field keeps its own.
    const Value value = rs.Field(1);
    if (!value.IsNull()) TxtMaxport.SetText(value.ToText());
  }
  CloseRs();
}

void FrmForm::ChooseCatalogue() {
  if (PortNo == 1 || PortNo == 2)
    LoadShowFunc();
  else if (PortNo == 3)
    LoadFuncBoder();
}

}  // namespace zl
