// Where Data.mdb lives: beside a program whose directory can be written, in
// the operator's own data directory for one installed where it cannot.
#include "storage/data_place.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "support/files.h"
#include "text/paths.h"

namespace zl {
namespace {

namespace fs = std::filesystem;
using test::Read;
using test::Write;

// Where each start leads. A per-user installation, or an installed program
// started by root, has a writable directory with only the seed beside it.
// The seed is installed read-only; the operator's copy must be writable.
TEST(DataPlaceTest, TheDataStaysBesideAWritableProgramElseGoesToTheUsersDirectory) {
  // A Vietnamese user name in every path: the names are UTF-8 throughout.
  const fs::path root =
      fs::temp_directory_path() / PathFromUtf8("zl-data-place-Nguyễn Văn An-" + std::to_string(std::random_device()()));
  const fs::path app = root / "bin", user = root / "home" / "zentrel-loader", seed = root / "share" / "Data.mdb";
  const auto clear = [&] {
    // Windows removes no read-only file.
    if (fs::exists(seed)) fs::permissions(seed, fs::perms::owner_write, fs::perm_options::add);
    fs::remove_all(root);
  };
  enum User { kUsual, kBlocked, kNone, kHasLists };  // blocked: a file where its parent should be
  const struct {
    const char* name;
    const char* seed;    // the installed seed's bytes; none without
    const char* beside;  // Data.mdb beside the program; none without
    User user;
    bool writable, stays_beside;  // the program's directory
    const char* note;             // part of the note; none without a note
    const char* copied;           // the user's Data.mdb afterwards; none when there is none
  } cases[] = {
      {"a writable program with its data", "seed", "beside", kUsual, true, true, nullptr, nullptr},
      {"a writable directory with only the seed", "seed", nullptr, kUsual, true, false, "Your lists are kept in",
       "seed"},
      {"installed without a seed starts from the data beside", nullptr, "beside", kUsual, false, false, "", "beside"},
      {"installed, a later start: said once, never overwritten", "seed", nullptr, kHasLists, false, false, nullptr,
       "lists"},
      {"a user directory that cannot be made", "seed", nullptr, kBlocked, false, true, "cannot be changed", nullptr},
      {"no user directory on this platform", "seed", nullptr, kNone, false, true, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    clear();
    fs::create_directories(app);
    if (c.seed) Write(seed, c.seed);
    if (c.seed) fs::permissions(seed, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (c.beside) Write(app / "Data.mdb", c.beside);
    if (c.user == kBlocked) Write(root / "home", "a file where the directory should be");
    if (c.user == kHasLists) Write(user / "Data.mdb", "lists");
    const DataPlace place =
        ChooseDataPlace(PathToUtf8(app), c.user == kNone ? "" : PathToUtf8(user), PathToUtf8(seed),
                        [&](const std::string& dir) { return c.writable || PathFromUtf8(dir) != app; });
    EXPECT_EQ(place.dir, PathToUtf8(c.stays_beside ? app : user));
    EXPECT_EQ(place.note ? place.note->find(c.note ? c.note : "") != std::string::npos : false, c.note != nullptr);
    EXPECT_EQ(fs::exists(user / "Data.mdb") ? Read(user / "Data.mdb") : "none", c.copied ? c.copied : "none");
    EXPECT_TRUE(!c.copied || (fs::status(user / "Data.mdb").permissions() & fs::perms::owner_write) != fs::perms::none);
    EXPECT_TRUE(!c.beside || Read(app / "Data.mdb") == c.beside);
  }
  clear();
}

}  // namespace
}  // namespace zl
