#include <optional>

#include "app/frm_form.h"
#include "domain/frames.h"
#include "domain/numbers.h"
#include "text/trim.h"

namespace zl {

void FrmForm::DataGrid_Click() {
  // Before any sign port was chosen the grid shows the placeholder table,
  // which has no list to move in.
  if (PortNo == 0) return;
  UpdateEditButtons();
}

void FrmForm::UpdateEditButtons() {
  std::int16_t current = 0;
  const bool has_rows = GridRs->RecordCount() > 0;
  if (has_rows && GridRs->Position() >= 0) current = Int16Of(GridRs->Field(0)).value_or(0);
  // Both questions are put before any button changes, so a file that cannot
  // be read leaves them as they were.
  const bool below = AnyRow("STT>" + std::to_string(current));
  const bool above = AnyRow("STT<" + std::to_string(current));
  CmdDEL.SetEnabled(false);
  CmdDOWN.SetEnabled(false);
  CmdUP.SetEnabled(false);
  if (has_rows) CmdDEL.SetEnabled(true);
  if (below) CmdDOWN.SetEnabled(true);
  if (above) CmdUP.SetEnabled(true);
}

bool FrmForm::AnyRow(const std::string& condition) {
  Recordset& rs = OpenRs("SELECT EXISTS (SELECT 1 FROM PORT" + std::to_string(PortNo) + " WHERE " + condition + ")");
  const bool any = rs.Field(0) == Value(1);
  CloseRs();
  return any;
}

void FrmForm::CmdAdd_Click() {
  if (RefuseChange()) return;
  struct Field {
    const char* label;
    const TextField& field;
    bool one_byte;
    std::optional<std::int16_t> value;
  };
  const bool five_bytes = frames::WithStartEnd(PortNo);
  Field fields[] = {{"Time", TxtDelay, true, {}},
                    {"Loop", TxtLoop, true, {}},
                    {"Start", TxtA, five_bytes, {}},
                    {"End", TxtB, five_bytes, {}}};
  if (!CurCode) {
    Refuse("The effect " + Message::Shown(Trim(CmbFunc.Text())) + " has no effect code; nothing was added.");
    return;
  }
  if (!frames::AsByte(CurCode)) {
    Refuse("The effect code " + Message::Number(*CurCode) + " does not fit one byte (0 to 255); nothing was added.");
    return;
  }
  for (Field& f : fields) {
    f.value = ToInt16(f.field.Text());
    if (!f.value) {
      Refuse(Message(f.label) + " " + Message::Shown(Trim(f.field.Text())) +
             " is not a whole number from -32768 to 32767; nothing was added.");
      return;
    }
    if (f.one_byte && !frames::AsByte(f.value)) {
      Refuse(Message(f.label) + " " + Message::Number(*f.value) +
             " does not fit one byte (0 to 255); nothing was added.");
      return;
    }
  }
  if (!NextStt) {
    Refuse("The list already holds the highest number (32767); nothing was added.");
    return;
  }

  BackUpBefore(false);
  GridRs->AddNew();
  GridRs->SetField(0, *NextStt);
  GridRs->SetField(1, *CurCode);
  GridRs->SetField(2, Trim(CmbFunc.Text()));
  GridRs->SetField(3, *fields[0].value);
  GridRs->SetField(4, *fields[1].value);
  GridRs->SetField(5, *fields[2].value);
  GridRs->SetField(6, *fields[3].value);
  GridRs->Update();
  if (*NextStt < 32767)
    NextStt = static_cast<std::int16_t>(*NextStt + 1);
  else
    NextStt.reset();

  CmdDOWN.SetEnabled(false);
  CmdUP.SetEnabled(false);
  CmdDEL.SetEnabled(false);
  CmdSEND.SetEnabled(true);
  TxtMaxport.SetEnabled(false);
}

void FrmForm::CmdDEL_Click() {
  if (RefuseChange()) return;
  // The button can be stale (another port was chosen since the click).
  if (GridRs->RecordCount() == 0 || GridRs->Position() < 0) {
    UpdateEditButtons();
    return;
  }
  const std::optional<std::int16_t> deleted = Int16Of(GridRs->Field(0));
  BackUpBefore(false);
  InTransaction([&] {
    GridRs->Delete();
    // A row without a number leaves no gap to close.
    if (deleted) CloseGapAfter(*deleted);
  });
  GridRs->Requery();
  CmdUP.SetEnabled(false);
  CmdDOWN.SetEnabled(false);
  CmdDEL.SetEnabled(false);
  if (GridRs->RecordCount() == 0) {
    TxtMaxport.SetEnabled(true);
    CmdSEND.SetEnabled(false);
  }
}

void FrmForm::CloseGapAfter(std::int16_t deleted) {
  const std::string table = "PORT" + std::to_string(PortNo);
  const std::string behind = " WHERE STT>" + std::to_string(deleted);
  // The numbers behind the deleted row in list order (equal numbers in their
  // stored order): the store alone returns rows in storage order, which
  // after moves is not the list's.
  const std::string in_order = behind + " ORDER BY STT, rowid";
  // Numbered deleted+1, deleted+2, ... without a gap or a repeat, as adding
  // alone leaves them: one shift closes the gap and spares a write per row.
  SqlText = "SELECT STT FROM " + table + in_order;
  Rs = Conn.OpenForwardOnly(SqlText);
  if (Rs->Eof()) {
    CloseRs();
    return;
  }
  bool run = true;
  for (std::int64_t next = deleted + 1; run && !Rs->Eof(); Rs->MoveNext(), ++next) run = Rs->Field(0) == Value(next);
  CloseRs();
  if (run) {
    // A table scan: the index range would need a second pass to update
    // the column it is ordered by.
    SqlText = "UPDATE " + table + " SET STT=STT-1 WHERE +STT>" + std::to_string(deleted);
    Conn.Execute(SqlText);
    return;
  }
  Recordset& rs = OpenRs("SELECT * FROM " + table + in_order);
  rs.MoveFirst();
  // Repeated numbers (a file written elsewhere) can push the last rows past
  // the 16-bit range; the delete is undone rather than wrap them around.
  std::int32_t n = deleted;
  do {
    if (n > 32767) throw Refused{"The rows behind it would be numbered beyond 32767; nothing was deleted."};
    rs.SetField(0, static_cast<std::int16_t>(n));
    rs.UpdateBatch();
    rs.MoveNext();
    ++n;
  } while (!rs.Eof());
  CloseRs();
}

void FrmForm::CmdUP_Click() { MoveRow(-1); }
void FrmForm::CmdDOWN_Click() { MoveRow(+1); }

void FrmForm::MoveRow(int step) {
  if (RefuseChange()) return;
  const bool has_row = GridRs->RecordCount() > 0 && GridRs->Position() >= 0;
  const std::optional<std::int16_t> current = has_row ? Int16Of(GridRs->Field(0)) : std::nullopt;
  if (!current) {
    UpdateEditButtons();
    return;
  }
  const int c = *current;
  const int t = c + step;
  const int position = step < 0 ? c - 2 : c;
  // A stale button: nothing lies beyond the row in that direction.
  const bool at_end = !AnyRow((step < 0 ? "STT<" : "STT>") + std::to_string(c));
  if (at_end || t < -32768 || t > 32767 || position < -32768 || position > 32767) {
    UpdateEditButtons();
    return;
  }

  BackUpBefore(false);
  InTransaction([&] {
    Recordset& rs = OpenRs("SELECT * FROM PORT" + std::to_string(PortNo) + " WHERE STT=" + std::to_string(t));
    if (rs.RecordCount() > 0) {
      rs.MoveFirst();
      rs.SetField(0, c);
      rs.UpdateBatch();
    }
    CloseRs();
    GridRs->SetField(0, t);
    GridRs->UpdateBatch();
  });
  GridRs->Requery();
  DataGrid.SetRow(position);
  UpdateEditButtons();
}

}  // namespace zl
