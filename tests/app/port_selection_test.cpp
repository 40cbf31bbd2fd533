#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"
#include "text/cp1252.h"

namespace zl::test {
namespace {

// Port 1 empty (capacity 40); port 2 stored as 2, 1, 3 with an empty
// capacity value; port 3 at the highest number without a capacity row.
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

const std::vector<std::string> kShow = {"07 Seven", "12 Twelve", "3 Three", "Cho\xEFn kie\xE5u hie\xE4u \xF6\xF9ng ?",
                                        "-1 Minus"};
const std::vector<std::string> kBorder = {"01 Border one", "02 Border two"};

TEST_F(PortSelection, EachChoiceShowsThatPortsListCapacityAndCatalogue) {
  struct Case {
    int port;
    const char* grid;
    bool rows;             // SEND on, capacity locked
    const char* capacity;  // an empty or missing value keeps the field's text
    const std::vector<std::string>& catalogue;
  };
  const Case cases[] = {{2, "1,2,3", true, "?", kShow},
                        {3, "32767", true, "?", kBorder},
                        {1, "", false, "40", kShow},
                        {3, "32767", true, "40", kBorder},
                        {1, "", false, "40", kShow}};
  FrmForm& f = *form;
  for (const Case& c : cases) {
    if (f.CmbFunc.ListCount() > 0) ChooseEffect(0);  // ADD and TEST on, an entry shown
    ChoosePort(c.port);
    SCOPED_TRACE(c.port);
    EXPECT_EQ(GridStts(), c.grid);
    EXPECT_EQ(f.CmdSEND.Enabled(), c.rows);
    EXPECT_EQ(f.TxtMaxport.Enabled(), !c.rows);
    EXPECT_EQ(f.TxtMaxport.Text(), c.capacity);
    EXPECT_EQ(f.TxtB.Text(), c.capacity);
    EXPECT_EQ(f.CmbFunc.Items(), c.catalogue);
    EXPECT_TRUE(f.CmbFunc.Enabled());
    EXPECT_EQ(f.CmbFunc.Text(), Utf8ToCp1252("Choïn kieåu hieäu öùng ?"));
    EXPECT_TRUE(f.CmdMaxport.Enabled());
    EXPECT_FALSE(f.CmdAdd.Enabled());
    EXPECT_FALSE(f.CmdTest.Enabled());
  }
  // A list at the highest number takes no more rows.
  ChoosePort(3);
  const std::string before = Rows("SELECT * FROM PORT3");
  ChooseEffect(0);
  form->CmdAdd.PerformClick();
  EXPECT_EQ(Rows("SELECT * FROM PORT3"), before);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("32767"), std::string::npos);
}

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

}  // namespace
}  // namespace zl::test
