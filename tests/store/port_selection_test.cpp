#include <gtest/gtest.h>

#include "platform/cp1252.h"
#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

class PortSelection : public FormTest {
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT2 VALUES (2, 12, 'b', 5, 1, 1, 30), (1, 7, 'a', 5, 1, 1, 30),"
           " (3, 7, 'c', 5, 1, 1, 30);\n"
           "INSERT INTO PORT3 VALUES (32767, 1, 'x', 5, 1, 1, 20);\n"
           "DELETE FROM MaxPort WHERE Port=3;\n"
           "UPDATE MaxPort SET MaxValue=NULL WHERE Port=2;\n";
  }
};

TEST_F(PortSelection, AnEmptyListAllowsEditingTheCapacityButNotSending) {
  ChoosePort(1);
  FrmForm& f = *form;
  EXPECT_EQ(f.DataGrid.Rows(), 0);
  EXPECT_EQ(f.NextStt, 1);
  EXPECT_FALSE(f.CmdSEND.Enabled());
  EXPECT_TRUE(f.TxtMaxport.Enabled());
  EXPECT_EQ(f.TxtMaxport.Text(), "40");
  EXPECT_EQ(f.TxtB.Text(), "40");
  EXPECT_EQ(f.MaxByte, std::string(1, '\x28'));
  EXPECT_TRUE(f.CmdMaxport.Enabled());
  EXPECT_TRUE(f.CmbFunc.Enabled());
  EXPECT_EQ(f.CmbFunc.Text(), Utf8ToCp1252("Choïn kieåu hieäu öùng ?"));
  EXPECT_FALSE(f.CmdAdd.Enabled());
  EXPECT_FALSE(f.CmdTest.Enabled());
  EXPECT_EQ(f.SqlText, "SELECT * FROM ShowFunc");
  EXPECT_FALSE(f.Rs->IsOpen());
}

TEST_F(PortSelection, AListWithRowsIsShownInNumberOrderAndCanBeSent) {
  ChoosePort(2);
  FrmForm& f = *form;
  EXPECT_EQ(GridStts(), "1,2,3");
  EXPECT_EQ(f.DataGrid.CellText(0, 1), "a");
  EXPECT_EQ(f.NextStt, 4);
  EXPECT_TRUE(f.CmdSEND.Enabled());
  EXPECT_FALSE(f.TxtMaxport.Enabled());
  // Its capacity value is empty in the file: the field keeps its text.
  EXPECT_EQ(f.TxtMaxport.Text(), "?");
  EXPECT_EQ(f.TxtB.Text(), "?");
  EXPECT_EQ(f.MaxByte, std::string(1, '\x01'));
}

TEST_F(PortSelection, EachPortGetsItsOwnCatalogueOnceOver) {
  ChoosePort(1);
  const std::vector<std::string> show = {"07 Seven", "12 Twelve", "3 Three", "Xx no code",
                                         "-1 Minus"};
  EXPECT_EQ(form->CmbFunc.Items(), show);
  form->CmbPORT.Choose(0);
  EXPECT_EQ(form->CmbFunc.Items(), show);
  form->CmbPORT.Choose(2);
  EXPECT_EQ(form->CmbFunc.Items(), (std::vector<std::string>{"01 Border one", "02 Border two"}));
  form->CmbPORT.Choose(1);
  EXPECT_EQ(form->CmbFunc.Items(), show);
}

TEST_F(PortSelection, APortWithoutCapacityRowKeepsTheFieldsText) {
  ChoosePort(1);
  form->CmbPORT.Choose(2);
  EXPECT_EQ(form->TxtMaxport.Text(), "40");
}

TEST_F(PortSelection, APortAtTheHighestNumberCanBeChosenButTakesNoMoreRows) {
  ChoosePort(3);
  const std::string before = Rows("SELECT * FROM PORT3");
  EXPECT_FALSE(form->NextStt.has_value());
  EXPECT_EQ(GridStts(), "32767");
  ChooseEffect(0);
  form->CmdAdd.PerformClick();
  EXPECT_EQ(Rows("SELECT * FROM PORT3"), before);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("32767"), std::string::npos);
}

TEST_F(PortSelection, ChoosingThePortAgainGivesTheSameState) {
  ChoosePort(2);
  const auto next = form->NextStt;
  const std::string grid = GridStts();
  form->CmbPORT.Choose(1);
  EXPECT_EQ(form->NextStt, next);
  EXPECT_EQ(GridStts(), grid);
  EXPECT_EQ(form->CmbFunc.ListCount(), 5);
}

class EmptyCatalogue : public FormTest {
  std::string ExtraSql() const override { return "DELETE FROM ShowFunc;\n"; }
};

TEST_F(EmptyCatalogue, LeavesTheEffectListEmpty) {
  ChoosePort(1);
  EXPECT_EQ(form->CmbFunc.ListCount(), 0);
  EXPECT_EQ(form->SqlText, "SELECT * FROM ShowFunc");
  EXPECT_FALSE(form->Rs->IsOpen());
}

class MissingPortTable : public FormTest {
  std::string ExtraSql() const override { return "DROP TABLE PORT2;\n"; }
};

TEST_F(MissingPortTable, IsReportedAndTheProgramGoesOn) {
  Connect();
  form->CmbPORT.Choose(1);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("PORT2"), std::string::npos);
  EXPECT_FALSE(form->Rs && form->Rs->IsOpen());
  form->CmbPORT.Choose(0);
  EXPECT_EQ(form->PortNo, 1);
  EXPECT_TRUE(form->GridRs->IsOpen());
}

}  // namespace
}  // namespace zl::test
