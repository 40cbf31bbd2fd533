// Where Data.mdb lives: beside a program whose directory can be written, in
// the operator's own data directory for one installed where it cannot.
#include "storage/data_place.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "support/files.h"
#include "text/paths.h"

namespace zl {
namespace {

namespace fs = std::filesystem;
using test::Read;
using test::Write;

class DataPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A Vietnamese user name in every path: the names are UTF-8 throughout.
    root_ = fs::temp_directory_path() /
            PathFromUtf8("zl-data-place-Nguyễn Văn An-" + std::to_string(std::random_device()()));
    fs::create_directories(root_);
    app_ = root_ / "bin";
    user_ = root_ / "home" / "zentrel-loader";
    seed_ = root_ / "share" / "zentrel-loader" / "Data.mdb";
    fs::create_directories(app_);
  }
  void TearDown() override {
    // Windows removes no read-only file.
    for (const auto& e : fs::recursive_directory_iterator(root_))
      fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
    fs::remove_all(root_);
  }

  DataPlace Choose() {
    return ChooseDataPlace(U8(app_), U8(user_), U8(seed_),
                           [this](const std::string& dir) { return !unwritable_.count(PathFromUtf8(dir)); });
  }
  static std::string U8(const fs::path& p) { return PathToUtf8(p); }

  fs::path root_, app_, user_, seed_;
  std::set<fs::path> unwritable_;
};

TEST_F(DataPlaceTest, AWritableProgramDirectoryKeepsTheDataBesideTheProgram) {
  Write(seed_, "seed");
  Write(app_ / "Data.mdb", "beside");
  const DataPlace place = Choose();
  EXPECT_EQ(place.dir, U8(app_));
  EXPECT_FALSE(place.note);
  EXPECT_FALSE(fs::exists(user_));

  // Nothing installed to start from: the missing file is reported where it
  // always was.
  fs::remove(app_ / "Data.mdb");
  fs::remove(seed_);
  EXPECT_EQ(Choose().dir, U8(app_));
  EXPECT_FALSE(fs::exists(user_));
}

TEST_F(DataPlaceTest, AWritableDirectoryWithoutADatabaseButWithASeedIsAnInstallation) {
  // A per-user installation, or an installed program started by root.
  Write(seed_, "seed");
  const DataPlace place = Choose();
  EXPECT_EQ(place.dir, U8(user_));
  EXPECT_TRUE(place.note);
  EXPECT_EQ(Read(user_ / "Data.mdb"), "seed");
  EXPECT_FALSE(fs::exists(app_ / "Data.mdb"));
}

TEST_F(DataPlaceTest, AnInstalledProgramStartsTheOperatorFromTheSeedOnceAndNeverOverwrites) {
  unwritable_ = {app_};
  Write(seed_, "seed");
  // Installed read-only: the operator's copy must still be writable.
  fs::permissions(seed_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

  const DataPlace first = Choose();
  EXPECT_EQ(first.dir, U8(user_));
  ASSERT_TRUE(first.note);
  EXPECT_NE(first.note->find(U8(user_)), std::string::npos) << *first.note;
  const fs::path copy = user_ / "Data.mdb";
  EXPECT_EQ(Read(copy), "seed");
  EXPECT_NE(fs::status(copy).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(std::distance(fs::directory_iterator(user_), fs::directory_iterator()), 1);

  // The operator's lists from then on; said only the first time.
  Write(copy, "lists");
  const DataPlace again = Choose();
  EXPECT_EQ(again.dir, U8(user_));
  EXPECT_FALSE(again.note);
  EXPECT_EQ(Read(copy), "lists");
}

TEST_F(DataPlaceTest, WithoutAnInstalledSeedTheDatabaseBesideTheProgramIsTheStart) {
  unwritable_ = {app_};
  Write(app_ / "Data.mdb", "beside");
  EXPECT_EQ(Choose().dir, U8(user_));
  EXPECT_EQ(Read(user_ / "Data.mdb"), "beside");
  EXPECT_EQ(Read(app_ / "Data.mdb"), "beside");
}

TEST_F(DataPlaceTest, NothingToStartFromLeavesOpeningToReportTheMissingFile) {
  unwritable_ = {app_};
  const DataPlace place = Choose();
  EXPECT_EQ(place.dir, U8(user_));
  EXPECT_FALSE(place.note);
  EXPECT_FALSE(fs::exists(user_));
}

TEST_F(DataPlaceTest, AUserDirectoryThatCannotBeMadeKeepsTheDataBesideTheProgramAndSaysWhy) {
  unwritable_ = {app_};
  Write(seed_, "seed");
  Write(root_ / "home", "a file where the directory should be");
  const DataPlace place = Choose();
  EXPECT_EQ(place.dir, U8(app_));
  ASSERT_TRUE(place.note);
  EXPECT_NE(place.note->find("cannot be changed"), std::string::npos) << *place.note;

  // No user directory at all on this platform: beside the program, silently.
  user_.clear();
  EXPECT_EQ(Choose().dir, U8(app_));
  EXPECT_FALSE(Choose().note);
}

}  // namespace
}  // namespace zl
