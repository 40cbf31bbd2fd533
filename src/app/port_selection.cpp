#include "app/frm_form.h"
#include "domain/frames.h"
#include "domain/numbers.h"
#include "text/cp1252.h"
#include "text/trim.h"

namespace zl {

void FrmForm::CmbPORT_Click() {
  const std::int16_t previous = PortNo;
  const std::string capacity_shown = TxtMaxport.Text();
  const std::string text = Trim(CmbPORT.Text());
  PortNo = ToInt16(text.substr(text.empty() ? 0 : text.size() - 1)).value_or(0);
  // The reads share one snapshot of the file: once the first has the file,
  // no other program can change it before the last, and when the first
  // cannot have it the window is left as it was.
  try {
    Conn.BeginTrans();
    LoadMaxPort(PortNo);
    ShowPortList(PortNo);

    NextStt = 1;
    // The list just shown tells whether the table has rows.
    if (GridRs->RecordCount() != 0) {
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
    ChooseCatalogue();
    Conn.CommitTrans();
  } catch (const DbError&) {
    try {
      Conn.RollbackTrans();
    } catch (const DbError&) {
      // The first failure is the one to report.
    }
    PortNo = previous;
    CmbPORT.SetText(port_shown_);
    TxtMaxport.SetText(capacity_shown);
    throw;
  }
  port_shown_ = CmbPORT.Text();

  CmdMaxport.SetEnabled(true);
  CmbFunc.SetEnabled(true);
  TxtB.SetText(Trim(TxtMaxport.Text()));
  CmbFunc.SetText(Utf8ToCp1252("Choïn kieåu hieäu öùng ?"));
  const bool has_rows = GridRs->RecordCount() != 0;
  TxtMaxport.SetEnabled(!has_rows);
  CmdSEND.SetEnabled(has_rows);
  CmdAdd.SetEnabled(false);
  CmdTest.SetEnabled(false);
}

void FrmForm::IndexLists() {
  for (int port = 1; port <= 3; ++port) {
    const std::string table = "PORT" + std::to_string(port);
    try {
      Conn.Execute("CREATE INDEX IF NOT EXISTS " + table + "_STT ON " + table + " (STT)");
    } catch (const DbError&) {
      // Only speed depends on it: a file that cannot take it (held
      // elsewhere, read-only, a table missing) is used as it is.
    }
  }
}

void FrmForm::ShowPortList(std::int16_t port) {
  // Rows with equal numbers show in their stored order.
  SqlText = "SELECT * FROM PORT" + std::to_string(port) + " ORDER BY STT, rowid";
  // The new list is read before the old one goes, so a list that cannot be
  // read leaves the grid as it was.
  std::unique_ptr<Recordset> rs = Conn.OpenRecordset(SqlText);
  GridRs->Close();
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
  if (frames::WithStartEnd(PortNo))
    LoadShowFunc();
  else if (PortNo == 3)
    LoadFuncBoder();
}

}  // namespace zl
