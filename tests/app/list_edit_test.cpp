// List editing, and the changes a refusing file rolls back, are proven by
// RandomOperator; here are the messages of its refusals, and files written
// elsewhere or by earlier versions.
#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

// Port 1 repeats numbers at the top (a file written elsewhere), port 2 is
// numbered 1 to 5 (codes 11 to 15), port 3 ends at the highest number.
class ListEdit : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT1 VALUES (32766, 1, 'p', 5, 1, 1, 30), (32767, 2, 'q', 5, 1, 1, 30),"
           " (32767, 3, 'r', 5, 1, 1, 30), (32767, 4, 's', 5, 1, 1, 30);\n"
           "INSERT INTO PORT2 VALUES (1, 11, 'a', 5, 1, 1, 30), (2, 12, 'b', 5, 1, 1, 30),"
           " (3, 13, 'c', 5, 1, 1, 30), (4, 14, 'd', 5, 1, 1, 30), (5, 15, 'e', 5, 1, 1, 30);\n"
           "INSERT INTO PORT3 VALUES (32767, 1, 'x', 5, 1, 1, 20);\n";
  }
};

TEST_F(ListEdit, RefusalsSayWhyAndChangeNothing) {
  FrmForm& f = *form;
  ExpectRefusals({
      {2, 0, &f.TxtLoop, "", &f.CmdAdd, "Loop \"\" is not a whole number from -32768 to 32767; nothing was added."},
      {2, 0, &f.TxtDelay, "300", &f.CmdAdd, "Time 300 does not fit one byte (0 to 255); nothing was added."},
      {2, 3, nullptr, "", &f.CmdAdd, "The effect \"Chọn kiểu hiệu ứng ?\" has no effect code; nothing was added."},
      {2, 4, nullptr, "", &f.CmdAdd, "The effect code -1 does not fit one byte (0 to 255); nothing was added."},
      {3, 0, nullptr, "", &f.CmdAdd, "The list already holds the highest number (32767); nothing was added."},
      // Closing the gap would carry the last row past 32767.
      {1, 0, nullptr, "", &f.CmdDEL, "The rows behind it would be numbered beyond 32767; nothing was deleted."},
  });
}

// Files written elsewhere or by earlier versions, as the window finds them.

// A file from before the lists were indexed.
class UnindexedFile : public FormTest {
  std::string ExtraSql() const override {
    return "DROP INDEX PORT1_STT; DROP INDEX PORT2_STT; DROP INDEX PORT3_STT;\n";
  }
};

TEST_F(UnindexedFile, GetsANonUniqueIndexOnEachListAtStartUp) {
  const char* indexes = "SELECT name FROM sqlite_master WHERE type='index' AND sql LIKE '%(STT)' ORDER BY name";
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
  EXPECT_EQ(messages.shown[0], "Error 1: no such table: PORT2");
  EXPECT_EQ(form->CmbPORT.Text(), "PORT ?");
  ChoosePort(1);  // the program goes on
  EXPECT_EQ(form->CmbFunc.ListCount(), 0);
  // Without its catalogue, port 3 is not chosen at all.
  form->CmbPORT.Choose(2);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_NE(messages.shown[1].find("FuncBoder"), std::string::npos);
  EXPECT_EQ(form->CmbPORT.Text() + " " + GridStts(), "PORT1 ");
}

}  // namespace
}  // namespace zl::test
