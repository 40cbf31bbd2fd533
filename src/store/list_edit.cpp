#include <optional>

#include "app/frm_form.h"
#include "entry/numbers.h"
#include "platform/text.h"

namespace zl {

namespace {

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// A value that goes out to the board as one byte.
bool FitsByte(std::int16_t v) { return v >= 0 && v <= 255; }

}  // namespace

void FrmForm::DataGrid_Click() {
  // Before any sign port was chosen the grid shows the placeholder table,
  // which has no list to move in.
  if (PortNo == 0) return;
  UpdateEditButtons();
}

void FrmForm::UpdateEditButtons() {
  CmdDEL.SetEnabled(false);
  CmdDOWN.SetEnabled(false);
  CmdUP.SetEnabled(false);
  std::int16_t current = 0;
  if (GridRs->RecordCount() > 0) {
    CmdDEL.SetEnabled(true);
    if (GridRs->Position() >= 0) current = Int16Of(GridRs->Field(0)).value_or(0);
  }
  const std::string table = "SELECT * FROM PORT" + std::to_string(PortNo);
  if (OpenRs(table + " WHERE STT>" + std::to_string(current)).RecordCount() > 0)
    CmdDOWN.SetEnabled(true);
  CloseRs();
  if (OpenRs(table + " WHERE STT<" + std::to_string(current)).RecordCount() > 0)
    CmdUP.SetEnabled(true);
  CloseRs();
}

void FrmForm::CmdAdd_Click() {
  struct Field {
    const char* label;
    const TextField& field;
    bool one_byte;
    std::optional<std::int16_t> value;
  };
  const bool five_bytes = PortNo == 1 || PortNo == 2;
  Field fields[] = {{"Time", TxtDelay, true, {}},
                    {"Loop", TxtLoop, true, {}},
                    {"Start", TxtA, five_bytes, {}},
                    {"End", TxtB, five_bytes, {}}};
  if (!CurCode) {
    Refuse("The effect " + Quote(Trim(CmbFunc.Text())) + " has no effect code; nothing was added.");
    return;
  }
  if (!FitsByte(*CurCode)) {
    Refuse("The effect code " + std::to_string(*CurCode) +
           " does not fit one byte (0 to 255); nothing was added.");
    return;
  }
  for (Field& f : fields) {
    f.value = ToInt16(f.field.Text());
    if (!f.value) {
      Refuse(std::string(f.label) + " " + Quote(Trim(f.field.Text())) +
             " is not a whole number from -32768 to 32767; nothing was added.");
      return;
    }
    if (f.one_byte && !FitsByte(*f.value)) {
      Refuse(std::string(f.label) + " " + std::to_string(*f.value) +
             " does not fit one byte (0 to 255); nothing was added.");
      return;
    }
  }
  if (!NextStt) {
    Refuse("The list already holds the highest number (32767); nothing was added.");
    return;
  }

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
  // The button can be stale (another port was chosen since the click).
  if (GridRs->RecordCount() == 0 || GridRs->Position() < 0) {
    UpdateEditButtons();
    return;
  }
  const std::optional<std::int16_t> deleted = Int16Of(GridRs->Field(0));
  InTransaction([&] {
    GridRs->Delete();
    if (!deleted) return;  // a row without a number leaves no gap to close
    // In ascending order: the store returns rows in storage order, which
    // after moves is not the list's order.
    Recordset& rs = OpenRs("SELECT * FROM PORT" + std::to_string(PortNo) + " WHERE STT>" +
                           std::to_string(*deleted) + " ORDER BY STT");
    if (rs.RecordCount() > 0) {
      rs.MoveFirst();
      std::int16_t n = *deleted;
      do {
        rs.SetField(0, n);
        rs.UpdateBatch();
        rs.MoveNext();
        ++n;
      } while (!rs.Eof());
    }
    CloseRs();
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

void FrmForm::CmdUP_Click() { MoveRow(-1); }
void FrmForm::CmdDOWN_Click() { MoveRow(+1); }

void FrmForm::MoveRow(int step) {
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
  const std::string beyond = "SELECT * FROM PORT" + std::to_string(PortNo) +
                             (step < 0 ? " WHERE STT<" : " WHERE STT>") + std::to_string(c);
  const bool at_end = OpenRs(beyond).RecordCount() == 0;
  CloseRs();
  if (at_end || t < -32768 || t > 32767 || position < -32768 || position > 32767) {
    UpdateEditButtons();
    return;
  }

  InTransaction([&] {
    Recordset& rs =
        OpenRs("SELECT * FROM PORT" + std::to_string(PortNo) + " WHERE STT=" + std::to_string(t));
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
