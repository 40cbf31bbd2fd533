#include "startup_fixture.h"

namespace zl::test {
namespace {

TEST_F(StartupFailure, WhatCannotBeReadIsRefusedAndLeftByteForByte) {
  Start(1, "Data.mdb");
  EXPECT_FALSE(QFile::exists(db_));  // a missing file is not created

  const std::pair<QByteArray, const char*> files[] = {
      {"not a database at all\n", "Data.mdb"},
      {"", "Data.mdb"},
      {QByteArray(4096, '\xAB'), "Data.mdb"},
      {Made("DROP TABLE PORT_TEMP;\n"), "PORT_TEMP"},
      {Made("DROP TABLE PORT_TEMP;\nCREATE TABLE PORT_TEMP (CodeFunc INTEGER, NameFunc TEXT);\n"), "STT"},
      {Made("DROP TABLE PORT_TEMP;\nCREATE TABLE PORT_TEMP (STT INTEGER, Delay INTEGER);\n"), "NameFunc"}};
  for (const auto& [bytes, named] : files) {
    WriteDb(bytes);
    Start(1, named);
    EXPECT_EQ(Read(db_), bytes) << named;
    EXPECT_FALSE(QFile::exists(db_ + "-journal"));
  }
}

TEST_F(StartupFailure, AGoodFileStartsUnchangedAndACutAccessFileIsRefusedUntouched) {
  const QByteArray good = Made("");
  Start(2);
  EXPECT_EQ(Read(db_), good);

  const QByteArray jet = Read(ZL_FIXTURES_DIR "/jet4/Data-vendor.mdb");
  ASSERT_FALSE(jet.isEmpty());
  WriteDb(jet.left(jet.size() / 2));
  Start(1, "Access file");
  EXPECT_EQ(Read(db_), jet.left(jet.size() / 2));
  EXPECT_FALSE(QFile::exists(dir_.filePath("Data.access.mdb")));
}

}  // namespace
}  // namespace zl::test
