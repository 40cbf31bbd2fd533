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

// Where each start leads. A per-user installation, or an installed program
// started by root, has a writable directory with only the seed beside it.
TEST_F(DataPlaceTest, TheDataStaysBesideAWritableProgramElseGoesToTheUsersDirectory) {
  enum User { kUsual, kBlocked, kNone };  // blocked: a file where its parent should be
  const struct {
    const char* name;
    const char* seed;    // the installed seed's bytes; none without
    const char* beside;  // Data.mdb beside the program; none without
    User user;
    bool app_writable;
    bool stays_beside;
    const char* note;    // part of the note; none without a note
    const char* copied;  // the user's Data.mdb; none when no user directory is made
  } cases[] = {
      {"a writable program with its data", "seed", "beside", kUsual, true, true, nullptr, nullptr},
      {"nothing to start from reports the missing file there", nullptr, nullptr, kUsual, true, true, nullptr, nullptr},
      {"a writable directory with only the seed", "seed", nullptr, kUsual, true, false, "", "seed"},
      {"installed without a seed starts from the data beside", nullptr, "beside", kUsual, false, false, "", "beside"},
      {"installed with nothing to start from", nullptr, nullptr, kUsual, false, false, nullptr, nullptr},
      {"a user directory that cannot be made", "seed", nullptr, kBlocked, false, true, "cannot be changed", nullptr},
      {"no user directory on this platform", "seed", nullptr, kNone, false, true, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root_);
    fs::create_directories(app_);
    unwritable_.clear();
    if (!c.app_writable) unwritable_.insert(app_);
    if (c.seed) Write(seed_, c.seed);
    if (c.beside) Write(app_ / "Data.mdb", c.beside);
    if (c.user == kBlocked) Write(root_ / "home", "a file where the directory should be");
    const fs::path user = user_;
    if (c.user == kNone) user_.clear();
    const DataPlace place = Choose();
    user_ = user;
    EXPECT_EQ(place.dir, U8(c.stays_beside ? app_ : user_));
    EXPECT_EQ(place.note.has_value(), c.note != nullptr);
    if (place.note && c.note) {
      EXPECT_NE(place.note->find(c.note), std::string::npos) << *place.note;
    }
    EXPECT_EQ(fs::exists(user_ / "Data.mdb") ? Read(user_ / "Data.mdb") : "none", c.copied ? c.copied : "none");
    if (c.beside) {
      EXPECT_EQ(Read(app_ / "Data.mdb"), c.beside);
    }
    if (c.user == kUsual && !c.copied) {
      EXPECT_FALSE(fs::exists(user_));
    }
  }
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

}  // namespace
}  // namespace zl
