// SEND, TEST and Program: each builds one frame and writes it in one write.
// A command that cannot send a correct frame sends nothing and stores
// nothing, and says why.
#include <optional>

#include "app/frm_form.h"
#include "domain/frames.h"
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
  if (PortNo < 1 || PortNo > 3) {
    Refuse(Message("No sign port is chosen") + kNotSent);
    return false;
  }
  return true;
}

bool FrmForm::WriteFrame(const std::string& what, int effects) {
  // Frames gone since the last event are not part of what this one waits for.
  sending_.Pending(MS_COM.PendingBytes());
  try {
    MS_COM.Output(OutFrame);
  } catch (const SerialError& e) {
    sending_.Written(what, OutFrame.size(), effects);
    LinkLost(e.what());
    return false;
  }
  // A frame written while others leave goes out after them.
  sending_.Written(what, OutFrame.size(), effects);
  sending_.Pending(MS_COM.PendingBytes());
  ShowSending();
  return true;
}

bool FrmForm::RefuseCapacityByte() {
  if (!MaxByte.empty()) return false;
  Refuse("The capacity value " + Message::Shown(Trim(TxtMaxport.Text())) + " does not fit one byte (0 to 255)" +
         kNotSent);
  return true;
}

void FrmForm::CmdSEND_Click() {
  if (!CanSend()) return;
  if (RefuseCapacityByte()) return;
  const std::string* ops[] = {&Mk252, &Mk251, &Mk250};
  const std::string table = "PORT" + std::to_string(PortNo);
  // Rows with equal numbers go in their stored order, as the grid shows them.
  // One pass forward, reading only the fields sent.
  SqlText = "SELECT * FROM " + table + " ORDER BY STT, rowid";
  Rs = Conn.OpenForwardOnly(SqlText);
  Recordset& rs = *Rs;
  if (rs.Eof()) {
    CloseRs();
    Refuse("The list of " + Message::Utf8(table) + " is empty" + kNotSent);
    return;
  }
  const bool five = frames::WithStartEnd(PortNo);
  struct Sent {
    int pos;
    const char* name;
  };
  static const Sent kSent[] = {{1, "CodeFunc"}, {4, "Loop"}, {3, "Delay"}, {5, "TxtA"}, {6, "TxtB"}};
  std::string records;
  int effects = 0;
  do {
    unsigned char b[5] = {};
    for (int i = 0; i < (five ? 5 : 3); ++i) {
      const Value v = rs.Field(kSent[i].pos);
      const auto byte = frames::AsByte(Int16Of(v));
      if (!byte) {
        const Value stt = rs.Field(0);
        CloseRs();
        Refuse("Row " +
               (stt.IsNull() ? Message("without STT")
                             : "STT " + (stt.IsNumber() ? Message::Number(stt.Number()) : Shown(stt))) +
               " of " + Message::Utf8(table) + ": " + kSent[i].name + " " + Shown(v) +
               " does not fit one byte (0 to 255)" + kNotSent);
        return;
      }
      b[i] = *byte;
    }
    frames::AppendEffectRecord(records, five, b[0], b[1], b[2], b[3], b[4]);
    ++effects;
    rs.MoveNext();
  } while (!rs.Eof());
  CloseRs();

  OutFrame = frames::Frame(Mk254_253, *ops[PortNo - 1], MaxByte + records, Mk255);
  WriteFrame(table + " list", effects);
}

void FrmForm::CmdTest_Click() {
  if (!CanSend()) return;
  if (RefuseCapacityByte()) return;
  const auto code = frames::AsByte(CurCode);
  if (!code) {
    Refuse("The effect " +
           (CurCode ? "code " + Message::Number(*CurCode) + " does not fit one byte"
                    : Message::Shown(Trim(CmbFunc.Text())) + " has no effect code") +
           kNotSent);
    return;
  }
  const bool five = frames::WithStartEnd(PortNo);
  struct Param {
    const char* label;
    const TextField& field;
  };
  const Param params[] = {{"Loop", TxtLoop}, {"Time", TxtDelay}, {"Start", TxtA}, {"End", TxtB}};
  unsigned char b[4] = {};
  for (int i = 0; i < (five ? 4 : 2); ++i) {
    const auto byte = frames::AsByte(ToInt16(params[i].field.Text()));
    if (!byte) {
      Refuse(Message(params[i].label) + " " + Message::Shown(Trim(params[i].field.Text())) +
             " is not a number from 0 to 255" + kNotSent);
      return;
    }
    b[i] = *byte;
  }
  const std::string* ops[] = {&Mk249, &Mk248, &Mk247};
  OutFrame = frames::Frame(Mk254_253, *ops[PortNo - 1],
                           MaxByte + frames::EffectRecord(five, *code, b[0], b[1], b[2], b[3]), Mk255);
  WriteFrame("PORT" + std::to_string(PortNo) + " effect test");
}

void FrmForm::CmdMaxport_Click() {
  // The value is sent only where it is stored as well.
  if (RefuseChange()) return;
  if (!CanSend()) return;
  const std::optional<std::int16_t> v = ToInt16(TxtMaxport.Text());
  const auto byte = frames::AsByte(v);
  if (!byte) {
    Refuse("The capacity value " + Message::Shown(Trim(TxtMaxport.Text())) +
           " is not a number from 0 to 255; nothing was sent or stored.");
    return;
  }
  // The value is stored, not yet committed, before the frame goes: a file
  // that cannot take it stops the frame too, and the board never gets a
  // value the file does not keep.
  BackUpBefore(false);
  Conn.BeginTrans();
  bool sent = false;
  try {
    Recordset& rs = OpenRs("SELECT * FROM MaxPort WHERE Port=" + std::to_string(PortNo));
    if (rs.RecordCount() == 0) {
      CloseRs();
      Conn.RollbackTrans();
      Refuse("Data.mdb has no capacity row for sign port " + Message::Number(PortNo) + "; nothing was sent or stored.");
      return;
    }
    rs.MoveFirst();
    rs.SetField(1, *v);
    rs.UpdateBatch();
    CloseRs();
    const std::string* ops[] = {&Mk245, &Mk244, &Mk243};
    OutFrame = frames::Frame(Mk254_253, *ops[PortNo - 1], frames::Byte(*byte), Mk255);
    sent = WriteFrame("PORT" + std::to_string(PortNo) + " capacity value");
    if (sent)
      Conn.CommitTrans();
    else
      Conn.RollbackTrans();
  } catch (const DbError& e) {
    try {
      Conn.RollbackTrans();
    } catch (const DbError&) {
      // The first failure is the one to report.
    }
    if (!sent) throw;
    throw DbError(e.Number(),
                  std::string("The board has the new capacity value, but Data.mdb could not store it: ") + e.what());
  }
}

}  // namespace zl
