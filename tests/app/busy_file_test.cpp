// Data.mdb held by another program, unwritable, or not to be copied: what
// the window says and what it leaves as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "storage/sqlite/connection.h"
#include "support/catalogue_sql.h"
#include "support/files.h"
#include "support/form_fixture.h"
#include "support/unwritable.h"

namespace zl::test {
namespace {

namespace fs = std::filesystem;

// Held by another program: each operation waits a bounded time, shows that
// it waits, then says the file is in use and leaves every list and control
// as it was; once the other program lets go it works.

struct Operation {
  const char* name;
  void (*act)(FrmForm&);
  // What the file holds once the operation has run with the file free, and
  // the copies made: a change's copy, stopped while the file was held.
  const char* port2_after;
  std::size_t copies;
};

void PrintTo(const Operation& o, std::ostream* os) { *os << o.name; }

class BusyFile : public FormTest, public ::testing::WithParamInterface<Operation> {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT2 VALUES (1, 11, 'a', 5, 1, 1, 30), (2, 12, 'b', 5, 1, 1, 30),"
           " (3, 13, 'c', 5, 1, 1, 30);\n";
  }

  // Every control's state and the grid's rows, as the operator sees them.
  std::string Window() const {
    std::string out;
    for (const Control* c : form->window.controls) {
      out += c->Name() + (c->Enabled() ? "+" : "-");
      if (auto* t = dynamic_cast<const TextField*>(c)) out += t->Text();
      if (auto* x = dynamic_cast<const Combo*>(c)) out += x->Text() + "/" + std::to_string(x->ListCount());
      out += ";";
    }
    for (int r = 0; r < form->DataGrid.Rows(); ++r)
      out += form->DataGrid.CellText(r, 0) + ":" + form->DataGrid.CellText(r, 1) + ",";
    return out + "row " + std::to_string(form->DataGrid.Row());
  }
};

TEST_P(BusyFile, WaitsShowingItThenSaysSoAndLeavesEverythingThenWorksOnceFree) {
  // Port 2 chosen, an effect prepared, the middle row clicked: every
  // operation is available.
  ASSERT_NO_FATAL_FAILURE(ChoosePort(2, 0));
  form->DataGrid.ClickRow(1);
  ASSERT_TRUE(form->CmdDEL.Enabled() && form->CmdUP.Enabled() && form->CmdDOWN.Enabled());
  // Another program takes the whole file, as `sqlite3 Data.mdb` with BEGIN EXCLUSIVE would.
  const auto other = sqlite::Connection::Open(db_path);
  const std::string file = Rows(kStoredListsSql), window = Window();
  const std::size_t frames = serial.writes.size();
  toolkit.busy.clear();

  other->Exec("BEGIN EXCLUSIVE");
  GetParam().act(*form);

  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("in use by another program"), std::string::npos) << messages.shown[0];
  EXPECT_EQ(toolkit.busy, (std::vector<bool>{true, false}));
  EXPECT_EQ(serial.writes.size(), frames);
  EXPECT_EQ(Window(), window);
  other->Exec("COMMIT");
  EXPECT_EQ(Rows(kStoredListsSql), file);

  messages.shown.clear();
  toolkit.busy.clear();
  GetParam().act(*form);
  EXPECT_TRUE(messages.shown.empty()) << messages.shown[0];
  EXPECT_TRUE(toolkit.busy.empty());
  EXPECT_EQ(Rows("SELECT STT, NameFunc FROM PORT2 ORDER BY STT"), GetParam().port2_after);
  EXPECT_EQ(Copies(fs::path(dir) / "backups").size(), GetParam().copies);
}

const char kUnchanged[] = "1|a\n2|b\n3|c\n";
const Operation kOperations[] = {{"ChoosePort", [](FrmForm& f) { f.CmbPORT.Choose(0); }, kUnchanged, 0},
                                 {"GridClick", [](FrmForm& f) { f.DataGrid.ClickRow(1); }, kUnchanged, 0},
                                 {"Add", [](FrmForm& f) { f.CmdAdd.PerformClick(); }, "1|a\n2|b\n3|c\n4|07 Seven\n", 1},
                                 {"Delete", [](FrmForm& f) { f.CmdDEL.PerformClick(); }, "1|a\n2|c\n", 1},
                                 {"Send", [](FrmForm& f) { f.CmdSEND.PerformClick(); }, kUnchanged, 0},
                                 {"Program", [](FrmForm& f) { f.CmdMaxport.PerformClick(); }, kUnchanged, 1},
                                 {"New", [](FrmForm& f) { f.MnuNew.PerformClick(); }, "", 1}};

INSTANTIATE_TEST_SUITE_P(Operations, BusyFile, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

// A Data.mdb that cannot be written, or whose folder cannot: said once at
// start-up with the reason; the lists are shown and sent, and every change
// is refused with that reason, the file left byte for byte.

struct Where {
  const char* name;
  bool folder;  // the folder is unwritable, not the file
  const char* reason;
};

void PrintTo(const Where& w, std::ostream* os) { *os << w.name; }

class ReadOnlyFile : public FormTest, public ::testing::WithParamInterface<Where> {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT2 VALUES (1, 11, 'a', 5, 1, 1, 30), (2, 12, 'b', 5, 1, 1, 30);\n";
  }
};

TEST_P(ReadOnlyFile, ShowsAndSendsButRefusesEveryChangeWithTheReason) {
  const std::string before = Read(db_path);
  Unwritable lock(GetParam().folder ? dir : db_path);
  if (!lock.Ok()) GTEST_SKIP() << "cannot make " << (GetParam().folder ? dir : db_path) << " unwritable here";

  ChoosePort(2, 0);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("cannot be changed: "), std::string::npos) << messages.shown[0];
  const std::size_t frames = serial.writes.size();
  form->CmdSEND.PerformClick();
  form->DataGrid.ClickRow(0);
  for (Button* b : {&form->CmdAdd, &form->CmdDEL, &form->CmdDOWN, &form->CmdMaxport}) {
    messages.shown.clear();
    b->PerformClick();
    ASSERT_EQ(messages.shown.size(), 1u) << b->Name();
    EXPECT_NE(messages.shown[0].find(GetParam().reason), std::string::npos) << messages.shown[0];
  }
  form->MnuNew.PerformClick();
  EXPECT_EQ(messages.shown.size(), 2u);
  // SEND went; Program sends nothing it cannot store.
  EXPECT_EQ(serial.writes.size(), frames + 1);
  EXPECT_EQ(GridStts(), "1,2");
  EXPECT_EQ(Read(db_path), before);
}

INSTANTIATE_TEST_SUITE_P(Places, ReadOnlyFile,
                         ::testing::Values(Where{"File", false, "read-only"}, Where{"Folder", true, "folder"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A copy of Data.mdb that fails is reported without the change being
// stopped. When copies are made, and what they hold: RandomOperator; the
// folder's own rules: backup_folder_test.cpp.

class WindowBackups : public FormTest {
  std::string ExtraSql() const override { return kCatalogueSql; }
};

TEST_F(WindowBackups, ACopyThatCannotBeMadeIsReportedOnceAndTheChangeGoesAhead) {
  const fs::path folder = fs::path(dir) / "backups", earlier = folder / "Data-2026-11-30_09-00-00.mdb";
  Write(earlier, "an earlier copy");
  Unwritable locked(folder.string());
  if (!locked.Ok()) GTEST_SKIP() << "cannot make a folder unwritable here";
  ChoosePort(2, 0);
  form->CmdAdd.PerformClick();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("could not be backed up"), std::string::npos) << messages.shown[0];
  form->CmdAdd.PerformClick();  // once a day, not at every change
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT2"), "2\n");
  EXPECT_EQ(Read(earlier), "an earlier copy");
  EXPECT_EQ(Copies(folder).size(), 1u);
}

}  // namespace
}  // namespace zl::test
