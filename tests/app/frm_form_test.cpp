#include <gtest/gtest.h>

#include <QFile>
#include <vector>

#include "platform/cp1252.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

using Startup = FormTest;

std::vector<Control*> EditControls(FrmForm& f) {
  return {&f.CmdMaxport, &f.CmdDOWN, &f.CmdUP,   &f.CmdSEND,  &f.CmdAdd, &f.CmdDEL,
          &f.CmdTest,    &f.TxtMaxport, &f.CmbFunc, &f.TxtLoop, &f.TxtDelay, &f.TxtA, &f.TxtB};
}

TEST_F(Startup, LeavesTheWindowIdleWithNothingSelected) {
  Load();
  FrmForm& f = *form;
  EXPECT_EQ(f.CmbPORT.Items(), (std::vector<std::string>{"PORT1", "PORT2", "PORT3"}));
  EXPECT_EQ(f.CmbPORT.Text(), "PORT ?");
  EXPECT_FALSE(f.CmbPORT.Enabled());
  EXPECT_FALSE(f.CmdConnect.Enabled());
  EXPECT_EQ(f.CmdConnect.Caption(), "CONNECT");
  EXPECT_TRUE(f.CmbCOM.Enabled());
  EXPECT_EQ(f.CmbCOM.Text(), "COM ?");
  EXPECT_TRUE(f.DataGrid.Enabled());
  for (Control* c : EditControls(f)) EXPECT_FALSE(c->Enabled()) << c->Name();
  for (TextField* t : {&f.TxtMaxport, &f.TxtLoop, &f.TxtDelay, &f.TxtA, &f.TxtB})
    EXPECT_EQ(t->Text(), "?") << t->Name();
  EXPECT_EQ(f.CmbFunc.Text(), Utf8ToCp1252("Choïn kieåu hieäu öùng ?"));
  EXPECT_EQ(f.LabConnect.Caption(), "Not ! Connect");
  EXPECT_EQ(f.PortNo, 0);
  EXPECT_FALSE(f.MS_COM.PortOpen());
}

TEST_F(Startup, OpensTheDatabaseBesideTheExecutableAndShowsPortTemp) {
  Load();
  FrmForm& f = *form;
  EXPECT_EQ(f.AppDir, dir + "/");
  EXPECT_EQ(f.DbFile, dir + "/Data.mdb");
  EXPECT_EQ(f.SqlText, "SELECT * FROM PORT_TEMP ORDER BY STT");
  EXPECT_TRUE(f.GridRs && f.GridRs->IsOpen());
  EXPECT_EQ(f.DataGrid.DataSource(), f.GridRs.get());

  const std::string stts = Rows("SELECT STT FROM PORT_TEMP ORDER BY STT");
  std::string shown;
  for (int r = 0; r < f.DataGrid.Rows(); ++r) shown += f.DataGrid.CellText(r, 0) + "\n";
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(shown, stts);
  EXPECT_EQ(f.DataGrid.columns.size(), 6u);
}

TEST_F(Startup, SetsGeometryAndFrameMarkers) {
  Load();
  FrmForm& f = *form;
  EXPECT_EQ(f.window.geometry.left, 0);
  EXPECT_EQ(f.window.geometry.top, 0);
  EXPECT_EQ(f.window.geometry.width / 15, 1024);
  EXPECT_EQ(f.window.geometry.height / 15, 590);
  EXPECT_EQ(f.window.title, "Nap phan men cho Zentrel V2.0");
  EXPECT_EQ(f.Mk254_253, "\xFE\xFD");
  EXPECT_EQ(f.Mk255, "\xFF");
  const std::string ops = f.Mk252 + f.Mk251 + f.Mk250 + f.Mk249 + f.Mk248 + f.Mk247 + f.Mk246 +
                          f.Mk245 + f.Mk244 + f.Mk243;
  EXPECT_EQ(ops, "\xFC\xFB\xFA\xF9\xF8\xF7\xF6\xF5\xF4\xF3");
}

TEST_F(Startup, AddsNoSecondSeparatorToADirectoryThatEndsInOne) {
  toolkit.app_path = "/";
  EXPECT_THROW(form->Form_Load(), DbError);  // no Data.mdb at the root here
  EXPECT_EQ(form->DbFile, "/Data.mdb");
}

TEST_F(Startup, FailsOnAMissingFileWithoutCreatingIt) {
  toolkit.app_path = dir + "/empty";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(toolkit.app_path)));
  try {
    form->Form_Load();
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_NE(e.Number(), 0);
    EXPECT_FALSE(std::string(e.what()).empty());
  }
  EXPECT_FALSE(QFile::exists(QString::fromStdString(toolkit.app_path + "/Data.mdb")));
}

class StartupWithoutGridFields : public FormTest {
  std::string ExtraSql() const override {
    return "DROP TABLE PORT_TEMP;\nCREATE TABLE PORT_TEMP (STT INTEGER, Loop INTEGER);\n";
  }
};

TEST_F(StartupWithoutGridFields, FailsWhenPortTempLacksAShownField) {
  EXPECT_THROW(form->Form_Load(), DbError);
}

using ResetControlsTest = FormTest;

TEST_F(ResetControlsTest, DisablesEditControlsAndPutsPlaceholdersBack) {
  Load();
  FrmForm& f = *form;
  const int rows = f.DataGrid.Rows();
  for (Control* c : EditControls(f)) c->SetEnabled(true);
  for (TextField* t : {&f.TxtMaxport, &f.TxtLoop, &f.TxtDelay, &f.TxtA, &f.TxtB}) t->SetText("7");
  f.CmbPORT.SetText("PORT2");
  f.PortNo = 2;
  f.CmbPORT.SetEnabled(true);
  f.CmdConnect.SetEnabled(true);
  f.LabConnect.SetCaption("OK");

  f.ResetControls();

  for (Control* c : EditControls(f)) EXPECT_FALSE(c->Enabled()) << c->Name();
  for (TextField* t : {&f.TxtMaxport, &f.TxtLoop, &f.TxtDelay, &f.TxtA, &f.TxtB})
    EXPECT_EQ(t->Text(), "?") << t->Name();
  EXPECT_EQ(f.CmbPORT.Text(), "PORT ?");
  EXPECT_EQ(f.CmbFunc.Text(), Utf8ToCp1252("Choïn kieåu hieäu öùng ?"));
  // Untouched: the port number, the link controls, the label and the grid.
  EXPECT_EQ(f.PortNo, 2);
  EXPECT_TRUE(f.CmbPORT.Enabled());
  EXPECT_TRUE(f.CmdConnect.Enabled());
  EXPECT_EQ(f.LabConnect.Caption(), "OK");
  EXPECT_EQ(f.DataGrid.Rows(), rows);
}

TEST_F(ResetControlsTest, CombosDiscardEveryTypedCharacter) {
  Connect();
  FrmForm& f = *form;
  f.CmbFunc.SetEnabled(true);
  for (Combo* c : {&f.CmbPORT, &f.CmbFunc}) {
    const std::string before = c->Text();
    for (std::int16_t key : std::vector<std::int16_t>{'a', '1', ' ', 8, 13}) {
      std::int16_t k = key;
      c->KeyPress(k);
      EXPECT_EQ(k, 0) << c->Name() << " key " << key;
      c->TypeChar(key);
    }
    EXPECT_EQ(c->Text(), before) << c->Name();
  }
  std::int16_t k = 'x';
  f.CmbCOM_KeyPress(k);
  EXPECT_EQ(k, 0);
}

TEST_F(ResetControlsTest, OpenAndSaveAsDoNothing) {
  Load();
  const std::string before = Rows("SELECT * FROM PORT_TEMP");
  form->MnuOpen.PerformClick();
  form->MnuSave.PerformClick();
  EXPECT_EQ(toolkit.ended, 0);
  EXPECT_FALSE(form->window.Unloaded());
  EXPECT_EQ(Rows("SELECT * FROM PORT_TEMP"), before);
  EXPECT_TRUE(messages.shown.empty());
}

using Shutdown = FormTest;

TEST_F(Shutdown, ExitClosesGridConnectionThenTheOpenPort) {
  Connect();
  serial.calls.clear();
  bool db_open_at_port_close = true, grid_open_at_port_close = true;
  serial.before_close = [&] {
    db_open_at_port_close = db->IsOpen();
    grid_open_at_port_close = form->GridRs->IsOpen();
  };
  form->MnuExit.PerformClick();
  EXPECT_FALSE(db_open_at_port_close);
  EXPECT_FALSE(grid_open_at_port_close);
  EXPECT_TRUE(form->window.Unloaded());
  EXPECT_EQ(toolkit.ended, 1);
  EXPECT_FALSE(form->GridRs->IsOpen());
  EXPECT_FALSE(db->IsOpen());
  EXPECT_EQ(serial.calls, std::vector<std::string>{"PortOpen=0"});
  EXPECT_FALSE(serial.PortOpen());
}

TEST_F(Shutdown, ClosingTheWindowWithThePortClosedLeavesThePortAlone) {
  Load();
  serial.calls.clear();
  EXPECT_TRUE(form->window.RequestUnload());
  EXPECT_FALSE(db->IsOpen());
  EXPECT_TRUE(serial.calls.empty());
  // A second close of the window does not unload it twice.
  EXPECT_TRUE(form->window.RequestUnload());
  EXPECT_TRUE(serial.calls.empty());
}

}  // namespace
}  // namespace zl::test
