// The program's one window: its controls and its handlers. The handlers are
// grouped in app/ by what they handle (port selection, list editing, effect
// entry, the serial link, the board commands); they read the controls, ask
// the sign port's effect list (domain/effect_list.h) and the board protocol
// (domain/board_protocol.h) and the serial port, and set the controls, as
// the window's events arrive one after the other on the window thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/message.h"
#include "app/shell.h"
#include "domain/effect_list.h"
#include "domain/send_progress.h"
#include "serial/serial_port.h"
#include "storage/backups.h"
#include "storage/database.h"
#include "ui/model/controls.h"
#include "ui/model/grid.h"
#include "ui/model/window.h"

namespace zl {

// The platform services the window runs on, handed in by reference so that
// tests can pass fakes or a real SQLite file.
struct Services {
  Database& db;
  SerialPort& com;
  MessageSink& messages;
  Toolkit& toolkit;
  // Converts Data.mdb in place when it is in a format the database does not
  // open itself (an Access file); returns what the operator is to be told,
  // nothing when the file needed no conversion. Throws DbError.
  std::function<std::optional<std::string>(const std::string& path)> convert_foreign = {};
};

class FrmForm {
 public:
  explicit FrmForm(const Services& services);
  FrmForm(const FrmForm&) = delete;
  FrmForm& operator=(const FrmForm&) = delete;
  ~FrmForm();

  // --- Window and controls ------------------------------------------------
  Window window;
  Frame XPFrame1{"XPFrame1"}, XPFrame2{"XPFrame2"}, XPFrame3{"XPFrame3"};
  Combo CmbCOM{"CmbCOM"}, CmbPORT{"CmbPORT"}, CmbFunc{"CmbFunc"};
  Button CmdConnect{"CmdConnect"}, CmdMaxport{"CmdMaxport"}, CmdDOWN{"CmdDOWN"}, CmdUP{"CmdUP"}, CmdSEND{"CmdSEND"},
      CmdAdd{"CmdAdd"}, CmdDEL{"CmdDEL"}, CmdTest{"CmdTest"};
  Line Line1{"Line1"}, Line2{"Line2"}, Line3{"Line3"}, Line4{"Line4"};
  Label Label1{"Label1"}, Label2{"Label2"}, Label3{"Label3"}, Label4{"Label4"}, Label5{"Label5"},
      LabConnect{"LabConnect"};
  TextField TxtMaxport{"TxtMaxport"}, TxtLoop{"TxtLoop"}, TxtDelay{"TxtDelay"}, TxtA{"TxtA"}, TxtB{"TxtB"};
  Grid DataGrid{"DataGrid"};
  Menu MnuFile{"MnuFile", "&File"};
  MenuItem MnuNew{"MnuNew", "&New", "Ctrl+N"}, MnuOpen{"MnuOpen", "&Open", "Ctrl+O"},
      MnuSave{"MnuSave", "&Save as ..", "Ctrl+S"}, MnuSpace1{"MnuSpace1", "-", ""},
      MnuExit{"MnuExit", "&Exit", "Ctrl+X"};
  SerialPort& MS_COM;

  // --- Application shell (frm_form.cpp) -----------------------------------
  // Throws DbError when the database cannot be opened or read; the window
  // must then not be shown.
  void Form_Load();
  void Form_Unload(bool& cancel);
  void MnuExit_Click();
  void CmbCOM_KeyPress(std::int16_t& key_ascii);
  void CmbPORT_KeyPress(std::int16_t& key_ascii);
  void CmbFunc_KeyPress(std::int16_t& key_ascii);
  void MnuNew_Click();

  // --- Sign port and list (port_selection.cpp, list_edit.cpp) ------------
  void CmbPORT_Click();
  void DataGrid_Click();
  void CmdAdd_Click();
  void CmdDEL_Click();
  void CmdUP_Click();
  void CmdDOWN_Click();

  // --- Effect entry (effect_entry.cpp, numeric_fields.cpp) ---------------
  void CmbFunc_Click();
  void TxtLoop_GotFocus();
  void TxtDelay_GotFocus();
  void TxtA_GotFocus();
  void TxtB_GotFocus();
  void TxtLoop_KeyPress(std::int16_t& key_ascii);
  void TxtDelay_KeyPress(std::int16_t& key_ascii);
  void TxtA_KeyPress(std::int16_t& key_ascii);
  void TxtB_KeyPress(std::int16_t& key_ascii);
  void TxtMaxport_KeyPress(std::int16_t& key_ascii);
  void TxtLoop_LostFocus();
  void TxtDelay_LostFocus();
  void TxtA_LostFocus();
  void TxtB_LostFocus();
  void TxtMaxport_Change();

  // --- Serial link and board (serial_link.cpp, board_commands.cpp) -------
  void CmbCOM_Click();
  void CmdConnect_Click();
  void MS_COM_OnComm();
  void MS_COM_OnSent();
  // Puts the unloading off while written frames are still leaving.
  void Form_QueryUnload(bool& cancel);
  void CmdSEND_Click();
  void CmdTest_Click();
  void CmdMaxport_Click();

  // The full path of Data.mdb, once Form_Load has found where it lives.
  const std::string& DataFile() const { return db_file_; }

  // LabConnect while the serial line is closed.
  static constexpr const char* kNotConnected = "Not ! Connect";

  // The directory separator the platform reports paths with.
  static constexpr char kDirSep = static_cast<char>(std::filesystem::path::preferred_separator);

 private:
  void WireEvents();
  // Runs a handler as one operation: a database or serial failure is
  // reported to the operator and the program goes on; a wait for a file held
  // by another program shows as busy while it lasts.
  void Guarded(void (FrmForm::*handler)());
  // The operator's commands: a button, a File menu item, a choice in a list.
  void Command(void (FrmForm::*handler)());
  void ReportDbError(const DbError& e);
  void EndWait();
  // Tells the operator something; every message goes through here.
  void Tell(const Message& m) { messages_.Show(m.Text()); }
  // Tells the operator why a command did nothing.
  void Refuse(const Message& why) { Tell(why); }

  // --- The design's shared routines ---------------------------------------
  void ResetControls();
  void EnableParams(bool on);
  void UpdateEditButtons();
  void FindPorts();
  void ApplyLineSettings();
  void SendConnectFrame();

  // The grid reads its list again (the sign port's, or the placeholder
  // before any), the first row current.
  void ShowList();
  // After a failed change: the grid shows the file again if it can be read.
  void ShowListAgain();
  // The chosen sign port's number; 0 before the first choice.
  int Port() const { return list_ ? list_->Port() : 0; }
  // The STT of the grid's current row, if it has one that is a number.
  std::optional<std::int16_t> CurrentNumber() const;
  // Rule L of the parameter fields: a value below 1 becomes "1".
  void ApplyLowerBound(TextField& field);
  // UP and DOWN: `step` is -1 or +1.
  void MoveRow(int step);
  // SEND and TEST refuse a capacity value without a one-byte form.
  bool RefuseCapacityByte();
  // Refuses a change when Data.mdb cannot be changed; true if it did.
  bool RefuseChange();
  // A copy of Data.mdb before a change: before every New (`always`), else
  // before the day's first change. A copy that fails is reported and the
  // change goes ahead.
  void BackUpBefore(bool always);
  // The link went down (write failure, device gone): back to closed.
  void ShowLinkClosed();
  void LinkLost(const std::string& why);
  // Writes `frame`, named `what` (with its number of effects) for the status
  // line; false (and the link closed) when it could not be written.
  bool WriteFrame(const std::string& frame, const std::string& what, int effects = 0);
  // The checks every sending command makes first; false after telling the
  // operator why nothing is sent.
  bool CanSend();
  // DISCONNECT's closing steps.
  void CloseLink();
  void ShowSending() { window.SetStatus(sending_.Status()); }

  Database& db_;
  MessageSink& messages_;
  Toolkit& toolkit_;
  std::function<std::optional<std::string>(const std::string& path)> convert_foreign_;
  std::string db_file_;

  // The chosen sign port's list; nothing before the first choice.
  std::optional<EffectList> list_;
  std::int16_t com_no_ = 0;
  // The code of the effect chosen in CmbFunc; nothing for an entry without one.
  std::optional<std::int16_t> cur_code_;
  // The capacity byte of upload and test frames, kept by TxtMaxport_Change;
  // nothing while the capacity value has no one-byte form.
  std::optional<unsigned char> capacity_byte_;

  // What is still leaving, at 19,200 baud 8N1 (ten bits a byte); DISCONNECT
  // and the unloading wait for it.
  SendProgress sending_{19200 / 10};
  bool disconnect_waiting_ = false;
  bool unload_waiting_ = false;

  bool waiting_ = false;  // the busy cursor is shown
  // Why Data.mdb cannot be changed, as found at start-up.
  std::optional<std::string> read_only_;
  std::unique_ptr<Backups> backups_;
  // CmbPORT's text as the last choice or reset left it, for a choice that
  // could not be carried out.
  std::string port_shown_ = "PORT ?";
};

// Lays out the controls, captions, fonts, colours and tab order of the
// window's design.
void BuildInventory(FrmForm& form);

}  // namespace zl
