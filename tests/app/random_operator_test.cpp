// Random walks through the operator's actions on the window, each checked
// after every action against a plain model of the lists and their backups,
// the controls, the status line and the frames. Now and then the line fails
// a write, the file refuses a change or a day passes. A failing walk prints
// its seed and start, to be replayed.
//
//   ZL_RANDOM_ACTIONS  total actions over all shards (default 20000)
//   ZL_RANDOM_SEED     seed of the first walk; walk i uses seed + i
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_form.h"
#include "domain/numbers.h"
#include "storage/sqlite/connection.h"
#include "support/catalogue_sql.h"
#include "support/files.h"
#include "support/form_fixture.h"
#include "support/hex.h"
#include "support/testdb.h"
#include "text/trim.h"

namespace zl::test {
namespace {

constexpr int kWalkLength = 1000;
constexpr int kShards = 8;
constexpr std::uint64_t kDefaultSeed = 7100;

// ------------------------------------------------------------ the model --

enum Ctl {
  kCmbCOM,
  kCmdConnect,
  kCmbPORT,
  kTxtMaxport,
  kCmdMaxport,
  kCmbFunc,
  kTxtLoop,
  kTxtDelay,
  kTxtA,
  kTxtB,
  kCmdDOWN,
  kCmdUP,
  kCmdSEND,
  kCmdAdd,
  kCmdDEL,
  kCmdTest,
  kDataGrid,
  kCtlCount
};
const char* const kCtlName[kCtlCount] = {"CmbCOM",  "CmdConnect", "CmbPORT", "TxtMaxport", "CmdMaxport", "CmbFunc",
                                         "TxtLoop", "TxtDelay",   "TxtA",    "TxtB",       "CmdDOWN",    "CmdUP",
                                         "CmdSEND", "CmdAdd",     "CmdDEL",  "CmdTest",    "DataGrid"};
bool IsField(int c) { return c == kTxtMaxport || (c >= kTxtLoop && c <= kTxtB); }
bool IsCombo(int c) { return c == kCmbCOM || c == kCmbPORT || c == kCmbFunc; }
const char* const kTableName[] = {"PORT_TEMP", "PORT1", "PORT2", "PORT3"};

// "Choose effect type ?" in VNI, as the window's 8-bit text.
const char kFuncPlaceholder[] = "Cho\xEFn kie\xE5u hie\xE4u \xF6\xF9ng ?";
// The catalogues as kCatalogueSql stores them, and the serial ports: COM 4
// opens at start-up and is gone afterwards.
const std::vector<std::string> kShowFunc = {"07 Seven", "12 Twelve", "3 Three", kFuncPlaceholder, "-1 Minus"};
const std::vector<std::string> kFuncBoder = {"01 Border one", "02 Border two"};
const std::vector<std::string> kComItems = {"COM 1", "COM 3", "COM 4"};
const std::vector<std::string> kPortItems = {"PORT1", "PORT2", "PORT3"};
const char* const kReceived[] = {"OK", "ERR 2", "\xFE"};
const char kNotConnected[] = "Not ! Connect";
constexpr int kNoRow = -2, kNull = -1;  // MaxPort states besides a value

// A whole number, optionally signed, blanks around it allowed.
bool IsWhole(const std::string& text) {
  const std::string t = Trim(text);
  const std::size_t digits = t.empty() || (t[0] != '-' && t[0] != '+') ? 0 : 1;
  return t.size() > digits && t.find_first_not_of("0123456789", digits) == std::string::npos;
}

bool FitsByte(int v) { return v >= 0 && v <= 255; }

std::string Frame(int op, const std::string& payload) {
  return std::string("\xFE\xFD") + static_cast<char>(op) + payload + "\xFF";
}

struct Row {
  int stt, code;
  std::string name;
  int delay = 0, loop = 0, a = 0, b = 0;
};

// A row as the file holds it: "STT|CodeFunc|NameFunc|Delay|Loop|TxtA|TxtB".
std::string Line(const Row& r) {
  std::string out = std::to_string(r.stt) + "|" + std::to_string(r.code) + "|" + r.name;
  for (int v : {r.delay, r.loop, r.a, r.b}) out += "|" + std::to_string(v);
  return out;
}

// What a walk starts from: PORT_TEMP (0) and PORT1..PORT3, rows in stored
// order, the MaxPort value of each sign port, and whether written frames
// wait with the port until released.
struct Start {
  std::vector<Row> tables[4];
  int caps[4] = {};
  bool hold = false;
};

enum class Act { Choose, Type, Focus, Click, Press, ClickRow, KeyRow, New, NextDay, Unplug, Receive, Release };

struct Action {
  Act act;
  int ctl = -1;
  int arg = 0;
  bool failing = false;       // the one write this action makes to the line fails
  bool file_refuses = false;  // the file refuses the change this action makes
};

// A control's line in the state both sides write out: enabled, text, and a
// field's selection.
std::string ControlLine(int c, bool enabled, const std::string& text, int sel_start, int sel_len) {
  std::string line = std::string(kCtlName[c]) + (enabled ? " enabled \"" : " disabled \"") + text + "\"";
  if (IsField(c)) line += " [" + std::to_string(sel_start) + "+" + std::to_string(sel_len) + "]";
  return line + "\n";
}

std::string Hex(const std::vector<std::string>& frames) {
  std::string out;
  for (std::size_t i = 0; i < frames.size(); ++i) out += (i ? " | " : "") + test::Hex(frames[i]);
  return "[" + out + "]";
}

// The behaviour the window must show, written out plainly: the window state
// that matters, and what each operator action does to it.
class Model {
 public:
  struct Control {
    bool enabled = true;
    std::string text;  // field or combo text, button caption
    int sel_start = 0, sel_len = 0;
  };

  std::vector<Row> tables[4];
  int caps[4];
  Control ctl[kCtlCount];
  int focus = -1;
  std::string label = kNotConnected;
  bool open = false;
  int com = 0, port = 0;
  std::optional<int> next_stt, code;
  std::vector<std::string> catalogue;
  int bound = 0, grid_pos = 0;  // the grid's table and current row
  // The grid's rows as indices into its table: list order when read, and an
  // added row last until the next read, as ADD does not read the list again.
  std::vector<int> grid_order;
  // What the last action must have sent and told the operator, and the
  // status line: how the last send ended, until the next command.
  std::vector<std::string> frames;
  int messages = 0;
  std::string status;
  // The frames still with the port; DISCONNECT closes once they have left.
  struct Sent {
    std::string name, detail;  // "PORT1 list", " (3 effects)"
    std::size_t bytes;
  };
  std::vector<Sent> pending;
  bool closing = false;
  std::map<std::string, long> stats;  // what the walk got to do
  // The days gone by, the day of the last copy, the copies kept and the
  // newest copy's File().
  int day = 0, copied_day = -1, copies = 0;
  std::string copy;

  explicit Model(const Start& s) : hold(s.hold) {
    for (int t = 0; t < 4; ++t) tables[t] = s.tables[t];
    std::copy(s.caps, s.caps + 4, caps);
    ctl[kCmbCOM].text = "COM ?";
    ctl[kCmdConnect].text = "CONNECT";
    Reset();
    ctl[kCmbPORT].enabled = ctl[kCmdConnect].enabled = false;
    Reload();
  }

  // The grid reads its table again, the first row current.
  void Reload() {
    grid_order = Sorted(bound);
    grid_pos = grid_order.empty() ? -1 : 0;
  }

  // Row indices of a table in list order: ascending STT, equal numbers in
  // stored order.
  std::vector<int> Sorted(int t) const {
    std::vector<int> idx(tables[t].size());
    std::iota(idx.begin(), idx.end(), 0);
    std::stable_sort(idx.begin(), idx.end(), [&](int x, int y) { return tables[t][x].stt < tables[t][y].stt; });
    return idx;
  }

  void Apply(const Action& a) {
    frames.clear();
    messages = 0;
    ++stats["actions"];
    switch (a.act) {
      case Act::Choose: Choose(a.ctl, a.arg); break;
      case Act::Type: Type(a.ctl, a.arg); break;
      case Act::Focus: MoveFocus(a.ctl); break;
      case Act::Click:
      case Act::Press: Click(a.ctl, a.act == Act::Click, a); break;
      case Act::ClickRow:
      case Act::KeyRow: GridRow(a.arg, a.act == Act::ClickRow); break;
      case Act::New: New(a.file_refuses); break;
      case Act::NextDay: ++day; break;
      case Act::Unplug: open = false, LinkLost("device removed"); break;
      case Act::Receive: label = kReceived[a.arg]; break;
      case Act::Release: Released(); break;
    }
  }

  // The file, the grid, the controls and the line as the window must show
  // them now, in the form Product::Shown writes.
  std::string Expected() const {
    std::string out = File();
    for (std::size_t i = 0; i < grid_order.size(); ++i) {
      const Row& r = tables[bound][grid_order[i]];
      out += "grid " + std::string(static_cast<int>(i) == grid_pos ? "*" : "") + std::to_string(r.stt) + "|" + r.name;
      for (int v : {r.loop, r.delay, r.a, r.b}) out += "|" + std::to_string(v);
      out += "\n";
    }
    for (int c = 0; c < kCtlCount; ++c)
      out += ControlLine(c, ctl[c].enabled, ctl[c].text, ctl[c].sel_start, ctl[c].sel_len);
    return out + "LabConnect \"" + label + "\"\nstatus \"" + status + "\"\nfocus " +
           (focus >= 0 ? kCtlName[focus] : "none") + "\nframes " + Hex(frames) + "\nmessages " +
           std::to_string(messages) + "\ncopies " + std::to_string(copies) + "\n" + copy;
  }

  // The lists and capacity values, as kStoredListsSql reads them.
  std::string File() const {
    std::string out;
    for (int t = 0; t < 4; ++t)
      for (const Row& r : tables[t]) out += kTableName[t] + ("|" + Line(r)) + "\n";
    for (int p = 1; p <= 3; ++p)
      if (caps[p] != kNoRow)
        out += "MaxPort|" + std::to_string(p) + "|" + (caps[p] == kNull ? "NULL" : std::to_string(caps[p])) + "|||||\n";
    return out;
  }

 private:
  void Choose(int c, int index) {
    MoveFocus(c);
    const auto& items = c == kCmbCOM ? kComItems : c == kCmbPORT ? kPortItems : catalogue;
    if (!ctl[c].enabled || index < 0 || index >= static_cast<int>(items.size())) return;
    status.clear();
    ctl[c].text = items[index];
    if (c == kCmbCOM) {
      com = std::stoi(items[index].substr(4));
      ctl[kCmdConnect].enabled = true;
    } else if (c == kCmbPORT) {
      ChoosePort(index + 1);
    } else {
      ChooseEffect(items[index]);
    }
  }

  void Type(int c, int key) {
    MoveFocus(c);
    if (!ctl[c].enabled || !IsField(c)) return;  // combos drop every typed character
    Control& f = ctl[c];
    std::string text = f.text;
    int start = f.sel_start, len = f.sel_len;
    if (key == 8) {
      if (len == 0) {
        if (start == 0) return;
        --start;
        len = 1;
      }
      text.erase(start, len);
    } else if (key >= '0' && key <= '9') {
      text.replace(start, len, 1, static_cast<char>(key));
      ++start;
    } else {
      return;
    }
    f.sel_start = start;
    f.sel_len = 0;
    SetText(c, text);
  }

  void Click(int c, bool move_focus, const Action& a) {
    if (move_focus) MoveFocus(c);
    if (!ctl[c].enabled) return;
    status.clear();
    failing_ = a.failing;
    file_refuses_ = a.file_refuses;
    switch (c) {
      case kCmdConnect: Connect(); break;
      case kCmdAdd: Add(); break;
      case kCmdDEL: Del(); break;
      case kCmdUP: Move(-1); break;
      case kCmdDOWN: Move(+1); break;
      case kCmdSEND: Send(); break;
      case kCmdTest: Test(); break;
      case kCmdMaxport: Program(); break;
    }
    failing_ = file_refuses_ = false;
  }

  void GridRow(int row, bool click) {
    MoveFocus(kDataGrid);
    if (row >= 0 && row < static_cast<int>(grid_order.size())) grid_pos = row;
    if (click && port != 0) UpdateEditButtons();
  }

  // Data.mdb is copied before the day's first change and before every New;
  // the folder keeps the newest twenty.
  void BackUp(bool always) {
    if (!always && copied_day == day) return;
    copied_day = day;
    copies = std::min(copies + 1, 20);
    copy = File();
  }

  void New(bool file_refuses) {
    status.clear();
    BackUp(true);
    // Refused at the first row of PORT3, the last list emptied.
    if (file_refuses && !tables[3].empty()) {
      Reload();
      return FileRefuses();
    }
    for (int t = 1; t <= 3; ++t) tables[t].clear();
    Reset();
    next_stt = 1;
    Reload();
  }

  void SetText(int c, std::string text) {
    Control& f = ctl[c];
    f.text = std::move(text);
    const int len = static_cast<int>(f.text.size());
    f.sel_start = std::min(f.sel_start, len);
    f.sel_len = std::min(f.sel_len, len - f.sel_start);
    // An emptied capacity field shows 0, selected.
    if (c == kTxtMaxport && Trim(f.text).empty()) {
      SetText(c, "0");
      f.sel_start = 0;
      f.sel_len = 1;
    }
  }

  void MoveFocus(int c) {
    if (!ctl[c].enabled || focus == c) return;
    const int left = focus;
    focus = c;
    if (left >= 0) LostFocus(left);
    if (c >= kTxtLoop && c <= kTxtB) {  // the parameter fields select their text
      ctl[c].sel_start = 0;
      ctl[c].sel_len = static_cast<int>(ctl[c].text.size());
    }
  }

  void LostFocus(int c) {
    const std::string text = ctl[c].text;
    const auto v = ToInt16(text);
    if (c == kTxtLoop || c == kTxtDelay || c == kTxtA) {
      // Below 1 or emptied: 1. A number beyond 16 bits stays, for ADD to refuse.
      if (Trim(text).empty() || (v && *v < 1)) SetText(c, "1");
    } else if (c == kTxtB) {
      const std::string max = ctl[kTxtMaxport].text;
      if (Trim(text).empty() || (v && *v < 1)) SetText(kTxtB, max);
      const auto m = ToInt16(max), end = ToInt16(ctl[kTxtB].text);
      if (m && end && *end > *m) SetText(kTxtB, Trim(max));
    }
  }

  void Reset() {
    for (int c : {kCmdMaxport, kCmdDOWN, kCmdUP, kCmdSEND, kCmdAdd, kCmdDEL, kCmdTest, kTxtMaxport, kCmbFunc, kTxtLoop,
                  kTxtDelay, kTxtA, kTxtB})
      ctl[c].enabled = false;
    ctl[kCmbPORT].text = "PORT ?";
    ctl[kCmbFunc].text = kFuncPlaceholder;
    for (int c : {kTxtMaxport, kTxtLoop, kTxtDelay, kTxtA, kTxtB}) SetText(c, "?");
  }

  void ChoosePort(int p) {
    port = bound = p;
    if (caps[p] >= 0) SetText(kTxtMaxport, std::to_string(caps[p]));
    const std::vector<Row>& rows = tables[p];
    Reload();
    next_stt = 1;
    for (const Row& r : rows) next_stt = std::max(*next_stt, r.stt + 1);
    ctl[kCmdMaxport].enabled = ctl[kCmbFunc].enabled = true;
    SetText(kTxtB, Trim(ctl[kTxtMaxport].text));
    catalogue = p == 3 ? kFuncBoder : kShowFunc;
    ctl[kCmbFunc].text = kFuncPlaceholder;
    ctl[kTxtMaxport].enabled = rows.empty();
    ctl[kCmdSEND].enabled = !rows.empty();
    ctl[kCmdAdd].enabled = ctl[kCmdTest].enabled = false;
  }

  void ChooseEffect(const std::string& entry) {
    SetText(kTxtLoop, "1");
    SetText(kTxtDelay, "5");
    ctl[kTxtLoop].enabled = ctl[kTxtDelay].enabled = true;
    SetText(kTxtA, "1");
    SetText(kTxtB, ctl[kTxtMaxport].text);
    ctl[kTxtA].enabled = ctl[kTxtB].enabled = port != 3;
    code = ToInt16(Trim(entry).substr(0, 2));
    MoveFocus(kTxtA);
    ctl[kCmdAdd].enabled = ctl[kCmdTest].enabled = true;
  }

  void UpdateEditButtons() {
    const std::vector<Row>& rows = tables[port];
    const int current = rows.empty() ? 0 : rows[grid_order[grid_pos]].stt;
    ctl[kCmdDEL].enabled = !rows.empty();
    auto any = [&](auto beyond) { return std::any_of(rows.begin(), rows.end(), beyond); };
    ctl[kCmdDOWN].enabled = any([&](const Row& r) { return r.stt > current; });
    ctl[kCmdUP].enabled = any([&](const Row& r) { return r.stt < current; });
  }

  void Add() {
    const bool five = port != 3;
    const int fields[] = {kTxtDelay, kTxtLoop, kTxtA, kTxtB};
    int v[4];
    if (!code || !FitsByte(*code)) return Refuse();
    for (int i = 0; i < 4; ++i) {
      const auto n = ToInt16(ctl[fields[i]].text);
      if (!n || ((i < 2 || five) && !FitsByte(*n))) return Refuse();
      v[i] = *n;
    }
    if (*next_stt > 32767) return Refuse();
    BackUp(false);
    if (file_refuses_) return FileRefuses();
    tables[port].push_back({*next_stt, *code, Trim(ctl[kCmbFunc].text), v[0], v[1], v[2], v[3]});
    ++*next_stt;
    grid_order.push_back(static_cast<int>(tables[port].size()) - 1);
    grid_pos = static_cast<int>(grid_order.size()) - 1;
    ctl[kCmdDOWN].enabled = ctl[kCmdUP].enabled = ctl[kCmdDEL].enabled = false;
    ctl[kCmdSEND].enabled = true;
    ctl[kTxtMaxport].enabled = false;
    ++stats["adds"];
  }

  void Del() {
    std::vector<Row>& rows = tables[port];
    if (rows.empty()) return UpdateEditButtons();
    BackUp(false);
    const int gone = grid_order[grid_pos];
    const int d = rows[gone].stt;
    // Closing the gap must not carry a repeated number past 32767.
    const auto behind = std::count_if(rows.begin(), rows.end(), [&](const Row& r) { return r.stt > d; });
    if (d - 1 + behind > 32767) {
      Reload();
      return Refuse();
    }
    // Refused at once on PORT3, else once the row has gone, at the first
    // number closing the gap.
    if (file_refuses_ && (port == 3 || behind > 0)) {
      Reload();
      return FileRefuses();
    }
    rows.erase(rows.begin() + gone);
    int n = d;
    for (int i : Sorted(port))
      if (rows[i].stt > d) rows[i].stt = n++;
    Reload();
    ctl[kCmdUP].enabled = ctl[kCmdDOWN].enabled = ctl[kCmdDEL].enabled = false;
    if (rows.empty()) {
      ctl[kTxtMaxport].enabled = true;
      ctl[kCmdSEND].enabled = false;
    }
    ++stats["deletes"];
  }

  void Move(int step) {
    std::vector<Row>& rows = tables[port];
    if (rows.empty()) return UpdateEditButtons();
    Row& moved = rows[grid_order[grid_pos]];
    const int c = moved.stt, t = c + step;
    // A stale button: nothing lies beyond the row in that direction.
    if (std::none_of(rows.begin(), rows.end(), [&](const Row& r) { return (r.stt - c) * step > 0; }))
      return UpdateEditButtons();
    BackUp(false);
    const auto neighbour = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.stt == t; });
    // Up: refused once the neighbour has moved. Down: the neighbour's number
    // goes down, if there is one.
    if (file_refuses_ && (step < 0 || neighbour != rows.end())) {
      Reload();
      return FileRefuses();
    }
    if (neighbour != rows.end()) neighbour->stt = c;
    moved.stt = t;
    grid_order = Sorted(port);
    const int position = step < 0 ? c - 2 : c;
    grid_pos = position >= 0 && position < static_cast<int>(rows.size()) ? position : 0;
    UpdateEditButtons();
    ++stats["moves"];
  }

  // The capacity byte of upload and test frames: 01 while the field holds
  // no number, nothing for a number beyond one byte.
  std::optional<std::string> CapacityByte() const {
    const std::string& text = ctl[kTxtMaxport].text;
    if (!IsWhole(text)) return std::string(1, '\x01');
    const auto v = ToInt16(text);
    if (!v || !FitsByte(*v)) return std::nullopt;
    return std::string(1, static_cast<char>(*v));
  }

  bool CanSend() {
    if (open && port >= 1 && !closing) return true;
    Refuse();
    return false;
  }

  void Send() {
    if (!CanSend()) return;
    const auto cap = CapacityByte();
    if (!cap || tables[port].empty()) return Refuse();
    std::string records;
    for (int i : Sorted(port)) {
      const Row& r = tables[port][i];
      const int bytes[] = {r.code, r.loop, r.delay, r.a, r.b};
      for (int k = 0; k < (port == 3 ? 3 : 5); ++k) {
        if (!FitsByte(bytes[k])) return Refuse();
        records += static_cast<char>(bytes[k]);
      }
    }
    const auto n = tables[port].size();
    Write(Frame(0xFC - (port - 1), *cap + records), Name("list"),
          " (" + std::to_string(n) + (n == 1 ? " effect)" : " effects)"));
  }

  void Test() {
    if (!CanSend()) return;
    const auto cap = CapacityByte();
    if (!cap || !code || !FitsByte(*code)) return Refuse();
    std::string record(1, static_cast<char>(*code));
    for (int c : {kTxtLoop, kTxtDelay, kTxtA, kTxtB}) {
      if (port == 3 && c == kTxtA) break;
      const auto v = ToInt16(ctl[c].text);
      if (!v || !FitsByte(*v)) return Refuse();
      record += static_cast<char>(*v);
    }
    Write(Frame(0xF9 - (port - 1), *cap + record), Name("effect test"));
  }

  void Program() {
    if (!CanSend()) return;
    const auto v = ToInt16(ctl[kTxtMaxport].text);
    if (!v || !FitsByte(*v)) return Refuse();
    BackUp(false);
    if (caps[port] == kNoRow) return Refuse();
    if (file_refuses_) return FileRefuses();  // stored before the frame goes
    if (Write(Frame(0xF5 - (port - 1), std::string(1, static_cast<char>(*v))), Name("capacity value"))) caps[port] = *v;
  }

  void Connect() {
    if (ctl[kCmdConnect].text == "CONNECT") {
      if (com == 4) return Refuse();  // gone since start-up: the link stays closed
      open = true;
      label = "";
      if (!Write(Frame(0xF6, "\x0A"), "Connect frame")) return;
      ctl[kCmbCOM].enabled = false;
      ctl[kCmbPORT].enabled = true;
      ctl[kCmdConnect].text = "DISCONNECT";
    } else if (!pending.empty()) {
      closing = true;  // once the frames have left
      ctl[kCmdConnect].enabled = false;
      ++stats["waits"];
    } else {
      Close();
    }
  }

  void Close() {
    open = closing = false;
    label = kNotConnected;
    ctl[kCmbCOM].enabled = ctl[kCmbPORT].enabled = false;
    ctl[kCmdConnect].text = "CONNECT";
    ctl[kCmdConnect].enabled = true;
  }

  // The first of the longest pending frames names them all.
  const Sent& Main() const {
    auto main = pending.begin();
    for (auto f = pending.begin(); f != pending.end(); ++f)
      if (f->bytes > main->bytes) main = f;
    return *main;
  }
  std::string More(const char* joint) const {
    const std::size_t n = pending.size() - 1;
    return n == 0 ? "" : joint + std::to_string(n) + " more frame" + (n > 1 ? "s" : "");
  }

  void Released() {
    if (pending.empty()) return;
    status = Main().name + " sent" + Main().detail + More(", and ") + ".";
    pending.clear();
    if (closing) Close();
  }

  std::string Name(const std::string& what) const { return "PORT" + std::to_string(port) + " " + what; }

  // The frame leaves at once or waits with the port, or the write fails and
  // the link is lost.
  bool Write(const std::string& frame, const std::string& name, const std::string& detail = "") {
    pending.push_back({name, detail, frame.size()});
    if (failing_) {
      open = false;
      LinkLost("write failed");
      return false;
    }
    frames.push_back(frame);
    ++stats["frames"];
    if (!hold) Released();
    return true;
  }

  void LinkLost(const std::string& why) {
    if (!pending.empty()) status = Main().name + More(" and ") + " not sent: " + why;
    pending.clear();
    closing = false;
    label = kNotConnected;
    ctl[kCmbPORT].enabled = false;
    ctl[kCmdConnect].text = "CONNECT";
    ctl[kCmdConnect].enabled = true;
    ++messages;
    ++stats["lost links"];
  }

  void Refuse(const char* counted = "refusals") {
    ++messages;
    ++stats[counted];
  }
  void FileRefuses() { Refuse("file refusals"); }

  bool failing_ = false, file_refuses_ = false;
  const bool hold;
};

// ------------------------------------------------------------ the walk --

using Rng = std::mt19937_64;
int Pick(Rng& rng, int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); }

// Random lists with gaps, now and then a repeated number, a value beyond a
// byte or a stored order other than the list's; MaxPort values, empty ones
// and missing rows.
Start MakeStart(std::uint64_t seed) {
  Rng rng(seed);
  Start s;
  for (int t = 0; t < 4; ++t) {
    const int n = t == 0 ? Pick(rng, 4) : Pick(rng, 4) == 0 ? 0 : 1 + Pick(rng, 14);
    // Now and then a list at the top of the range: up to 32765, 32766 or
    // 32767, which may come up to four times.
    const bool top = Pick(rng, 6) == 0;
    int stt = top ? 32765 - n + Pick(rng, 6) : 0;
    for (int i = 0; i < n; ++i) {
      const int r = Pick(rng, 20);
      stt = top ? std::min(32767, stt + 1) : stt + (i > 0 && r == 0 ? 0 : r < 4 ? 2 + Pick(rng, 2) : 1);
      Row row{stt, 0, "r" + std::to_string(t) + "." + std::to_string(i)};
      // The code from 0, the others from 1; now and then one beyond a byte.
      int* sent[] = {&row.code, &row.delay, &row.loop, &row.a, &row.b};
      for (int k = 0; k < 5; ++k) *sent[k] = (k > 0) + Pick(rng, std::array{100, 20, 9, 50, 60}[k]);
      if (Pick(rng, 20) == 0) *sent[Pick(rng, 5)] = 256 + Pick(rng, 200);
      s.tables[t].push_back(row);
    }
    if (Pick(rng, 3) == 0)  // by hand, so that a seed means the same everywhere
      for (int i = n - 1; i > 0; --i) std::swap(s.tables[t][i], s.tables[t][Pick(rng, i + 1)]);
  }
  s.hold = Pick(rng, 2) == 0;
  for (int p = 1; p <= 3; ++p) {
    const int r = Pick(rng, 25);
    s.caps[p] = r == 0 ? kNoRow : r == 1 ? kNull : r == 2 ? 256 + Pick(rng, 50) : Pick(rng, 61);
  }
  return s;
}

// The next action. One in four is the step the walk needs next to reach
// the list work; the rest are drawn by weight, on enabled and disabled
// controls alike.
Action Generate(Rng& rng, const Model& m) {
  const int rows = static_cast<int>(m.tables[m.bound].size());
  const int effects = static_cast<int>(m.catalogue.size());
  // Below half a second of line (960 bytes) pending: a short send shows no progress.
  std::size_t bytes = 0;
  for (const auto& f : m.pending) bytes += f.bytes;
  if (bytes > 0 && (bytes > 400 || Pick(rng, 8) == 0)) return {Act::Release};
  if (Pick(rng, 4) == 0) {
    // COM 4 is gone since start-up: CONNECT on it now and then, else choose again.
    if (m.ctl[kCmbCOM].enabled && (m.com == 0 || (m.com == 4 && Pick(rng, 2) == 0)))
      return {Act::Choose, kCmbCOM, Pick(rng, 3)};
    if (!m.open) return {Act::Click, kCmdConnect};
    if (!m.ctl[kCmbFunc].enabled) return {Act::Choose, kCmbPORT, Pick(rng, 3)};
    if (!m.ctl[kCmdAdd].enabled) return {Act::Choose, kCmbFunc, Pick(rng, effects)};
    if (rows > 0 && !m.ctl[kCmdDEL].enabled) return {Act::ClickRow, kDataGrid, Pick(rng, rows)};
  }
  int roll = Pick(rng, 200);
  auto take = [&roll](int weight) { return (roll -= weight) < 0; };
  if (take(2)) return {Act::Choose, kCmbCOM, Pick(rng, 4)};  // the 4th is no entry
  if (take(6)) return {Act::Choose, kCmbPORT, Pick(rng, 3)};
  if (take(10)) return {Act::Choose, kCmbFunc, Pick(rng, effects + 1)};
  if (take(50)) {
    static const int kTyped[] = {kTxtMaxport, kTxtLoop, kTxtDelay, kTxtA, kTxtB, kCmbFunc};
    const int c = m.focus >= 0 && IsField(m.focus) && Pick(rng, 3) > 0 ? m.focus : kTyped[Pick(rng, 6)];
    const int r = Pick(rng, 10);
    static const char kOther[] = {'a', '-', '.', ' ', 13};
    return {Act::Type, c, r < 7 ? '0' + Pick(rng, 10) : r < 9 ? 8 : kOther[Pick(rng, 5)]};
  }
  if (take(10)) return {Act::Focus, Pick(rng, kCtlCount)};
  if (take(72)) {
    static const int kButtons[] = {kCmdAdd,  kCmdAdd,  kCmdAdd,  kCmdAdd,  kCmdAdd,     kCmdDEL,    kCmdDEL,
                                   kCmdDEL,  kCmdUP,   kCmdUP,   kCmdUP,   kCmdDOWN,    kCmdDOWN,   kCmdDOWN,
                                   kCmdSEND, kCmdSEND, kCmdTest, kCmdTest, kCmdMaxport, kCmdConnect};
    const int b = kButtons[Pick(rng, 20)];
    const bool writes = b == kCmdConnect || b == kCmdSEND || b == kCmdTest || b == kCmdMaxport;
    const bool changes = b != kCmdConnect && b != kCmdSEND && b != kCmdTest;
    return {Pick(rng, 7) == 0 ? Act::Press : Act::Click, b, 0, writes && Pick(rng, 30) == 0,
            changes && Pick(rng, 20) == 0};
  }
  if (take(30)) return {Act::ClickRow, kDataGrid, Pick(rng, rows + 2) - 1};
  if (take(14)) return {Act::KeyRow, kDataGrid, Pick(rng, rows + 2) - 1};
  if (take(1)) return {Act::New, -1, 0, false, Pick(rng, 3) == 0};
  if (take(1)) return {Act::NextDay};
  // The line can only be lost, or answer, while it is open.
  if (!m.open) return {Act::Focus, Pick(rng, kCtlCount)};
  if (take(1)) return {Act::Unplug};
  return {Act::Receive, -1, Pick(rng, 3)};
}

// The walk's start as the SQL that makes it.
std::string StartSql(const Start& s) {
  std::ostringstream sql;
  sql << kCatalogueSql << "DELETE FROM PORT_TEMP;\nDELETE FROM MaxPort;\n";
  for (int t = 0; t < 4; ++t)
    for (const Row& r : s.tables[t])
      sql << "INSERT INTO " << kTableName[t] << " VALUES (" << r.stt << ", " << r.code << ", '" << r.name << "', "
          << r.delay << ", " << r.loop << ", " << r.a << ", " << r.b << ");\n";
  for (int p = 1; p <= 3; ++p)
    if (s.caps[p] != kNoRow)
      sql << "INSERT INTO MaxPort VALUES (" << p << ", "
          << (s.caps[p] == kNull ? std::string("NULL") : std::to_string(s.caps[p])) << ");\n";
  return sql.str();
}

// While Refuse.Now is set, the file refuses every new row, every number that
// goes down, every capacity value and PORT3's deletions: a change that
// writes more than once may fail part way.
std::string RefusingSql() {
  const std::string raise = " BEGIN SELECT RAISE(ABORT, 'the file refuses'); END;\n";
  std::string sql = "CREATE TABLE Refuse (Now INTEGER);\nINSERT INTO Refuse VALUES (0);\n";
  for (int p = 1; p <= 3; ++p) {
    const std::string t = kTableName[p], when = " ON " + t + " WHEN (SELECT Now FROM Refuse)";
    sql += "CREATE TRIGGER i" + t + " BEFORE INSERT" + when + raise;
    sql += "CREATE TRIGGER u" + t + " BEFORE UPDATE" + when + " AND NEW.STT < OLD.STT" + raise;
  }
  return sql + "CREATE TRIGGER dPORT3 BEFORE DELETE ON PORT3 WHEN (SELECT Now FROM Refuse)" + raise +
         "CREATE TRIGGER m BEFORE UPDATE ON MaxPort WHEN (SELECT Now FROM Refuse)" + raise;
}

// The window on a real SQLite file, driven through the operator's entry
// points, and read back independently.
class Product : FormRig {
 public:
  explicit Product(const Start& start) {
    Make(StartSql(start) + RefusingSql());
    refuse_ = sqlite::Connection::Open(db_path);
    form->Form_Load();
    serial.openable.erase(4);
    serial.hold_output = start.hold;
    for (int c = 0; c < kCtlCount; ++c)
      for (Control* x : form->window.controls)
        if (x->Name() == kCtlName[c]) ctl_[c] = x;
    writes_seen_ = serial.writes.size();
    messages_seen_ = messages.shown.size();
  }

  void Apply(const Action& a) {
    Control* c = a.ctl >= 0 ? ctl_[a.ctl] : nullptr;
    // The operator reaches a control before using it; a disabled one keeps
    // the focus where it was.
    if (c && a.act != Act::Press) c->SetFocus();
    if (a.file_refuses) refuse_->Exec("UPDATE Refuse SET Now = 1");
    toolkit.now += a.act == Act::NextDay ? 24 * 60 * 60 : 1;
    switch (a.act) {
      // These always name a control.
      case Act::Choose: static_cast<Combo*>(ctl_[a.ctl])->Choose(a.arg); break;
      case Act::Type:
        if (IsCombo(a.ctl)) static_cast<Combo*>(ctl_[a.ctl])->TypeChar(static_cast<std::int16_t>(a.arg));
        if (IsField(a.ctl)) static_cast<TextField*>(ctl_[a.ctl])->TypeChar(static_cast<std::int16_t>(a.arg));
        break;
      case Act::Focus: break;
      case Act::Click:
      case Act::Press:
        serial.fail_writes = a.failing;
        static_cast<Button*>(ctl_[a.ctl])->PerformClick();
        serial.fail_writes = false;
        break;
      case Act::ClickRow: form->DataGrid.ClickRow(a.arg); break;
      case Act::KeyRow: form->DataGrid.KeyToRow(a.arg); break;
      case Act::New: form->MnuNew.PerformClick(); break;
      case Act::NextDay: break;
      case Act::Unplug: serial.Unplug(); break;
      case Act::Receive: serial.Receive(kReceived[a.arg]); break;
      case Act::Release: serial.ReleaseAll(); break;
    }
    if (a.file_refuses) refuse_->Exec("UPDATE Refuse SET Now = 0");
  }

  // What the window shows, as Model::Expected writes it: the file read with
  // a connection of its own, and what was written and said since last time.
  std::string Shown() {
    std::string out = QueryRows(db_path, kStoredListsSql);
    const Grid& g = form->DataGrid;
    for (int i = 0; i < g.Rows(); ++i) {
      out += i == g.Row() ? "grid *" : "grid ";
      for (int c = 0; c < 6; ++c) out += g.CellText(i, c) + (c < 5 ? "|" : "\n");
    }
    for (int c = 0; c < kCtlCount; ++c) {
      const auto* field = IsField(c) ? static_cast<const TextField*>(ctl_[c]) : nullptr;
      const std::string text = field              ? field->Text()
                               : IsCombo(c)       ? static_cast<const Combo*>(ctl_[c])->Text()
                               : c == kCmdConnect ? static_cast<const Button*>(ctl_[c])->Caption()
                                                  : "";
      out += ControlLine(c, ctl_[c]->Enabled(), text, field ? field->SelStart() : 0, field ? field->SelLength() : 0);
    }
    const Control* focus = form->window.focus.Current();
    out += "LabConnect \"" + form->LabConnect.Caption() + "\"\nstatus \"" + form->window.status + "\"\nfocus " +
           (focus ? focus->Name() : "none") + "\nframes " +
           Hex({serial.writes.begin() + static_cast<std::ptrdiff_t>(writes_seen_), serial.writes.end()}) +
           "\nmessages " + std::to_string(messages.shown.size() - messages_seen_) + "\n";
    // One copy at most an action, a second apart: the newest comes last by name.
    const std::vector<std::string> copies = Copies(dir + "/backups");
    out += "copies " + std::to_string(copies.size()) + "\n";
    if (!copies.empty()) out += QueryRows(dir + "/backups/" + copies.back(), kStoredListsSql);
    writes_seen_ = serial.writes.size();
    messages_seen_ = messages.shown.size();
    return out;
  }

 private:
  std::shared_ptr<sqlite::Connection> refuse_;
  Control* ctl_[kCtlCount] = {};
  std::size_t writes_seen_ = 0, messages_seen_ = 0;
};

// "" when the two agree; else the first line that differs, then both whole.
std::string Difference(const std::string& expected, const std::string& shown) {
  if (expected == shown) return {};
  const auto at = static_cast<std::size_t>(
      std::mismatch(expected.begin(), expected.end(), shown.begin(), shown.end()).first - expected.begin());
  const auto line = [at](const std::string& s) {
    const std::size_t from = at == 0 ? 0 : s.rfind('\n', at - 1) + 1;
    return s.substr(from, s.find('\n', from) - from);
  };
  return "expected \"" + line(expected) + "\", shown \"" + line(shown) + "\"\nExpected:\n" + expected + "Shown:\n" +
         shown;
}

// One walk of `length` generated actions; on a mismatch, how to replay it.
void Walk(std::uint64_t seed, int length, std::map<std::string, long>& stats) {
  const Start start = MakeStart(seed);
  Model model(start);
  Product product(start);
  Rng rng(seed ^ 0x9E3779B97F4A7C15ULL);
  std::vector<Action> actions;
  std::string what = Difference(model.Expected(), product.Shown());
  for (int i = 0; i < length && what.empty(); ++i) {
    actions.push_back(Generate(rng, model));
    model.Apply(actions.back());
    product.Apply(actions.back());
    what = Difference(model.Expected(), product.Shown());
  }
  for (const auto& [what_done, n] : model.stats) stats[what_done] += n;
  if (what.empty()) return;

  ADD_FAILURE() << "Walk seed " << seed << " failed after action " << actions.size() << " of " << length << ": " << what
                << "\nReplay it: ZL_RANDOM_SEED=" << seed << " ZL_RANDOM_ACTIONS=" << length
                << " build/tests/app/random_operator_test\nStart:\n"
                << StartSql(start) << (start.hold ? "Output held until released.\n" : "");
}

long EnvNumber(const char* name, long fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

class RandomOperator : public ::testing::TestWithParam<int> {};

TEST_P(RandomOperator, EveryActionLeavesFileGridFramesAndControlsAsTheModelSays) {
  const long total = EnvNumber("ZL_RANDOM_ACTIONS", 20000);
  const auto base = static_cast<std::uint64_t>(EnvNumber("ZL_RANDOM_SEED", kDefaultSeed));
  const long walks = (total + kWalkLength - 1) / kWalkLength;
  std::map<std::string, long> stats;
  for (long w = GetParam(); w < walks && !HasFailure(); w += kShards) {
    const long length = std::min<long>(kWalkLength, total - w * kWalkLength);
    Walk(base + static_cast<std::uint64_t>(w), static_cast<int>(length), stats);
  }
  std::cout << "shard " << GetParam() << ":";
  for (const auto& [what, n] : stats) std::cout << " " << n << " " << what;
  std::cout << "\n";
  // Walks that never reach the list operations would pass without testing them.
  if (stats["actions"] >= kWalkLength && !HasFailure()) {
    for (const char* done : {"adds", "deletes", "moves", "frames", "file refusals"}) EXPECT_GT(stats[done], 0) << done;
  }
}

INSTANTIATE_TEST_SUITE_P(Shards, RandomOperator, ::testing::Range(0, kShards));

}  // namespace
}  // namespace zl::test
