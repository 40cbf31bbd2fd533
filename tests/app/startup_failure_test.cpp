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

TEST_F(StartupFailure, AGoodFileStartsUnchangedAndEndsForWantOfADisplay) {
  const QByteArray good = Made("");
  Start(2, "no display");
  EXPECT_EQ(Read(db_), good);
}

TEST_F(StartupFailure, HelpAndVersionAnswerBeforeAnythingElseAndNothingElseIsTaken) {
  // No Data.mdb here: a program that opened it would fail.
  const auto run = [&](const QStringList& args, int code) {
    QProcess p;
    p.start(exe_, args);
    EXPECT_TRUE(p.waitForFinished(10000)) << args.join(' ').toStdString();
    EXPECT_EQ(p.exitCode(), code) << args.join(' ').toStdString();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
  };
  EXPECT_TRUE(run({"--version"}, 0).startsWith("zentrel-loader 1."));
  EXPECT_TRUE(run({"--help"}, 0).contains("Data.mdb"));
  for (const char* arg : {"--port=3", "Data.mdb"}) EXPECT_TRUE(run({arg}, 1).contains("--help")) << arg;
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{kExe});
}

}  // namespace
}  // namespace zl::test
