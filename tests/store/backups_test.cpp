// Copies of Data.mdb before New and before each day's first change: taken
// before the change, the newest twenty kept, a failure reported without the
// change being stopped, and a copy that gives every list back when put in
// Data.mdb's place.
#include "store/backups.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"
#include "support/unwritable.h"

namespace zl::test {
namespace {

namespace fs = std::filesystem;

constexpr std::time_t kDay = 24 * 60 * 60;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// The copies in `dir`, oldest first.
std::vector<std::string> Copies(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().filename().string().rfind("Data-", 0) == 0) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class BackupFolder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tmp_.isValid()); }
  fs::path Dir() const { return fs::path(tmp_.path().toStdString()) / "backups"; }
  // A copy that just writes `bytes`.
  std::function<void(const std::string&)> Writing(const std::string& bytes) {
    return [bytes](const std::string& path) { Write(path, bytes); };
  }
  QTemporaryDir tmp_;
  std::time_t now_ = 1796126400;  // 2026-12-01, midday UTC
};

TEST_F(BackupFolder, OneCopyADayUnlessAskedAndTheDayIsReadBackFromTheFolder) {
  Backups b(Dir().string());
  EXPECT_TRUE(b.DueToday(now_));
  ASSERT_FALSE(b.Take(now_, Writing("first")));
  EXPECT_FALSE(b.DueToday(now_ + 60));
  EXPECT_TRUE(b.DueToday(now_ + kDay));
  // The same second twice: both kept, under names of their own.
  ASSERT_FALSE(b.Take(now_, Writing("second")));
  const auto names = Copies(Dir());
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(Read(Dir() / names[0]) + Read(Dir() / names[1]), "secondfirst") << names[0] << " " << names[1];

  // A new start of the program finds today's copy.
  Backups restarted(Dir().string());
  EXPECT_FALSE(restarted.DueToday(now_ + 3600));
  EXPECT_TRUE(restarted.DueToday(now_ + kDay));
}

TEST_F(BackupFolder, KeepsTheNewestTwentyAndNothingElseIsTouched) {
  Backups b(Dir().string());
  fs::create_directories(Dir());
  Write(Dir() / "notes.txt", "mine");
  Write(Dir() / "Data-old.mdb", "mine too");
  for (int i = 0; i < 25; ++i) ASSERT_FALSE(b.Take(now_ + i * 3600, Writing(std::to_string(i))));
  const auto names = Copies(Dir());
  ASSERT_EQ(names.size(), 21u);  // twenty copies and "Data-old.mdb"
  std::vector<std::string> kept;
  for (const auto& n : names)
    if (n != "Data-old.mdb") kept.push_back(Read(Dir() / n));
  EXPECT_EQ(kept.front(), "5");
  EXPECT_EQ(kept.back(), "24");
  EXPECT_EQ(Read(Dir() / "notes.txt"), "mine");
}

TEST_F(BackupFolder, AFailedCopyLeavesNoTraceSaysWhyOnceADayAndHarmsNoEarlierCopy) {
  Backups b(Dir().string());
  ASSERT_FALSE(b.Take(now_ - kDay, Writing("yesterday")));
  const auto before = Copies(Dir());
  const auto why = b.Take(now_, [](const std::string& path) {
    Write(path, "half");
    throw std::runtime_error("disk full");
  });
  ASSERT_TRUE(why);
  EXPECT_NE(why->find("disk full"), std::string::npos) << *why;
  EXPECT_EQ(Copies(Dir()), before);
  EXPECT_EQ(Read(Dir() / before[0]), "yesterday");
  EXPECT_FALSE(b.DueToday(now_));

  // A file where the folder should be.
  Backups blocked((Dir() / "notes.txt").string());
  Write(Dir() / "notes.txt", "mine");
  EXPECT_TRUE(blocked.Take(now_, Writing("x")));
  EXPECT_EQ(Read(Dir() / "notes.txt"), "mine");
}

// ---- Through the window ----

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
    return QueryRows(path, "SELECT 1, rowid, * FROM PORT1 UNION ALL SELECT 2, rowid, * FROM PORT2"
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
