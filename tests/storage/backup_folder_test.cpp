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
  void SetUp() override {
    // Under a Vietnamese user name: the folder's name is UTF-8 throughout.
    root_ = fs::temp_directory_path() / PathFromUtf8("zl-backups-Nguyễn-" + std::to_string(std::random_device()()));
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path Dir() const { return root_ / "backups"; }
  // A copy that just writes `bytes`.
  std::function<void(const std::string&)> Writing(const std::string& bytes) {
    return [bytes](const std::string& path) { Write(PathFromUtf8(path), bytes); };
  }
  fs::path root_;
  std::time_t now_ = 1796126400;  // 2026-12-01, midday UTC
};

TEST_F(BackupFolder, OneCopyADayUnlessAskedAndTheDayIsReadBackFromTheFolder) {
  Backups b(PathToUtf8(Dir()));
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
  Backups restarted(PathToUtf8(Dir()));
  EXPECT_FALSE(restarted.DueToday(now_ + 3600));
  EXPECT_TRUE(restarted.DueToday(now_ + kDay));
}

TEST_F(BackupFolder, KeepsTheNewestTwentyAndNothingElseIsTouched) {
  Backups b(PathToUtf8(Dir()));
  fs::create_directories(Dir());
  Write(Dir() / "notes.txt", "mine");
  // Names that only look like the program's copies, older than every copy.
  const std::vector<std::string> mine = {"Data-old.mdb",
                                         "Data-2026-11-01_12-00-+1.mdb",
                                         "Data-2026-11-01_12-00- 1.mdb",
                                         "Data-2026-11-01_12-00-00.+3.mdb",
                                         "Data-2026-11-01_12-00-00. 3.mdb",
                                         "Data-2026-11-01_12-00-00.99999999999.mdb"};
  for (const auto& n : mine) Write(Dir() / n, "mine too");
  for (int i = 0; i < 25; ++i) ASSERT_FALSE(b.Take(now_ + i * 3600, Writing(std::to_string(i))));
  const auto names = Copies(Dir());
  ASSERT_EQ(names.size(), 20u + mine.size());
  std::vector<std::string> kept;
  for (const auto& n : names)
    if (std::find(mine.begin(), mine.end(), n) == mine.end()) kept.push_back(Read(Dir() / n));
  EXPECT_EQ(kept.front(), "5");
  EXPECT_EQ(kept.back(), "24");
  for (const auto& n : mine) EXPECT_EQ(Read(Dir() / n), "mine too") << n;
  EXPECT_EQ(Read(Dir() / "notes.txt"), "mine");
}

TEST_F(BackupFolder, AFailedCopyLeavesNoTraceSaysWhyOnceADayAndHarmsNoEarlierCopy) {
  Backups b(PathToUtf8(Dir()));
  ASSERT_FALSE(b.Take(now_ - kDay, Writing("yesterday")));
  const auto before = Copies(Dir());
  const auto why = b.Take(now_, [](const std::string& path) {
    Write(PathFromUtf8(path), "half");
    throw std::runtime_error("disk full");
  });
  ASSERT_TRUE(why);
  EXPECT_NE(why->find("disk full"), std::string::npos) << *why;
  EXPECT_EQ(Copies(Dir()), before);
  EXPECT_EQ(Read(Dir() / before[0]), "yesterday");
  EXPECT_FALSE(b.DueToday(now_));

  // A file where the folder should be.
  Backups blocked(PathToUtf8(Dir() / "notes.txt"));
  Write(Dir() / "notes.txt", "mine");
  EXPECT_TRUE(blocked.Take(now_, Writing("x")));
  EXPECT_EQ(Read(Dir() / "notes.txt"), "mine");
}

}  // namespace
}  // namespace zl
