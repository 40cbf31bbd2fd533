// A window on a real SQLite file in a temporary directory, with a fake serial
// control, a message recorder and a fake toolkit.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/frm_form.h"
#include "storage/sqlite/database.h"
#include "support/fakes.h"
#include "support/testdb.h"

namespace zl::test {

// The window on a fresh database: the shipped SQL, then `extra_sql`.
struct FormRig {
  void Make(const std::string& extra_sql) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary directory");
    dir = dir_.path().toStdString();
    db_path = MakeTestDb(dir, extra_sql);
    toolkit.app_path = dir;
    serial.openable = {1, 3, 4};
    db = MakeSqliteDatabase();
    form = std::make_unique<FrmForm>(Services{*db, serial, messages, toolkit});
  }

  QTemporaryDir dir_;
  std::string dir, db_path;
  FakeSerial serial;
  RecordingMessages messages;
  FakeToolkit toolkit;
  std::unique_ptr<Database> db;
  std::unique_ptr<FrmForm> form;
};

class FormTest : public ::testing::Test, public FormRig {
 protected:
  // Extra SQL run on the fresh database before the window loads.
  virtual std::string ExtraSql() const { return {}; }
  void SetUp() override { ASSERT_NO_THROW(Make(ExtraSql())); }

  void Load() { ASSERT_NO_THROW(form->Form_Load()); }

  // Loads, picks "COM 3" and connects.
  void Connect() {
    Load();
    form->CmbCOM.Choose(1);
    form->CmdConnect.PerformClick();
    ASSERT_EQ(form->CmdConnect.Caption(), "DISCONNECT");
  }

  std::string Rows(const std::string& sql) const { return QueryRows(db_path, sql); }

  // Connects and picks sign port `port` (1 to 3), and the catalogue entry `effect`.
  void ChoosePort(int port, int effect = -1) {
    if (form->CmdConnect.Caption() != "DISCONNECT") Connect();
    form->CmbPORT.Choose(port - 1);
    ASSERT_EQ(form->CmbPORT.Text(), "PORT" + std::to_string(port))
        << (messages.shown.empty() ? "" : messages.shown.back());
    if (effect >= 0) form->CmbFunc.Choose(effect);
  }

  // A click refused with `says`: on sign port `port` with catalogue entry
  // `effect` (-1: none chosen), `text` in `field` and the first row clicked.
  struct Refusal {
    int port, effect;
    TextField* field;
    const char* text;
    Button* button;
    const char* says;
  };

  // Each refusal is said whole, once, and nothing goes to the line or the file.
  void ExpectRefusals(std::initializer_list<Refusal> cases) {
    for (const Refusal& c : cases) {
      ChoosePort(c.port, c.effect);
      if (c.field) c.field->SetText(c.text);
      form->DataGrid.ClickRow(0);
      c.button->SetEnabled(true);  // as a button left enabled before would be
      const std::string file = Rows(kStoredListsSql);
      const std::size_t writes = serial.writes.size();
      messages.shown.clear();
      c.button->PerformClick();
      ASSERT_EQ(messages.shown.size(), 1u) << c.says;
      EXPECT_EQ(messages.shown[0], c.says);
      EXPECT_EQ(serial.writes.size(), writes) << c.says;
      EXPECT_EQ(Rows(kStoredListsSql), file) << c.says;
    }
  }

  // What the grid shows in its first column, e.g. "1,2,3".
  std::string GridStts() const {
    std::string out;
    for (int r = 0; r < form->DataGrid.Rows(); ++r) out += (r ? "," : "") + form->DataGrid.CellText(r, 0);
    return out;
  }
};

}  // namespace zl::test
