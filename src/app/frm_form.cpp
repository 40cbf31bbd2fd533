#include "app/frm_form.h"

#include "domain/frames.h"
#include "storage/data_place.h"
#include "text/cp1252.h"
#include "text/trim.h"

namespace zl {

FrmForm::FrmForm(const Services& services)
    : MS_COM(services.com),
      Conn(services.db),
      messages_(services.messages),
      toolkit_(services.toolkit),
      convert_foreign_(services.convert_foreign) {
  BuildInventory(*this);
  WireEvents();
  Conn.Waiting = [this] {
    if (waiting_) return;
    waiting_ = true;
    toolkit_.ShowBusy(true);
  };
}

FrmForm::~FrmForm() {
  DataGrid.SetDataSource(nullptr);
  Conn.Waiting = nullptr;
  MS_COM.OnComm = nullptr;
  MS_COM.OnSent = nullptr;
  MS_COM.OnLost = nullptr;
}

void FrmForm::WireEvents() {
  window.QueryUnload = [this](bool& cancel) { Form_QueryUnload(cancel); };
  window.Unload = [this](bool& cancel) { Form_Unload(cancel); };
  MnuExit.Click = [this] { MnuExit_Click(); };
  // Open and Save as .. exist in the menu and do nothing.

  CmbCOM.KeyPress = [this](std::int16_t& k) { CmbCOM_KeyPress(k); };
  CmbPORT.KeyPress = [this](std::int16_t& k) { CmbPORT_KeyPress(k); };
  CmbFunc.KeyPress = [this](std::int16_t& k) { CmbFunc_KeyPress(k); };

  MnuNew.Click = [this] { Command(&FrmForm::MnuNew_Click); };

  CmbPORT.Click = [this] { Command(&FrmForm::CmbPORT_Click); };
  CmbFunc.Click = [this] { Command(&FrmForm::CmbFunc_Click); };
  DataGrid.Click = [this] { Guarded(&FrmForm::DataGrid_Click); };
  CmdAdd.Click = [this] { Command(&FrmForm::CmdAdd_Click); };
  CmdDEL.Click = [this] { Command(&FrmForm::CmdDEL_Click); };
  CmdUP.Click = [this] { Command(&FrmForm::CmdUP_Click); };
  CmdDOWN.Click = [this] { Command(&FrmForm::CmdDOWN_Click); };

  TxtLoop.GotFocus = [this] { TxtLoop_GotFocus(); };
  TxtDelay.GotFocus = [this] { TxtDelay_GotFocus(); };
  TxtA.GotFocus = [this] { TxtA_GotFocus(); };
  TxtB.GotFocus = [this] { TxtB_GotFocus(); };
  TxtLoop.KeyPress = [this](std::int16_t& k) { TxtLoop_KeyPress(k); };
  TxtDelay.KeyPress = [this](std::int16_t& k) { TxtDelay_KeyPress(k); };
  TxtA.KeyPress = [this](std::int16_t& k) { TxtA_KeyPress(k); };
  TxtB.KeyPress = [this](std::int16_t& k) { TxtB_KeyPress(k); };
  TxtMaxport.KeyPress = [this](std::int16_t& k) { TxtMaxport_KeyPress(k); };
  TxtLoop.LostFocus = [this] { TxtLoop_LostFocus(); };
  TxtDelay.LostFocus = [this] { TxtDelay_LostFocus(); };
  TxtA.LostFocus = [this] { TxtA_LostFocus(); };
  TxtB.LostFocus = [this] { TxtB_LostFocus(); };
  TxtMaxport.Change = [this] { TxtMaxport_Change(); };

  CmdSEND.Click = [this] { Command(&FrmForm::CmdSEND_Click); };
  CmdTest.Click = [this] { Command(&FrmForm::CmdTest_Click); };
  CmdMaxport.Click = [this] { Command(&FrmForm::CmdMaxport_Click); };
  CmbCOM.Click = [this] { Command(&FrmForm::CmbCOM_Click); };
  CmdConnect.Click = [this] { Command(&FrmForm::CmdConnect_Click); };
  MS_COM.OnComm = [this] { Guarded(&FrmForm::MS_COM_OnComm); };
  MS_COM.OnSent = [this] { Guarded(&FrmForm::MS_COM_OnSent); };
  MS_COM.OnLost = [this](const std::string& why) { LinkLost(why); };
}

void FrmForm::Guarded(void (FrmForm::*handler)()) {
  Conn.StartOperation();
  try {
    (this->*handler)();
  } catch (const DbError& e) {
    CloseRs();
    EndWait();
    ReportDbError(e);
  } catch (const SerialError& e) {
    CloseRs();
    EndWait();
    Tell(Message::Utf8(e.what()));
  } catch (const Refused& r) {
    CloseRs();
    EndWait();
    Refuse(r.why);
  }
  EndWait();
}

void FrmForm::Command(void (FrmForm::*handler)()) {
  // How the last send ended stays on the status line until the next command.
  sending_.NextCommand();
  ShowSending();
  Guarded(handler);
}

void FrmForm::EndWait() {
  if (!waiting_) return;
  waiting_ = false;
  toolkit_.ShowBusy(false);
}

Recordset& FrmForm::OpenRs(const std::string& sql) {
  SqlText = sql;
  Rs = Conn.OpenRecordset(SqlText);
  return *Rs;
}

void FrmForm::CloseRs() {
  try {
    if (Rs && Rs->IsOpen()) Rs->Close();
  } catch (const DbError&) {
  }
}

void FrmForm::ReportDbError(const DbError& e) {
  if (e.GetCause() == DbError::Cause::Busy)
    Tell(
        "Data.mdb is in use by another program, so this was not done; the lists are as they were. Try "
        "again once that program has let go of the file. (" +
        Message::Utf8(e.Report()) + ")");
  else
    Tell(Message::Utf8(e.Report()));
}

void FrmForm::Form_Load() {
  window.geometry.height = 8850;
  window.geometry.width = 15360;
  window.geometry.top = 0;
  window.geometry.left = 0;
  window.Notify();

  AppDir = toolkit_.AppPath();
  if (AppDir.empty() || AppDir.back() != kDirSep) AppDir += kDirSep;
  const DataPlace place = ChooseDataPlace(Trim(AppDir), toolkit_.UserDataPath(), toolkit_.SeedDatabasePath(),
                                          [this](const std::string& dir) { return toolkit_.CanWrite(dir); });
  DataDir = place.dir;
  if (DataDir.empty() || DataDir.back() != kDirSep) DataDir += kDirSep;
  DbFile = Trim(DataDir) + "Data.mdb";
  MS_COM.SetLinkDirectory(place.dir);
  if (place.note) Tell(Message::Utf8(*place.note));

  if (convert_foreign_)
    if (auto note = convert_foreign_(Trim(DbFile))) Tell(Message::Utf8(*note));
  Conn.Open(Trim(DbFile));
  IndexLists();
  read_only_ = Conn.ReadOnlyReason();
  backups_ = std::make_unique<Backups>(Trim(DataDir) + "backups");
  if (read_only_)
    Tell("Data.mdb cannot be changed: " + Message::Utf8(*read_only_) +
         ". The lists can be shown and sent; every change to them is refused.");

  FindPorts();

  for (LoopIdx = 1; LoopIdx <= 3; ++LoopIdx) CmbPORT.AddItem("PORT" + std::to_string(LoopIdx));
  CmbPORT.SetText("PORT ?");

  SqlText = "SELECT * FROM PORT_TEMP ORDER BY STT";
  GridRs = Conn.OpenRecordset(SqlText);
  DataGrid.SetDataSource(GridRs.get());

  ResetControls();
  CmbPORT.SetEnabled(false);
  CmdConnect.SetEnabled(false);
  EnableParams(false);
  TxtMaxport.SetEnabled(false);
  LabConnect.SetCaption(kNotConnected);

  Mk255 = frames::Byte(255);
  Mk254_253 = frames::Byte(254) + frames::Byte(253);
  Mk252 = frames::Byte(252);
  Mk251 = frames::Byte(251);
  Mk250 = frames::Byte(250);
  Mk249 = frames::Byte(249);
  Mk248 = frames::Byte(248);
  Mk247 = frames::Byte(247);
  Mk246 = frames::Byte(246);
  Mk245 = frames::Byte(245);
  Mk244 = frames::Byte(244);
  Mk243 = frames::Byte(243);
}

void FrmForm::Form_Unload(bool& /*cancel*/) {
  // Each step is tried even if an earlier one failed: a failed close of the
  // database must not keep the serial port from draining and closing.
  try {
    if (GridRs) GridRs->Close();
  } catch (const DbError& e) {
    ReportDbError(e);
  }
  DataGrid.SetDataSource(nullptr);
  try {
    Conn.Close();
  } catch (const DbError& e) {
    ReportDbError(e);
  }
  try {
    if (MS_COM.PortOpen()) MS_COM.SetPortOpen(false);
  } catch (const SerialError& e) {
    Tell(Message::Utf8(e.what()));
  }
}

void FrmForm::MnuExit_Click() {
  if (window.RequestUnload()) toolkit_.EndWindow();
}

void FrmForm::ResetControls() {
  CmdMaxport.SetEnabled(false);
  CmdDOWN.SetEnabled(false);
  CmdUP.SetEnabled(false);
  CmdSEND.SetEnabled(false);
  CmdAdd.SetEnabled(false);
  CmdDEL.SetEnabled(false);
  CmdTest.SetEnabled(false);

  TxtMaxport.SetEnabled(false);
  CmbFunc.SetEnabled(false);
  TxtLoop.SetEnabled(false);
  TxtDelay.SetEnabled(false);
  TxtA.SetEnabled(false);
  TxtB.SetEnabled(false);

  CmbPORT.SetText("PORT ?");
  port_shown_ = CmbPORT.Text();
  TxtMaxport.SetText("?");
  CmbFunc.SetText(Utf8ToCp1252("Choïn kieåu hieäu öùng ?"));
  TxtLoop.SetText("?");
  TxtDelay.SetText("?");
  TxtA.SetText("?");
  TxtB.SetText("?");
}

bool FrmForm::RefuseChange() {
  if (!read_only_) return false;
  Refuse("Data.mdb cannot be changed: " + Message::Utf8(*read_only_) + "; nothing was changed.");
  return true;
}

void FrmForm::BackUpBefore(bool always) {
  if (!backups_) return;
  const std::time_t now = toolkit_.Now();
  if (!always && !backups_->DueToday(now)) return;
  bool busy = false;
  const auto why = backups_->Take(now, [&](const std::string& path) {
    try {
      Conn.BackupTo(path);
    } catch (const DbError& e) {
      busy = e.GetCause() == DbError::Cause::Busy;
      throw;
    }
  });
  // A file held elsewhere stops the change too, which says so; the copy is
  // then tried again at the next change.
  if (busy) {
    backups_->TryAgain();
    return;
  }
  if (why)
    Tell("Data.mdb could not be backed up before this change (" + Message::Utf8(*why) +
         "). The change goes ahead; the backups already in " + Message::Utf8(backups_->Dir()) + " are as they were.");
}

void FrmForm::MnuNew_Click() {
  if (RefuseChange()) return;
  BackUpBefore(true);
  InTransaction([this] {
    for (const char* table : {"PORT1", "PORT2", "PORT3"}) {
      // The old provider's spelling stays the window's text; SQLite takes
      // the same statement without the star.
      SqlText = std::string("Delete * From ") + table;
      Conn.Execute(std::string("DELETE FROM ") + table);
    }
  });
  ResetControls();
  NextStt = 1;
  GridRs->Requery();
}

// The combos change only by choosing an entry from their lists.
void FrmForm::CmbCOM_KeyPress(std::int16_t& key_ascii) { key_ascii = 0; }
void FrmForm::CmbPORT_KeyPress(std::int16_t& key_ascii) { key_ascii = 0; }
void FrmForm::CmbFunc_KeyPress(std::int16_t& key_ascii) { key_ascii = 0; }

}  // namespace zl
