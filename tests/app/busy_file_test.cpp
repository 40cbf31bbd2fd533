// Data.mdb held by another program: each operation waits a bounded time,
// shows that it waits, then says the file is in use and leaves every list
// and control as it was; once the other program lets go it works.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

// A second connection that takes the whole file, as `sqlite3 Data.mdb` with
// BEGIN EXCLUSIVE would.
class OtherProgram {
 public:
  explicit OtherProgram(const std::string& path) {
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  }
  ~OtherProgram() { sqlite3_close(db_); }
  void Hold() { EXPECT_EQ(sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK); }
  void LetGo() { EXPECT_EQ(sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK); }

 private:
  sqlite3* db_ = nullptr;
};

struct Operation {
  const char* name;
  void (*act)(FrmForm&);
  // What the file holds once the operation has run with the file free.
  const char* port2_after;
};

void PrintTo(const Operation& o, std::ostream* os) { *os << o.name; }

class BusyFile : public FormTest, public ::testing::WithParamInterface<Operation> {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT2 VALUES (1, 11, 'a', 5, 1, 1, 30), (2, 12, 'b', 5, 1, 1, 30),"
           " (3, 13, 'c', 5, 1, 1, 30);\n";
  }

  std::string File() const {
    return Rows(
        "SELECT 1, rowid, * FROM PORT1 UNION ALL SELECT 2, rowid, * FROM PORT2 UNION ALL "
        "SELECT 3, rowid, * FROM PORT3 UNION ALL SELECT 4, Port, MaxValue, 0, 0, 0, 0, 0, 0 FROM MaxPort");
  }

  // Every control's state and the grid's rows, as the operator sees them.
  std::string Window() const {
    std::string out;
    for (const Control* c : form->window.controls) {
      out += c->Name() + (c->Enabled() ? "+" : "-");
      if (auto* t = dynamic_cast<const TextField*>(c)) out += t->Text();
      if (auto* b = dynamic_cast<const Button*>(c)) out += b->Caption();
      if (auto* l = dynamic_cast<const Label*>(c)) out += l->Caption();
      if (auto* x = dynamic_cast<const Combo*>(c)) out += x->Text() + "/" + std::to_string(x->ListCount());
      out += ";";
    }
    for (int r = 0; r < form->DataGrid.Rows(); ++r)
      out += form->DataGrid.CellText(r, 0) + ":" + form->DataGrid.CellText(r, 1) + ",";
    return out + "row " + std::to_string(form->DataGrid.Row());
  }

  // Port 2 chosen, an effect prepared, the middle row clicked: every
  // operation is available.
  void Prepare() {
    ChoosePort(2);
    ChooseEffect(0);
    ClickRow(1);
    ASSERT_EQ(EditButtons(), "DUN");
  }
};

TEST_P(BusyFile, WaitsShowingItThenSaysSoAndLeavesEverythingThenWorksOnceFree) {
  ASSERT_NO_FATAL_FAILURE(Prepare());
  OtherProgram other(db_path);
  const std::string file = File(), window = Window();
  const std::size_t frames = serial.writes.size();
  toolkit.busy.clear();

  other.Hold();
  const auto start = std::chrono::steady_clock::now();
  GetParam().act(*form);
  const auto waited = std::chrono::steady_clock::now() - start;

  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("in use by another program"), std::string::npos) << messages.shown[0];
  EXPECT_EQ(toolkit.busy, (std::vector<bool>{true, false}));
  EXPECT_EQ(serial.writes.size(), frames);
  EXPECT_EQ(Window(), window);
  // Once for the whole operation, not once per statement as it used to be.
  EXPECT_LT(waited, std::chrono::milliseconds(4500));
  other.LetGo();
  EXPECT_EQ(File(), file);

  messages.shown.clear();
  toolkit.busy.clear();
  GetParam().act(*form);
  EXPECT_TRUE(messages.shown.empty()) << messages.shown[0];
  EXPECT_TRUE(toolkit.busy.empty());
  EXPECT_EQ(Rows("SELECT STT, NameFunc FROM PORT2 ORDER BY STT"), GetParam().port2_after);
}

const char kUnchanged[] = "1|a\n2|b\n3|c\n";

INSTANTIATE_TEST_SUITE_P(
    Operations, BusyFile,
    ::testing::Values(Operation{"ChoosePort", [](FrmForm& f) { f.CmbPORT.Choose(0); }, kUnchanged},
                      Operation{"GridClick", [](FrmForm& f) { f.DataGrid.ClickRow(1); }, kUnchanged},
                      Operation{"Add", [](FrmForm& f) { f.CmdAdd.PerformClick(); }, "1|a\n2|b\n3|c\n4|07 Seven\n"},
                      Operation{"Delete", [](FrmForm& f) { f.CmdDEL.PerformClick(); }, "1|a\n2|c\n"},
                      Operation{"Up", [](FrmForm& f) { f.CmdUP.PerformClick(); }, "1|b\n2|a\n3|c\n"},
                      Operation{"Down", [](FrmForm& f) { f.CmdDOWN.PerformClick(); }, "1|a\n2|c\n3|b\n"},
                      Operation{"Send", [](FrmForm& f) { f.CmdSEND.PerformClick(); }, kUnchanged},
                      Operation{"Program", [](FrmForm& f) { f.CmdMaxport.PerformClick(); }, kUnchanged},
                      Operation{"New", [](FrmForm& f) { f.MnuNew.PerformClick(); }, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zl::test
