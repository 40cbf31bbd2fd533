#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

// Port 1 empty, port 2 numbered 1 to 5 (codes 11 to 15), port 3 numbered
// 1, 2, 4.
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

  // Port 2's list as "STT:code" pairs in list order.
  std::string List2() const {
    std::string rows = Rows("SELECT STT, CodeFunc FROM PORT2 ORDER BY STT");
    for (char& c : rows) c = c == '|' ? ':' : c == '\n' ? ',' : c;
    if (!rows.empty()) rows.pop_back();
    return rows;
  }
};

using Add = ListEdit;

TEST_F(Add, TheFirstEffectGetsNumberOneAndEnablesSending) {
  ChoosePort(1);
  ChooseEffect(1);  // "12 Twelve"
  form->TxtLoop.SetText(" 03 ");
  form->CmdAdd.PerformClick();
  EXPECT_EQ(Rows("SELECT * FROM PORT1"), "1|12|12 Twelve|5|3|1|40\n");
  EXPECT_EQ(form->NextStt, 2);
  EXPECT_TRUE(form->CmdSEND.Enabled());
  EXPECT_FALSE(form->TxtMaxport.Enabled());
  EXPECT_EQ(GridStts(), "1");
  EXPECT_EQ(form->DataGrid.Row(), 0);
  EXPECT_TRUE(form->CmdAdd.Enabled());
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Add, TwoClicksAppendTheSameEffectUnderConsecutiveNumbersAtTheEnd) {
  ChoosePort(2);
  ClickRow(1);
  EXPECT_EQ(EditButtons(), "DUN");
  ChooseEffect(2);  // "  3 Three  ", stored trimmed
  form->CmdAdd.PerformClick();
  EXPECT_EQ(EditButtons(), "---");
  form->CmdAdd.PerformClick();
  EXPECT_EQ(Rows("SELECT STT, CodeFunc, NameFunc FROM PORT2 WHERE STT>5 ORDER BY STT"),
            "6|3|3 Three\n7|3|3 Three\n");
  EXPECT_EQ(GridStts(), "1,2,3,4,5,6,7");
  EXPECT_EQ(form->DataGrid.Row(), 6);
}

TEST_F(Add, AfterADeleteTheNewRowLeavesAGap) {
  ChoosePort(2);
  ClickRow(1);
  form->CmdDEL.PerformClick();
  ChooseEffect(0);
  form->CmdAdd.PerformClick();
  EXPECT_EQ(List2(), "1:11,2:13,3:14,4:15,6:7");
}

TEST_F(Add, RefusesWhatCannotBeStoredOrSentAndStoresNothing) {
  ChoosePort(1);
  struct Case {
    TextField* field;
    const char* text;
  };
  const Case cases[] = {{&form->TxtLoop, ""},      {&form->TxtDelay, "99999"},
                        {&form->TxtA, "1 2"},      {&form->TxtB, "?"},
                        {&form->TxtLoop, "300"},   {&form->TxtB, "256"},
                        {&form->TxtDelay, "-1"}};
  for (const Case& c : cases) {
    ChooseEffect(0);
    c.field->SetText(c.text);
    messages.shown.clear();
    form->CmdAdd.PerformClick();
    EXPECT_EQ(messages.shown.size(), 1u) << c.field->Name() << " " << c.text;
  }
  ChooseEffect(3);  // "Xx no code"
  form->CmdAdd.PerformClick();
  ChooseEffect(4);  // "-1 Minus": a code below 0 cannot be sent
  form->CmdAdd.PerformClick();
  EXPECT_EQ(messages.shown.size(), 3u);
  EXPECT_EQ(Rows("SELECT * FROM PORT1"), "");
  EXPECT_EQ(form->NextStt, 1);
  EXPECT_FALSE(form->CmdSEND.Enabled());
}

TEST_F(Add, OnSignPortThreeStartAndEndAreStoredButNeedNotFitAByte) {
  ChoosePort(3);
  ChooseEffect(1);
  form->TxtA.SetText("300");
  form->CmdAdd.PerformClick();
  EXPECT_EQ(Rows("SELECT * FROM PORT3 WHERE STT=5"), "5|2|02 Border two|5|1|300|20\n");
}

using EditButtonsTest = ListEdit;

TEST_F(EditButtonsTest, FollowTheRowsNumberAmongTheOthers) {
  ChoosePort(2);
  ClickRow(0);
  EXPECT_EQ(EditButtons(), "D-N");
  ClickRow(4);
  EXPECT_EQ(EditButtons(), "DU-");
  ClickRow(2);
  EXPECT_EQ(EditButtons(), "DUN");
  EXPECT_EQ(form->SqlText, "SELECT * FROM PORT2 WHERE STT<3");
  // Keyboard movement changes the row, not the buttons.
  form->DataGrid.KeyToRow(0);
  EXPECT_EQ(EditButtons(), "DUN");
  // A gap does not matter: 4 has a smaller number.
  form->CmbPORT.Choose(2);
  ClickRow(2);
  EXPECT_EQ(EditButtons(), "DU-");
}

TEST_F(EditButtonsTest, AnEmptyListOrTheOnlyRow) {
  ChoosePort(1);
  ClickRow(-1);
  EXPECT_EQ(EditButtons(), "---");
  ChooseEffect(0);
  form->CmdAdd.PerformClick();
  ClickRow(0);
  EXPECT_EQ(EditButtons(), "D--");
}

TEST_F(EditButtonsTest, AClickBeforeAnyPortWasChosenChangesNothing) {
  Load();
  form->CmdDEL.SetEnabled(true);
  ClickRow(0);
  EXPECT_EQ(EditButtons(), "D--");
  EXPECT_TRUE(messages.shown.empty());
}

using Delete = ListEdit;

TEST_F(Delete, RenumbersTheRowsBehindTheDeletedOne) {
  ChoosePort(2);
  ClickRow(0);
  form->CmdDEL.PerformClick();
  EXPECT_EQ(List2(), "1:12,2:13,3:14,4:15");
  EXPECT_EQ(GridStts(), "1,2,3,4");
  EXPECT_EQ(form->DataGrid.Row(), 0);
  EXPECT_EQ(EditButtons(), "---");
  EXPECT_EQ(form->NextStt, 6);
  EXPECT_TRUE(form->CmdSEND.Enabled());

  ClickRow(3);
  form->CmdDEL.PerformClick();  // the highest: nothing to renumber
  EXPECT_EQ(List2(), "1:12,2:13,3:14");
}

TEST_F(Delete, ClosesEveryGapBehindTheDeletedRow) {
  ChoosePort(3);
  ClickRow(0);
  form->CmdDEL.PerformClick();
  EXPECT_EQ(Stts(3), "1,2");
  EXPECT_EQ(Rows("SELECT CodeFunc FROM PORT3 ORDER BY STT"), "2\n4\n");
}

TEST_F(Delete, TheOnlyRowEmptiesTheList) {
  ChoosePort(1);
  ChooseEffect(0);
  form->CmdAdd.PerformClick();
  ClickRow(0);
  form->CmdDEL.PerformClick();
  EXPECT_EQ(Stts(1), "");
  EXPECT_TRUE(form->TxtMaxport.Enabled());
  EXPECT_FALSE(form->CmdSEND.Enabled());
  EXPECT_EQ(EditButtons(), "---");
}

TEST_F(Delete, AStaleButtonOnAnEmptyListChangesNothing) {
  ChoosePort(2);
  ClickRow(0);
  form->CmbPORT.Choose(0);  // port 1, empty; DEL stays enabled
  ASSERT_TRUE(form->CmdDEL.Enabled());
  form->CmdDEL.PerformClick();
  EXPECT_EQ(List2(), "1:11,2:12,3:13,4:14,5:15");
  EXPECT_EQ(EditButtons(), "---");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Delete, KeepsTheListsOrderWhenStorageOrderDiffersFromIt) {
  ChoosePort(2);
  // Move the last row to the top: storage order is now 1..5 by insertion,
  // numbers 2,3,4,5,1.
  ClickRow(4);
  for (int i = 0; i < 4; ++i) form->CmdUP.PerformClick();
  ASSERT_EQ(List2(), "1:15,2:11,3:12,4:13,5:14");
  ClickRow(0);
  form->CmdDEL.PerformClick();
  EXPECT_EQ(List2(), "1:11,2:12,3:13,4:14");
}

class DeleteFailure : public ListEdit {
  // The renumbering's second update fails.
  std::string MoreSql() const override {
    return "CREATE TRIGGER fail_renumber BEFORE UPDATE ON PORT2 WHEN NEW.STT = 3"
           " BEGIN SELECT RAISE(ABORT, 'disk full'); END;\n";
  }
};

TEST_F(DeleteFailure, LeavesTheListExactlyAsBeforeAndSaysSo) {
  ChoosePort(2);
  const std::string before = Rows("SELECT rowid, * FROM PORT2 ORDER BY rowid");
  ClickRow(1);
  form->CmdDEL.PerformClick();
  EXPECT_EQ(Rows("SELECT rowid, * FROM PORT2 ORDER BY rowid"), before);
  EXPECT_EQ(GridStts(), "1,2,3,4,5");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("disk full"), std::string::npos);
  EXPECT_FALSE(form->Rs->IsOpen());
  // The program goes on: the list can still be edited.
  ClickRow(4);
  form->CmdDEL.PerformClick();
  EXPECT_EQ(List2(), "1:11,2:12,3:13,4:14");
}

using Move = ListEdit;

TEST_F(Move, UpExchangesNumbersAndKeepsTheMovedRowCurrent) {
  ChoosePort(2);
  ClickRow(2);
  form->CmdUP.PerformClick();
  EXPECT_EQ(List2(), "1:11,2:13,3:12,4:14,5:15");
  EXPECT_EQ(form->DataGrid.Row(), 1);
  EXPECT_EQ(form->DataGrid.CellText(1, 1), "c");
  EXPECT_EQ(EditButtons(), "DUN");
  form->CmdUP.PerformClick();  // two clicks: two places
  EXPECT_EQ(List2(), "1:13,2:11,3:12,4:14,5:15");
  EXPECT_EQ(form->DataGrid.Row(), 0);
  EXPECT_EQ(EditButtons(), "D-N");
}

TEST_F(Move, DownOnTheSecondToLastMakesItTheLast) {
  ChoosePort(2);
  ClickRow(3);
  form->CmdDOWN.PerformClick();
  EXPECT_EQ(List2(), "1:11,2:12,3:13,4:15,5:14");
  EXPECT_EQ(form->DataGrid.Row(), 4);
  EXPECT_EQ(EditButtons(), "DU-");
}

TEST_F(Move, UpAcrossAGapOnlyRenumbersTheMovedRow) {
  ChoosePort(3);
  ClickRow(2);  // number 4
  form->CmdUP.PerformClick();
  EXPECT_EQ(Rows("SELECT STT, CodeFunc FROM PORT3 ORDER BY STT"), "1|1\n2|2\n3|4\n");
  EXPECT_EQ(form->DataGrid.Row(), 2);
}

TEST_F(Move, DownAcrossAGapMakesTheRowAtThatPositionCurrent) {
  ChoosePort(3);
  ClickRow(1);  // number 2
  form->CmdDOWN.PerformClick();
  EXPECT_EQ(Rows("SELECT STT, CodeFunc FROM PORT3 ORDER BY STT"), "1|1\n3|2\n4|4\n");
  // Position 2 holds the row numbered 4 now.
  EXPECT_EQ(form->DataGrid.Row(), 2);
  EXPECT_EQ(form->DataGrid.CellText(2, 0), "4");
  EXPECT_EQ(EditButtons(), "DU-");
}

TEST_F(Move, StaleButtonsAtTheEndsChangeNothing) {
  ChoosePort(2);
  ClickRow(2);
  form->DataGrid.KeyToRow(0);  // buttons stay DUN
  form->CmdUP.PerformClick();
  form->DataGrid.KeyToRow(4);
  form->CmdDOWN.PerformClick();
  EXPECT_EQ(List2(), "1:11,2:12,3:13,4:14,5:15");
  EXPECT_EQ(EditButtons(), "DU-");
  EXPECT_TRUE(messages.shown.empty());
}

class MoveFailure : public ListEdit {
  // The moved row's own update fails after the neighbour's succeeded.
  std::string MoreSql() const override {
    return "CREATE TRIGGER fail_move BEFORE UPDATE ON PORT2 WHEN OLD.CodeFunc = 13"
           " BEGIN SELECT RAISE(ABORT, 'locked'); END;\n";
  }
};

TEST_F(MoveFailure, LeavesBothRowsAsTheyWere) {
  ChoosePort(2);
  ClickRow(2);
  form->CmdUP.PerformClick();
  EXPECT_EQ(List2(), "1:11,2:12,3:13,4:14,5:15");
  EXPECT_EQ(GridStts(), "1,2,3,4,5");
  EXPECT_EQ(messages.shown.size(), 1u);
}

using NewProgram = ListEdit;

TEST_F(NewProgram, EmptiesAllThreeListsAndResetsTheEditControls) {
  ChoosePort(2);
  const std::string caps = Rows("SELECT * FROM MaxPort ORDER BY Port");
  ClickRow(1);
  ChooseEffect(0);
  form->MnuNew.PerformClick();
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT1") + Rows("SELECT count(*) FROM PORT2") +
                Rows("SELECT count(*) FROM PORT3"),
            "0\n0\n0\n");
  EXPECT_EQ(Rows("SELECT * FROM MaxPort ORDER BY Port"), caps);
  EXPECT_EQ(form->DataGrid.Rows(), 0);
  EXPECT_EQ(EditButtons(), "---");
  EXPECT_FALSE(form->CmdAdd.Enabled());
  EXPECT_FALSE(form->CmbFunc.Enabled());
  EXPECT_EQ(form->CmbPORT.Text(), "PORT ?");
  EXPECT_EQ(form->PortNo, 2);
  EXPECT_EQ(form->NextStt, 1);
  EXPECT_TRUE(form->CmbPORT.Enabled());
}

TEST_F(NewProgram, BeforeAnyPortTheGridStillShowsThePlaceholderTable) {
  Load();
  const int rows = form->DataGrid.Rows();
  form->MnuNew.PerformClick();
  EXPECT_EQ(Stts(2), "");
  EXPECT_EQ(form->DataGrid.Rows(), rows);
}

class NewProgramFailure : public ListEdit {
  std::string MoreSql() const override {
    return "CREATE TRIGGER keep_port3 BEFORE DELETE ON PORT3"
           " BEGIN SELECT RAISE(ABORT, 'read-only'); END;\n";
  }
};

TEST_F(NewProgramFailure, LeavesEveryListAsItWas) {
  ChoosePort(1);
  form->MnuNew.PerformClick();
  EXPECT_EQ(Stts(2), "1,2,3,4,5");
  EXPECT_EQ(Stts(3), "1,2,4");
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_TRUE(form->CmbFunc.Enabled());  // no reset after a failure
}

}  // namespace
}  // namespace zl::test
