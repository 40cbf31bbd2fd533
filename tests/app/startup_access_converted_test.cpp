// A build with Access support converts an Access Data.mdb once.
#include "startup_fixture.h"

namespace zl::test {
namespace {

TEST_F(StartupFailure, AnAccessFileIsConvertedOnceAndItsOriginalKept) {
  const QByteArray jet = Read(ZL_FIXTURES_DIR "/jet4/Data-vendor.mdb");
  ASSERT_FALSE(jet.isEmpty());
  const QString kept = dir_.filePath("Data.access.mdb");
  WriteDb(jet);
  EXPECT_TRUE(Start(2).contains("converted"));
  EXPECT_EQ(Read(kept), jet);
  EXPECT_TRUE(Read(db_).startsWith("SQLite format 3"));
  EXPECT_FALSE(Start(2).contains("converted"));
}

}  // namespace
}  // namespace zl::test
