#include "startup_fixture.h"
#include "support/unwritable.h"

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

TEST_F(StartupFailure, HelpAndVersionAnswerBeforeAnythingElseAndNothingElseIsTaken) {
  // No Data.mdb here: a program that opened it would fail.
  const auto run = [&](const QStringList& args, int code) {
    QProcess p;
    p.start(exe_, args);
    EXPECT_TRUE(p.waitForFinished(10000)) << args.join(' ').toStdString();
    EXPECT_EQ(p.exitCode(), code) << args.join(' ').toStdString();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
  };
  EXPECT_TRUE(run({"--version"}, 0).startsWith("zentrel-loader 1.")) << run({"--version"}, 0).toStdString();
  const QString help = run({"--help"}, 0);
  EXPECT_TRUE(help.contains("--version") && help.contains("Data.mdb")) << help.toStdString();
  EXPECT_TRUE(run({"-v"}, 0).startsWith("zentrel-loader"));
  EXPECT_TRUE(run({"--port=3"}, 1).contains("--help"));
  EXPECT_TRUE(run({"Data.mdb"}, 1).contains("--help"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{kExe});
}

// Installed as a package installs it: the program in bin/, which the
// operator cannot write, and the seed database in share/. That the seed is
// copied only once: DataPlaceTest.AnInstalledProgramStartsTheOperator...
TEST_F(StartupFailure, InstalledTheOperatorsDataGoesToTheirDataDirectory) {
  const QString bin = dir_.filePath("bin"), share = dir_.filePath("share/zentrel-loader/seed");
  const QString home = dir_.filePath("home");
  ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(share) && QDir().mkpath(home));
  const QByteArray seed = Made("");
  ASSERT_TRUE(QFile::rename(db_, share + "/Data.mdb"));
  ASSERT_TRUE(QFile::rename(exe_, bin + "/" + kExe));
  Unwritable locked(bin.toStdString());
  if (!locked.Ok()) GTEST_SKIP() << "cannot make a directory unwritable here";
  qputenv("XDG_DATA_HOME", home.toUtf8());

  const QString mine = home + "/zentrel-loader/Data.mdb";
  EXPECT_TRUE(Start(2, "", bin + "/" + kExe).contains(mine));
  EXPECT_EQ(Read(mine), seed);
  EXPECT_EQ(Read(share + "/Data.mdb"), seed);
  qunsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace zl::test
