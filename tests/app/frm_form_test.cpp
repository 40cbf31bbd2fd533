#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <vector>

#include "support/form_fixture.h"
#include "text/cp1252.h"

namespace zl::test {
namespace {

// A PORT_TEMP row stored last but numbered first.
class Startup : public FormTest {
  std::string ExtraSql() const override { return "INSERT INTO PORT_TEMP VALUES (0, 9, 'z', 1, 1, 0, 0);\n"; }
};

TEST_F(Startup, StartsIdleShowingPortTemp) {
  Load();
  FrmForm& f = *form;
  for (Control* c : std::vector<Control*>{&f.CmdMaxport, &f.CmdDOWN, &f.CmdUP, &f.CmdSEND, &f.CmdAdd, &f.CmdDEL,
                                          &f.CmdTest, &f.TxtMaxport, &f.CmbFunc, &f.TxtLoop, &f.TxtDelay, &f.TxtA,
                                          &f.TxtB, &f.CmbPORT, &f.CmdConnect})
    EXPECT_FALSE(c->Enabled()) << c->Name();
  for (TextField* t : {&f.TxtMaxport, &f.TxtLoop, &f.TxtDelay, &f.TxtA, &f.TxtB})
    EXPECT_EQ(t->Text(), "?") << t->Name();
  EXPECT_EQ(f.CmbPORT.Text(), "PORT ?");
  EXPECT_EQ(f.CmbFunc.Text(), Utf8ToCp1252("Choïn kieåu hieäu öùng ?"));
  EXPECT_EQ(f.CmbPORT.Items(), (std::vector<std::string>{"PORT1", "PORT2", "PORT3"}));
  EXPECT_TRUE(f.CmbCOM.Enabled());
  EXPECT_EQ(f.CmbCOM.Text(), "COM ?");
  EXPECT_EQ(f.LabConnect.Caption(), "Not ! Connect");
  EXPECT_FALSE(serial.PortOpen());
  // The grid shows PORT_TEMP in number order.
  EXPECT_EQ(GridStts(), "0,1,2,3");
  const Rect& g = f.window.geometry;
  EXPECT_EQ(std::vector<int>({g.left, g.top, g.width / 15, g.height / 15}), std::vector<int>({0, 0, 1024, 590}));
}

// A missing file is refused at start-up: StartupFailure.WhatCannotBeRead...
TEST_F(Startup, AProgramInTheRootDirectoryLooksForOneSeparatorDataMdb) {
  const std::string root(1, FrmForm::kDirSep);
  toolkit.app_path = root;
  EXPECT_THROW(form->Form_Load(), DbError);
  EXPECT_EQ(form->DataFile(), root + "Data.mdb");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(root + "Data.mdb")));
}

// Installed where the operator cannot write: the data directory is theirs,
// for the database and the COMn links alike.
TEST_F(Startup, InstalledItKeepsDataAndPortLinksInTheOperatorsDirectory) {
  const std::string bin = dir + "/bin", user = dir + "/user";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(bin)));
  toolkit.app_path = bin;
  toolkit.unwritable = {bin + "/"};
  toolkit.user_data_path = user;
  toolkit.seed_path = db_path;
  Load();
  const std::string sep(1, FrmForm::kDirSep);
  EXPECT_EQ(form->DataFile(), user + sep + "Data.mdb");
  EXPECT_TRUE(QFile::exists(QString::fromStdString(user + "/Data.mdb")));
  EXPECT_EQ(serial.link_dir, user);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find(user + sep + "Data.mdb"), std::string::npos) << messages.shown[0];
  EXPECT_EQ(form->DataGrid.Rows(), 4);  // PORT_TEMP of the seed, as shipped plus one
}

// A file from before the lists were indexed.
class UnindexedFile : public FormTest {
  std::string ExtraSql() const override {
    return "DROP INDEX PORT1_STT; DROP INDEX PORT2_STT; DROP INDEX PORT3_STT;\n";
  }
};

TEST_F(UnindexedFile, GetsANonUniqueIndexOnEachListAtStartUp) {
  const char* indexes = "SELECT name FROM sqlite_master WHERE type='index' AND sql LIKE '%(STT)' ORDER BY name";
  ASSERT_EQ(Rows(indexes), "");
  Load();
  EXPECT_EQ(Rows(indexes), "PORT1_STT\nPORT2_STT\nPORT3_STT\n");
  // A move gives two rows one number for a moment.
  EXPECT_NO_THROW(db->Run({"INSERT INTO PORT1 VALUES (1, 1, 'a', 1, 1, 1, 1), (1, 1, 'b', 1, 1, 1, 1)", {}}));
}

using Commands = FormTest;

TEST_F(Commands, CombosDiscardEveryTypedCharacterAndOpenAndSaveDoNothing) {
  Connect();
  FrmForm& f = *form;
  for (Combo* c : {&f.CmbCOM, &f.CmbPORT, &f.CmbFunc})
    for (std::int16_t key : std::vector<std::int16_t>{'a', '1', ' ', 8, 13}) {
      std::int16_t k = key;
      c->KeyPress(k);
      EXPECT_EQ(k, 0) << c->Name() << " key " << key;
    }
  const std::string before = Rows("SELECT * FROM PORT_TEMP");
  f.MnuOpen.PerformClick();
  f.MnuSave.PerformClick();
  EXPECT_EQ(toolkit.ended, 0);
  EXPECT_FALSE(f.window.Unloaded());
  EXPECT_EQ(Rows("SELECT * FROM PORT_TEMP"), before);
  EXPECT_TRUE(messages.shown.empty());
}

using Shutdown = FormTest;

TEST_F(Shutdown, ExitClosesGridAndConnectionThenTheOpenPort) {
  Connect();
  serial.calls.clear();
  bool db_open_at_port_close = true;
  int grid_rows_at_port_close = -1;
  serial.before_close = [&] {
    db_open_at_port_close = db->IsOpen();
    grid_rows_at_port_close = form->DataGrid.Rows();
  };
  form->MnuExit.PerformClick();
  EXPECT_FALSE(db_open_at_port_close);
  EXPECT_EQ(grid_rows_at_port_close, 0);
  EXPECT_TRUE(form->window.Unloaded());
  EXPECT_EQ(toolkit.ended, 1);
  EXPECT_EQ(serial.calls, std::vector<std::string>{"PortOpen=0"});
}

TEST_F(Shutdown, ClosingTheWindowWithThePortClosedLeavesThePortAlone) {
  Load();
  serial.calls.clear();
  EXPECT_TRUE(form->window.RequestUnload());
  EXPECT_FALSE(db->IsOpen());
  EXPECT_TRUE(serial.calls.empty());
}

}  // namespace
}  // namespace zl::test
