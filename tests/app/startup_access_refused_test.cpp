// A build without Access support still knows an Access Data.mdb, says what
// to do about it, and leaves it alone.
#include "startup_fixture.h"

namespace zl::test {
namespace {

TEST_F(StartupFailure, AnAccessFileIsRefusedWithWhatToDoAndLeftUntouched) {
  const QByteArray jet = Read(ZL_FIXTURES_DIR "/jet4/Data-vendor.mdb");
  ASSERT_FALSE(jet.isEmpty());
  WriteDb(jet);
  const QStringList before = Entries();
  for (int run = 0; run < 2; ++run) {
    const QString err = Start(1, "is an Access file");
    EXPECT_TRUE(err.contains("cannot read Access files")) << err.toStdString();
    EXPECT_TRUE(err.contains("with a build that has Access support")) << err.toStdString();
    EXPECT_EQ(Read(db_), jet);
    EXPECT_EQ(Entries(), before);
  }
}

}  // namespace
}  // namespace zl::test
