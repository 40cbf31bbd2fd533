#include <gtest/gtest.h>

#include <ostream>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

constexpr int kNone = -2;  // no click, no keyboard move

// Port 1 empty, port 2 numbered 1 to 5 (a to e, codes 11 to 15), port 3
// numbered 1, 2, 4 (x, y, z).
class ListEdit : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT2 VALUES (1, 11, 'a', 5, 1, 1, 30), (2, 12, 'b', 5, 1, 1, 30),"
           " (3, 13, 'c', 5, 1, 1, 30), (4, 14, 'd', 5, 1, 1, 30), (5, 15, 'e', 5, 1, 1, 30);\n"
           "INSERT INTO PORT3 VALUES (1, 1, 'x', 5, 1, 1, 20), (2, 2, 'y', 5, 1, 1, 20),"
           " (4, 4, 'z', 5, 1, 1, 20);\n" +
           MoreSql();
  }
  virtual std::string MoreSql() const { return {}; }

  // A port's list as the file holds it, "STT:name" in list order.
  std::string List(int port) const {
    std::string rows = Rows("SELECT STT, NameFunc FROM PORT" + std::to_string(port) + " ORDER BY STT");
    for (char& c : rows) c = c == '|' ? ':' : c == '\n' ? ',' : c;
    if (!rows.empty()) rows.pop_back();
    return rows;
  }
  // The grid the same way; `mark` puts '*' before the current row.
  std::string Grid(bool mark = false) const {
    std::string out;
    for (int r = 0; r < form->DataGrid.Rows(); ++r)
      out += (r ? "," : "") + std::string(mark && r == form->DataGrid.Row() ? "*" : "") +
             form->DataGrid.CellText(r, 0) + ":" + form->DataGrid.CellText(r, 1);
    return out;
  }
  // "1:a,*2:b | DUN": the grid with its current row and the edit buttons,
  // or the mismatch when the grid does not show what the file holds.
  std::string State(int port) const {
    if (Grid() != List(port)) return "grid " + Grid() + " != file " + List(port);
    return Grid(true) + " | " + EditButtons();
  }

  // Per step: pick the port, click a grid row, move by keyboard, press a
  // button, then compare State.
  struct Step {
    int port, click, key;
    Button FrmForm::*button;
    const char* state;
  };
  void Run(std::initializer_list<Step> steps) {
    int n = 0;
    for (const Step& s : steps) {
      if (form->CmbPORT.Text() != "PORT" + std::to_string(s.port)) ChoosePort(s.port);
      if (s.click != kNone) ClickRow(s.click);
      if (s.key != kNone) form->DataGrid.KeyToRow(s.key);
      if (s.button) ((*form).*s.button).PerformClick();
      EXPECT_EQ(State(s.port), s.state) << "step " << n++;
    }
  }
};

TEST_F(ListEdit, AddAppendsUnderTheNextNumberEnablesSendingAndResetsTheEditButtons) {
  ChoosePort(1);
  ChooseEffect(1);  // "12 Twelve"
  form->TxtLoop.SetText(" 03 ");
  form->CmdAdd.PerformClick();
  EXPECT_EQ(Rows("SELECT * FROM PORT1"), "1|12|12 Twelve|5|3|1|40\n");
  EXPECT_EQ(State(1), "*1:12 Twelve | ---");
  EXPECT_TRUE(form->CmdSEND.Enabled());
  EXPECT_FALSE(form->TxtMaxport.Enabled());
  ClickRow(0);
  EXPECT_EQ(EditButtons(), "D--");  // the only row
  ChooseEffect(2);                  // "  3 Three  " in the catalogue
  form->CmdAdd.PerformClick();
  EXPECT_EQ(State(1), "1:12 Twelve,*2:3 Three | ---");
  EXPECT_TRUE(messages.shown.empty());
  // After a delete the new row leaves a gap; the edit buttons go off.
  Run({{2, 1, kNone, &FrmForm::CmdDEL, "*1:a,2:c,3:d,4:e | ---"}, {2, 1, kNone, nullptr, "1:a,*2:c,3:d,4:e | DUN"}});
  ChooseEffect(0);
  form->CmdAdd.PerformClick();
  EXPECT_EQ(State(2), "1:a,2:c,3:d,4:e,*6:07 Seven | ---");
}

TEST_F(ListEdit, AddRefusesWhatCannotBeStoredOrSentAndStoresNothing) {
  ChoosePort(1);
  struct Case {
    int effect;
    TextField FrmForm::*field;
    const char* text;
    const char* says = "";
  };
  // The no-code entry's VNI text reaches the operator decoded.
  const Case cases[] = {{0, &FrmForm::TxtLoop, ""},
                        {0, &FrmForm::TxtDelay, "99999"},
                        {0, &FrmForm::TxtA, "1 2"},
                        {0, &FrmForm::TxtB, "?"},
                        {0, &FrmForm::TxtLoop, "300"},
                        {0, &FrmForm::TxtB, "256"},
                        {0, &FrmForm::TxtDelay, "-1"},
                        {3, nullptr, "", "\"Chọn kiểu hiệu ứng ?\" has no effect code"},
                        {4, nullptr, ""}};  // "-1 Minus": a code below 0 cannot be sent
  for (const Case& c : cases) {
    ChooseEffect(c.effect);
    if (c.field) ((*form).*c.field).SetText(c.text);
    messages.shown.clear();
    form->CmdAdd.PerformClick();
    ASSERT_EQ(messages.shown.size(), 1u) << c.effect << " " << c.text;
    EXPECT_NE(messages.shown[0].find(c.says), std::string::npos) << messages.shown[0];
  }
  EXPECT_EQ(Rows("SELECT * FROM PORT1"), "");
  EXPECT_FALSE(form->CmdSEND.Enabled());
  // Start and End go out as one byte on sign port 2 too, but not on 3.
  form->CmbPORT.Choose(1);
  ChooseEffect(0);
  form->TxtA.SetText("256");
  form->CmdAdd.PerformClick();
  EXPECT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(List(2), "1:a,2:b,3:c,4:d,5:e");
  form->CmbPORT.Choose(2);
  ChooseEffect(1);
  form->TxtA.SetText("300");
  form->CmdAdd.PerformClick();
  EXPECT_EQ(Rows("SELECT * FROM PORT3 WHERE STT=5"), "5|2|02 Border two|5|1|300|20\n");
}

TEST_F(ListEdit, BeforeAnyPortAGridClickChangesNothingAndNewKeepsThePlaceholder) {
  Load();
  const int rows = form->DataGrid.Rows();
  form->CmdDEL.SetEnabled(true);
  ClickRow(0);
  EXPECT_EQ(EditButtons(), "D--");
  form->MnuNew.PerformClick();
  EXPECT_EQ(List(2), "");
  EXPECT_EQ(form->DataGrid.Rows(), rows);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListEdit, DeleteRenumbersTheRowsBehindInListOrder) {
  Run({// b and c exchange numbers, so the file's order is no longer the list's.
       {2, 1, kNone, &FrmForm::CmdDOWN, "1:a,2:c,*3:b,4:d,5:e | DUN"},
       {2, 0, kNone, &FrmForm::CmdDEL, "*1:c,2:b,3:d,4:e | ---"},
       {2, 3, kNone, &FrmForm::CmdDEL, "*1:c,2:b,3:d | ---"},  // the highest: nothing to renumber
       {3, 0, kNone, &FrmForm::CmdDEL, "*1:y,2:z | ---"},      // every gap behind closes
       {3, 0, kNone, &FrmForm::CmdDEL, "*1:z | ---"}});
  EXPECT_TRUE(form->CmdSEND.Enabled());
  EXPECT_FALSE(form->TxtMaxport.Enabled());
  Run({{3, 0, kNone, &FrmForm::CmdDEL, " | ---"}});
  EXPECT_FALSE(form->CmdSEND.Enabled());
  EXPECT_TRUE(form->TxtMaxport.Enabled());
  // A stale DEL: port 3 was chosen since the click on port 2.
  Run({{2, 0, kNone, nullptr, "*1:c,2:b,3:d | D-N"},
       {3, kNone, kNone, nullptr, " | D-N"},
       {3, kNone, kNone, &FrmForm::CmdDEL, " | ---"}});
  EXPECT_EQ(List(2), "1:c,2:b,3:d");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListEdit, UpAndDownExchangeNumbersWithTheNeighbour) {
  Run({{2, 2, kNone, &FrmForm::CmdUP, "1:a,*2:c,3:b,4:d,5:e | DUN"},
       {2, kNone, kNone, &FrmForm::CmdUP, "*1:c,2:a,3:b,4:d,5:e | D-N"},
       {2, 3, kNone, &FrmForm::CmdDOWN, "1:c,2:a,3:b,4:e,*5:d | DU-"},
       // Stale buttons at the ends change nothing.
       {2, 2, 0, &FrmForm::CmdUP, "*1:c,2:a,3:b,4:e,5:d | D-N"},
       {2, kNone, 4, &FrmForm::CmdDOWN, "1:c,2:a,3:b,4:e,*5:d | DU-"},
       // Across a gap only the moved row is renumbered; the row at its
       // position becomes current.
       {3, 1, kNone, &FrmForm::CmdDOWN, "1:x,3:y,*4:z | DU-"},
       {3, 1, kNone, &FrmForm::CmdUP, "1:x,*2:y,4:z | DUN"}});
  EXPECT_TRUE(messages.shown.empty());
}

// A trigger fails one statement in the middle of a change.
struct Failure {
  const char* name;
  const char* trigger;
  int row;
  void (*act)(FrmForm&);
  const char* reason;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class ListEditFailure : public ListEdit, public ::testing::WithParamInterface<Failure> {
  std::string MoreSql() const override { return GetParam().trigger; }
};

TEST_P(ListEditFailure, LeavesEveryListAsItWasSaysWhyAndGoesOn) {
  ChoosePort(2);
  const char* all =
      "SELECT 1, rowid, * FROM PORT1 UNION ALL SELECT 2, rowid, * FROM PORT2"
      " UNION ALL SELECT 3, rowid, * FROM PORT3";
  const std::string before = Rows(all);
  if (GetParam().row != kNone) ClickRow(GetParam().row);
  GetParam().act(*form);
  EXPECT_EQ(Rows(all), before);
  EXPECT_EQ(Grid(), "1:a,2:b,3:c,4:d,5:e");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find(GetParam().reason), std::string::npos) << messages.shown[0];
  EXPECT_TRUE(form->CmbFunc.Enabled());  // no reset after a failure
  ClickRow(4);
  form->CmdDEL.PerformClick();
  EXPECT_EQ(List(2), "1:a,2:b,3:c,4:d");
}

// Numbers repeated near the top (a file written elsewhere): closing the gap
// would carry the last row past 32767, so the delete is undone.
class RepeatedNumbers : public ListEdit {
  std::string MoreSql() const override {
    return "INSERT INTO PORT1 VALUES (32766, 1, 'p', 5, 1, 1, 30), (32767, 2, 'q', 5, 1, 1, 30),"
           " (32767, 3, 'r', 5, 1, 1, 30), (32767, 4, 's', 5, 1, 1, 30);\n";
  }
};

TEST_F(RepeatedNumbers, ADeleteThatWouldNumberPast32767IsRefused) {
  ChoosePort(1);
  const std::string before = Rows("SELECT rowid, * FROM PORT1");
  ClickRow(0);
  form->CmdDEL.PerformClick();
  EXPECT_EQ(Rows("SELECT rowid, * FROM PORT1"), before);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("beyond 32767; nothing was deleted"), std::string::npos) << messages.shown[0];
  EXPECT_EQ(Grid(), List(1));
  // Behind the last of three equal numbers there is room.
  ClickRow(1);
  form->CmdDEL.PerformClick();
  EXPECT_EQ(List(1), "32766:p,32767:r,32767:s");
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ListEditFailure,
    ::testing::Values(
        // DEL of number 2: renumbering 3 succeeds, 4 fails.
        Failure{"Delete",
                "CREATE TRIGGER t BEFORE UPDATE ON PORT2 WHEN NEW.STT = 3"
                " BEGIN SELECT RAISE(ABORT, 'disk full'); END;\n",
                1, [](FrmForm& f) { f.CmdDEL.PerformClick(); }, "disk full"},
        // UP: the neighbour's update succeeds, the moved row's fails.
        Failure{"Up",
                "CREATE TRIGGER t BEFORE UPDATE ON PORT2 WHEN OLD.CodeFunc = 13"
                " BEGIN SELECT RAISE(ABORT, 'locked'); END;\n",
                2, [](FrmForm& f) { f.CmdUP.PerformClick(); }, "locked"},
        // New: PORT1 and PORT2 are emptied, PORT3 refuses.
        Failure{"New", "CREATE TRIGGER t BEFORE DELETE ON PORT3 BEGIN SELECT RAISE(ABORT, 'read-only'); END;\n", kNone,
                [](FrmForm& f) { f.MnuNew.PerformClick(); }, "read-only"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zl::test
