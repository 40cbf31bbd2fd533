// Copies of Data.mdb through the window: before New and before each day's
// first change, a failure reported without the change being stopped, and a
// copy that gives every list back when put in Data.mdb's place. The folder's
// own rules are in backup_folder_test.cpp.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <filesystem>

#include "support/catalogue_sql.h"
#include "support/files.h"
#include "support/form_fixture.h"
#include "support/unwritable.h"

namespace zl::test {
namespace {

namespace fs = std::filesystem;

constexpr std::time_t kDay = 24 * 60 * 60;

class WindowBackups : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT1 VALUES (1, 7, 'p', 5, 1, 1, 40), (3, 12, 'q', 9, 2, 4, 38);\n"
           "INSERT INTO PORT2 VALUES (1, 11, 'a', 5, 1, 1, 30), (2, 12, 'b', 5, 1, 1, 30);\n"
           "INSERT INTO PORT3 VALUES (2, 2, 'y', 5, 1, 1, 20), (2, 1, 'x', 5, 1, 1, 20);\n";
  }
  fs::path Folder() const { return fs::path(dir) / "backups"; }
  static std::string Lists(const std::string& path) {
    return QueryRows(path,
                     "SELECT 1, rowid, * FROM PORT1 UNION ALL SELECT 2, rowid, * FROM PORT2"
                     " UNION ALL SELECT 3, rowid, * FROM PORT3"
                     " UNION ALL SELECT 4, rowid, Port, MaxValue, 0, 0, 0, 0, 0 FROM MaxPort");
  }
};

TEST_F(WindowBackups, NewIsBackedUpFirstAndTheCopyPutBackGivesEveryListBackExactly) {
  ChoosePort(2);
  const std::string lists = Lists(db_path);
  form->MnuNew.PerformClick();
  ASSERT_EQ(Rows("SELECT count(*) FROM PORT1"), "0\n");
  const auto copies = Copies(Folder());
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_TRUE(messages.shown.empty()) << messages.shown[0];

  // Put back as the README says: the program closed, the copy over Data.mdb.
  form->MnuExit.PerformClick();
  form.reset();
  db.reset();
  ASSERT_TRUE(QFile::remove(QString::fromStdString(db_path)));
  ASSERT_TRUE(QFile::copy(QString::fromStdString((Folder() / copies[0]).string()), QString::fromStdString(db_path)));
  EXPECT_EQ(Lists(db_path), lists);
  db = MakeSqliteDatabase();
  form = std::make_unique<FrmForm>(Services{*db, serial, messages, toolkit});
  ChoosePort(3);
  EXPECT_EQ(GridStts(), "2,2");
  EXPECT_EQ(Lists(db_path), lists);
}

TEST_F(WindowBackups, TheDaysFirstChangeIsBackedUpBeforeItAndOnlyItNewAlways) {
  ChoosePort(1);
  ChooseEffect(0);
  form->CmdAdd.PerformClick();
  auto copies = Copies(Folder());
  ASSERT_EQ(copies.size(), 1u);
  // Made before the change: the added row is not in it.
  EXPECT_EQ(QueryRows((Folder() / copies[0]).string(), "SELECT count(*) FROM PORT1"), "2\n");
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT1"), "3\n");

  ClickRow(0);
  form->CmdDEL.PerformClick();
  form->CmdAdd.PerformClick();
  EXPECT_EQ(Copies(Folder()).size(), 1u);

  toolkit.now += kDay;
  const char* list = "SELECT STT, NameFunc FROM PORT1 ORDER BY STT";
  const std::string before = Rows(list);
  ClickRow(1);
  form->CmdUP.PerformClick();
  ASSERT_NE(Rows(list), before);
  copies = Copies(Folder());
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(QueryRows((Folder() / copies[1]).string(), list), before);
  form->MnuNew.PerformClick();
  form->MnuNew.PerformClick();
  EXPECT_EQ(Copies(Folder()).size(), 4u);
  EXPECT_TRUE(messages.shown.empty()) << messages.shown[0];
}

TEST_F(WindowBackups, ACopyThatCannotBeMadeIsReportedOnceAndTheChangeGoesAhead) {
  fs::create_directories(Folder());
  Write(Folder() / "Data-2026-11-30_09-00-00.mdb", "an earlier copy");
  Unwritable locked(Folder().string());
  if (!locked.Ok()) GTEST_SKIP() << "cannot make a folder unwritable here";
  ChoosePort(2);
  ChooseEffect(0);
  form->CmdAdd.PerformClick();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("could not be backed up"), std::string::npos) << messages.shown[0];
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT2"), "3\n");
  form->CmdAdd.PerformClick();  // once a day, not at every change
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT2"), "4\n");
  EXPECT_EQ(Read(Folder() / "Data-2026-11-30_09-00-00.mdb"), "an earlier copy");
  EXPECT_EQ(Copies(Folder()).size(), 1u);
}

}  // namespace
}  // namespace zl::test
