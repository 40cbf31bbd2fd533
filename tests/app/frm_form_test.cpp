#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <vector>

#include "support/form_fixture.h"

namespace zl::test {
namespace {

// The window's start, as RandomOperator checks it after every action, and
// the rest of its life: where it finds its file, the menu, shutting down.
using Startup = FormTest;

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
  EXPECT_EQ(form->DataGrid.Rows(), 3);  // PORT_TEMP of the seed
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

// A file that lacks a list or a catalogue.
class BrokenTables : public FormTest {
  std::string ExtraSql() const override {
    return "DELETE FROM ShowFunc;\nDROP TABLE PORT2;\nINSERT INTO PORT3 VALUES (1, 1, 'x', 5, 1, 1, 20);\n"
           "DROP TABLE FuncBoder;\n";
  }
};

TEST_F(BrokenTables, AMissingListIsReportedAndAnEmptyCatalogueListsNothing) {
  Connect();
  form->CmbPORT.Choose(1);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("PORT2"), std::string::npos);
  EXPECT_EQ(form->CmbPORT.Text(), "PORT ?");
  ChoosePort(1);  // the program goes on
  EXPECT_EQ(GridStts(), "");
  EXPECT_EQ(form->CmbFunc.ListCount(), 0);
  // Without its catalogue, port 3 is not chosen at all.
  form->CmbPORT.Choose(2);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_NE(messages.shown[1].find("FuncBoder"), std::string::npos);
  EXPECT_EQ(form->CmbPORT.Text() + " " + GridStts(), "PORT1 ");
}

using Commands = FormTest;

TEST_F(Commands, CombosDiscardEveryTypedCharacterAndOpenAndSaveDoNothing) {
  Connect();
  FrmForm& f = *form;
  for (Combo* c : {&f.CmbCOM, &f.CmbPORT, &f.CmbFunc})
    for (std::int16_t key : std::initializer_list<std::int16_t>{'a', '1', ' ', 8, 13}) {
      c->KeyPress(key);
      EXPECT_EQ(key, 0) << c->Name();
    }
  const std::string before = Rows("SELECT * FROM PORT_TEMP");
  f.MnuOpen.PerformClick();
  f.MnuSave.PerformClick();
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
