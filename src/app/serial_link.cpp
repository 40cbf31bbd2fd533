#include <cstdlib>

#include "app/frm_form.h"
#include "domain/board_protocol.h"
#include "serial/port_map.h"
#include "text/trim.h"

namespace zl {

namespace {
// The port numbers the window offers: 1 to this.
constexpr int kMaxPortNumber = serial::kLastPort;
}  // namespace

void FrmForm::FindPorts() {
  // One look at the system's devices serves all twenty numbers and the tips.
  const DeviceListHold hold(MS_COM);
  std::int16_t found[kMaxPortNumber + 1] = {};
  int next_free = 1;
  // Ports that exist but refused this user or are held by another program.
  std::string skipped;
  for (std::int16_t p = 1; p <= kMaxPortNumber; ++p) {
    // A number that does not exist, is held elsewhere or is refused is not
    // listed.
    try {
      MS_COM.SetCommPort(p);
      MS_COM.SetPortOpen(true);
    } catch (const SerialError& e) {
      if (e.GetKind() == SerialError::Kind::Permission || e.GetKind() == SerialError::Kind::Busy)
        skipped += std::string("\n- ") + e.what();
      continue;
    }
    try {
      if (MS_COM.PortOpen()) {
        found[next_free++] = p;
        MS_COM.SetPortOpen(false);
      }
    } catch (const SerialError&) {
    }
  }
  for (int slot = 1; slot <= kMaxPortNumber; ++slot) {
    if (found[slot] != 0) CmbCOM.AddItem("COM " + std::to_string(found[slot]), MS_COM.DevicePath(found[slot]));
  }
  // Said once, so that a port the operator expects is not missing without a word.
  if (!skipped.empty())
    Tell("These serial ports exist but are not in the COM list, as they could not be opened:" + Message::Utf8(skipped) +
         "\nThe COM list is made at start-up, so start the program again afterwards.");
}

void FrmForm::CmbCOM_Click() {
  const std::string t = Trim(CmbCOM.Text());
  const std::string digits = t.size() > 3 ? t.substr(3) : std::string();
  // The items are the program's own "COM n" and the combo takes no typing.
  com_no_ = static_cast<std::int16_t>(std::atoi(digits.c_str()));  // NOLINT(cert-err34-c)
  ApplyLineSettings();
  CmdConnect.SetEnabled(true);
}

void FrmForm::ApplyLineSettings() {
  MS_COM.SetCommPort(com_no_);
  MS_COM.SetSettings("19200,N,8,1");
  MS_COM.SetInBufferSize(512);
  MS_COM.SetInputLen(0);
  MS_COM.SetOutBufferSize(512);
  MS_COM.SetOutBufferCount(0);
  MS_COM.SetInputMode(0);
  MS_COM.SetRThreshold(1);
  MS_COM.SetSThreshold(0);
}

void FrmForm::CmdConnect_Click() {
  if (Trim(CmdConnect.Caption()) == "CONNECT") {
    try {
      MS_COM.SetPortOpen(true);
    } catch (const SerialError& e) {
      // The link stays closed: caption, combos and label as they were.
      Tell("Cannot open COM " + Message::Number(com_no_) + ": " + Message::Utf8(e.what()));
      return;
    }
    LabConnect.SetCaption("");
    SendConnectFrame();
    if (!MS_COM.PortOpen()) return;  // the frame could not be written
    CmbCOM.SetEnabled(false);
    CmbPORT.SetEnabled(true);
    CmdConnect.SetCaption("DISCONNECT");
  } else {
    const std::int64_t pending = MS_COM.PendingBytes();
    sending_.Pending(pending);
    if (pending > 0) {
      // The frames already written go first; the line closes when they are out.
      disconnect_waiting_ = true;
      CmdConnect.SetEnabled(false);
      sending_.SetAfter("then the link closes");
      ShowSending();
      return;
    }
    CloseLink();
  }
}

void FrmForm::CloseLink() {
  MS_COM.SetPortOpen(false);
  LabConnect.SetCaption(kNotConnected);
  CmbCOM.SetEnabled(false);
  CmbPORT.SetEnabled(false);
  CmdConnect.SetCaption("CONNECT");
}

void FrmForm::SendConnectFrame() { WriteFrame(board::ConnectFrame(), "connect frame"); }

void FrmForm::MS_COM_OnComm() {
  if (MS_COM.CommEvent() == kComEvReceive) LabConnect.SetCaption(MS_COM.Input());
}

void FrmForm::MS_COM_OnSent() {
  const std::int64_t pending = MS_COM.PendingBytes();
  sending_.Pending(pending);
  ShowSending();
  if (pending > 0) return;
  if (disconnect_waiting_) {
    disconnect_waiting_ = false;
    CmdConnect.SetEnabled(true);
    CloseLink();
  }
  if (unload_waiting_ && !window.Unloaded() && window.RequestUnload()) toolkit_.EndWindow();
}

void FrmForm::Form_QueryUnload(bool& cancel) {
  // Asked again while waiting: the operator wants out now.
  if (unload_waiting_ || !MS_COM.PortOpen()) return;
  const std::int64_t pending = MS_COM.PendingBytes();
  sending_.Pending(pending);
  if (pending == 0) return;
  unload_waiting_ = true;
  cancel = true;
  sending_.SetAfter("then the window closes");
  ShowSending();
}

void FrmForm::ShowLinkClosed() {
  try {
    if (MS_COM.PortOpen()) MS_COM.SetPortOpen(false);
  } catch (const SerialError&) {
    // Closing a port that already failed; it is closed either way.
  }
  LabConnect.SetCaption(kNotConnected);
  CmbPORT.SetEnabled(false);
  CmdConnect.SetCaption("CONNECT");
  CmdConnect.SetEnabled(true);
}

void FrmForm::LinkLost(const std::string& why) {
  const std::string not_sent = sending_.Lost(why);
  disconnect_waiting_ = false;
  ShowLinkClosed();
  ShowSending();
  Tell("The serial link to the board was lost: " + Message::Utf8(why) +
       (not_sent.empty() ? Message("") : "\nNot sent: " + Message::Utf8(not_sent) + "."));
  // Nothing is left to wait for.
  if (unload_waiting_ && !window.Unloaded() && window.RequestUnload()) toolkit_.EndWindow();
}

}  // namespace zl
