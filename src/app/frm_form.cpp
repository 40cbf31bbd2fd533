#include "app/frm_form.h"

#include "storage/data_place.h"
#include "text/cp1252.h"
#include "text/trim.h"

namespace zl {

FrmForm::FrmForm(const Services& services)
    : MS_COM(services.com),
      db_(services.db),
      messages_(services.messages),
      toolkit_(services.toolkit),
      convert_foreign_(services.convert_foreign) {
  BuildInventory(*this);
  WireEvents();
  db_.Waiting = [this] {
    if (waiting_) return;
    waiting_ = true;
    toolkit_.ShowBusy(true);
  };
}

FrmForm::~FrmForm() {
  db_.Waiting = nullptr;
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
  db_.StartOperation();
  try {
    (this->*handler)();
  } catch (const DbError& e) {
    EndWait();
    ReportDbError(e);
  } catch (const SerialError& e) {
    EndWait();
    Tell(Message::Utf8(e.what()));
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

  std::string app_dir = toolkit_.AppPath();
  if (app_dir.empty() || app_dir.back() != kDirSep) app_dir += kDirSep;
  const DataPlace place = ChooseDataPlace(Trim(app_dir), toolkit_.UserDataPath(), toolkit_.SeedDatabasePath(),
                                          [this](const std::string& dir) { return toolkit_.CanWrite(dir); });
  std::string data_dir = place.dir;
  if (data_dir.empty() || data_dir.back() != kDirSep) data_dir += kDirSep;
  db_file_ = Trim(data_dir) + "Data.mdb";
  MS_COM.SetLinkDirectory(place.dir);
  if (place.note) Tell(Message::Utf8(*place.note));

  if (convert_foreign_)
    if (auto note = convert_foreign_(db_file_)) Tell(Message::Utf8(*note));
  db_.Open(db_file_);
  IndexLists(db_);
  read_only_ = db_.ReadOnlyReason();
  backups_ = std::make_unique<Backups>(Trim(data_dir) + "backups");
  if (read_only_)
    Tell("Data.mdb cannot be changed: " + Message::Utf8(*read_only_) +
         ". The lists can be shown and sent; every change to them is refused.");

  FindPorts();

  for (int port = 1; port <= 3; ++port) CmbPORT.AddItem("PORT" + std::to_string(port));
  CmbPORT.SetText("PORT ?");

  DataGrid.Show(PlaceholderRows(db_));

  ResetControls();
  CmbPORT.SetEnabled(false);
  CmdConnect.SetEnabled(false);
  EnableParams(false);
  TxtMaxport.SetEnabled(false);
  LabConnect.SetCaption(kNotConnected);
}

void FrmForm::Form_Unload(bool& /*cancel*/) {
  // Each step is tried even if an earlier one failed: a failed close of the
  // database must not keep the serial port from draining and closing.
  DataGrid.Clear();
  try {
    db_.Close();
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
      db_.BackupTo(path);
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
  try {
    EmptyLists(db_);
  } catch (const DbError&) {
    ShowListAgain();
    throw;
  }
  ResetControls();
  if (list_) list_->RestartNumbering();
  ShowList();
}

void FrmForm::ShowList() { DataGrid.Show(list_ ? list_->Rows() : PlaceholderRows(db_)); }

void FrmForm::ShowListAgain() {
  try {
    ShowList();
  } catch (const DbError&) {
    // The failure that stopped the change is the one to report.
  }
}

// The combos change only by choosing an entry from their lists.
void FrmForm::CmbCOM_KeyPress(std::int16_t& key_ascii) { key_ascii = 0; }
void FrmForm::CmbPORT_KeyPress(std::int16_t& key_ascii) { key_ascii = 0; }
void FrmForm::CmbFunc_KeyPress(std::int16_t& key_ascii) { key_ascii = 0; }

}  // namespace zl
