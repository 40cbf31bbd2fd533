// The backups folder: one copy a day unless asked, the newest twenty kept,
// nothing else touched, and a failed copy that leaves no trace.
#include "storage/backups.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/files.h"
#include "text/paths.h"

namespace zl {
namespace {

namespace fs = std::filesystem;
using test::Copies;
using test::Read;
using test::Write;

constexpr std::time_t kDay = 24 * 60 * 60;

class BackupFolder : public ::testing::Test {
 protected:
  // Under a Vietnamese user name: the folder's name is UTF-8 throughout.
  void TearDown() override { fs::remove_all(root_); }
  static std::function<void(const std::string&)> Writing(const std::string& bytes) {
    return [bytes](const std::string& path) { Write(PathFromUtf8(path), bytes); };
  }
  fs::path root_ =
      fs::temp_directory_path() / PathFromUtf8("zl-backups-Nguyễn-" + std::to_string(std::random_device()()));
  fs::path dir_ = root_ / "backups";
  Backups b_{PathToUtf8(dir_)};
  std::time_t now_ = 1796126400;  // 2026-12-01, midday UTC
};

TEST_F(BackupFolder, KeepsTheNewestTwentyAndNothingElseIsTouched) {
  // Names that only look like the program's copies, older than every copy.
  const std::vector<std::string> mine = {"notes.txt", "Data-old.mdb", "Data-2026-11-01_12-00-+1.mdb",
                                         "Data-2026-11-01_12-00-00. 3.mdb", "Data-2026-11-01_12-00-00.99999999999.mdb"};
  for (const auto& n : mine) Write(dir_ / n, "mine");
  // Two in the same second are both kept, the second named ".2" (sorting
  // first); the oldest go by time, not by name.
  for (int i = 0; i < 25; ++i) ASSERT_FALSE(b_.Take(now_ + i / 2 * 3600, Writing(std::to_string(i))));
  std::string kept;
  for (const auto& n : Copies(dir_)) kept += Read(dir_ / n) + " ";
  EXPECT_EQ(kept, "mine mine mine 5 7 6 9 8 11 10 13 12 15 14 17 16 19 18 21 20 23 22 24 mine ");
  EXPECT_EQ(Read(dir_ / "notes.txt"), "mine");
}

TEST_F(BackupFolder, AFailedCopyLeavesNoTraceSaysWhyOnceADayAndHarmsNoEarlierCopy) {
  ASSERT_FALSE(b_.Take(now_ - kDay, Writing("yesterday")));
  const auto before = Copies(dir_);
  const auto why = b_.Take(now_, [](const std::string& path) {
    Write(PathFromUtf8(path), "half");
    throw std::runtime_error("disk full");
  });
  ASSERT_TRUE(why);
  EXPECT_NE(why->find("disk full"), std::string::npos) << *why;
  EXPECT_EQ(Copies(dir_), before);
  EXPECT_EQ(Read(dir_ / before[0]), "yesterday");
  EXPECT_FALSE(b_.DueToday(now_));
  // A new start of the program reads the day of the newest copy back.
  ASSERT_FALSE(b_.Take(now_, Writing("today")));
  Backups restarted(PathToUtf8(dir_));
  EXPECT_FALSE(restarted.DueToday(now_ + 3600));
  EXPECT_TRUE(restarted.DueToday(now_ + kDay));

  // A file where the folder should be.
  Write(dir_ / "notes.txt", "mine");
  EXPECT_TRUE(Backups(PathToUtf8(dir_ / "notes.txt")).Take(now_, Writing("x")));
  EXPECT_EQ(Read(dir_ / "notes.txt"), "mine");
}

}  // namespace
}  // namespace zl
