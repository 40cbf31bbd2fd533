// SEND, TEST and Program: each builds one frame and writes it in one write.
// A command that cannot send a correct frame sends nothing and stores
// nothing, and says why.
#include <optional>
#include <vector>

#include "app/frm_form.h"
#include "domain/board_protocol.h"
#include "domain/numbers.h"
#include "text/trim.h"

namespace zl {

namespace {

// A stored value as the operator reads it.
Message Shown(const Value& v) { return v.IsNull() ? Message("empty") : Message::Shown(v.ToText()); }

const char kNotSent[] = "; nothing was sent.";

}  // namespace

bool FrmForm::CanSend() {
  if (unload_waiting_) {
    Refuse(Message("The window closes as soon as the frames already written have left") + kNotSent);
    return false;
  }
  if (disconnect_waiting_) {
    Refuse(Message("DISCONNECT is waiting for the frames already written to leave") + kNotSent);
    return false;
  }
  if (!MS_COM.PortOpen()) {
    Refuse(Message("The serial port is not open: press CONNECT first") + kNotSent);
    return false;
  }
  if (!list_) {
    Refuse(Message("No sign port is chosen") + kNotSent);
    return false;
  }
  return true;
}

bool FrmForm::WriteFrame(const std::string& frame, const std::string& what, int effects) {
  // Frames gone since the last event are not part of what this one waits for.
  sending_.Pending(MS_COM.PendingBytes());
  try {
    MS_COM.Output(frame);
  } catch (const SerialError& e) {
    sending_.Written(what, frame.size(), effects);
    LinkLost(e.what());
    return false;
  }
  // A frame written while others leave goes out after them.
  sending_.Written(what, frame.size(), effects);
  sending_.Pending(MS_COM.PendingBytes());
  ShowSending();
  return true;
}

bool FrmForm::RefuseCapacityByte() {
  if (capacity_byte_) return false;
  Refuse("The capacity value " + Message::Shown(Trim(TxtMaxport.Text())) + " does not fit one byte (0 to 255)" +
         kNotSent);
  return true;
}

void FrmForm::CmdSEND_Click() {
  if (!CanSend()) return;
  if (RefuseCapacityByte()) return;
  const std::string table = "PORT" + std::to_string(Port());
  std::vector<board::Record> records;
  if (const auto bad = list_->ReadRecords(records)) {
    const Value& stt = bad->stt;
    Refuse("Row " +
           (stt.IsNull() ? Message("without STT")
                         : "STT " + (stt.IsNumber() ? Message::Number(stt.Number()) : Shown(stt))) +
           " of " + Message::Utf8(table) + ": " + bad->field + " " + Shown(bad->value) +
           " does not fit one byte (0 to 255)" + kNotSent);
    return;
  }
  if (records.empty()) {
    Refuse("The list of " + Message::Utf8(table) + " is empty" + kNotSent);
    return;
  }
  WriteFrame(board::UploadFrame(Port(), *capacity_byte_, records), table + " list", static_cast<int>(records.size()));
}

void FrmForm::CmdTest_Click() {
  if (!CanSend()) return;
  if (RefuseCapacityByte()) return;
  const auto code = board::AsByte(cur_code_);
  if (!code) {
    Refuse("The effect " +
           (cur_code_ ? "code " + Message::Number(*cur_code_) + " does not fit one byte"
                      : Message::Shown(Trim(CmbFunc.Text())) + " has no effect code") +
           kNotSent);
    return;
  }
  struct Param {
    const char* label;
    const TextField& field;
    unsigned char board::Record::*byte;
  };
  const Param params[] = {{"Loop", TxtLoop, &board::Record::loop},
                          {"Time", TxtDelay, &board::Record::time},
                          {"Start", TxtA, &board::Record::start},
                          {"End", TxtB, &board::Record::end}};
  board::Record record;
  record.code = *code;
  for (int i = 0; i < (board::WithStartEnd(Port()) ? 4 : 2); ++i) {
    const auto byte = board::AsByte(ToInt16(params[i].field.Text()));
    if (!byte) {
      Refuse(Message(params[i].label) + " " + Message::Shown(Trim(params[i].field.Text())) +
             " is not a number from 0 to 255" + kNotSent);
      return;
    }
    record.*params[i].byte = *byte;
  }
  WriteFrame(board::TestFrame(Port(), *capacity_byte_, record), "PORT" + std::to_string(Port()) + " effect test");
}

void FrmForm::CmdMaxport_Click() {
  // The value is sent only where it is stored as well.
  if (RefuseChange()) return;
  if (!CanSend()) return;
  const std::optional<std::int16_t> v = ToInt16(TxtMaxport.Text());
  const auto byte = board::AsByte(v);
  if (!byte) {
    Refuse("The capacity value " + Message::Shown(Trim(TxtMaxport.Text())) +
           " is not a number from 0 to 255; nothing was sent or stored.");
    return;
  }
  // The value is stored, not yet committed, before the frame goes: a file
  // that cannot take it stops the frame too, and the board never gets a
  // value the file does not keep.
  BackUpBefore(false);
  bool sent = false;
  try {
    const bool stored = list_->StoreCapacity(*v, [&] {
      sent = WriteFrame(board::CapacityFrame(Port(), *byte), "PORT" + std::to_string(Port()) + " capacity value");
      return sent;
    });
    if (!stored)
      Refuse("Data.mdb has no capacity row for sign port " + Message::Number(Port()) + "; nothing was sent or stored.");
  } catch (const DbError& e) {
    if (!sent) throw;
    throw DbError(e.Number(),
                  std::string("The board has the new capacity value, but Data.mdb could not store it: ") + e.what());
  }
}

}  // namespace zl
