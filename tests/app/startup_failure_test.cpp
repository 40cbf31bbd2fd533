// Runs the real executable from a temporary directory: on database files it
// must refuse (it ends at once, says why, and leaves the file as it was), on
// its command line, and installed where the operator cannot write.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/testdb.h"
#include "support/unwritable.h"

namespace zl::test {
namespace {

class StartupFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    exe_ = dir_.filePath("zentrel-loader");
    ASSERT_TRUE(QFile::copy(ZL_BIN_DIR "/zentrel-loader", exe_));
    db_ = dir_.filePath("Data.mdb");
    qputenv("QT_QPA_PLATFORM", "offscreen");  // the program inherits it
  }

  void WriteDb(const QByteArray& bytes) { WriteDbAt(db_, bytes); }
  void WriteDbAt(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // A database made from the shipped SQL plus `sql`, as bytes.
  QByteArray Made(const std::string& sql) {
    QFile::remove(db_);
    MakeTestDb(dir_.path().toStdString(), sql);
    return Read(db_);
  }

  // Runs the program without a display; it must end within seconds with
  // `code`: 1 refused, with an error number and a message naming `named`;
  // 2 started and ended for want of a display.
  QString Start(int code, const char* named = "", const QString& exe = {}) {
    QProcess p;
    p.start(exe.isEmpty() ? exe_ : exe, {});
    const bool finished = p.waitForFinished(10000);
    if (!finished) p.kill();
    p.waitForFinished(2000);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(finished) << "start-up hung";
    EXPECT_EQ(p.exitCode(), code) << err.toStdString();
    EXPECT_EQ(err.contains("Error "), code == 1) << err.toStdString();
    EXPECT_TRUE(err.contains(named, Qt::CaseInsensitive)) << named << ": " << err.toStdString();
    return err;
  }

  QTemporaryDir dir_;
  QString exe_, db_;
};

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

TEST_F(StartupFailure, AGoodFileStartsUnchangedAndAnAccessFileIsConvertedOnceOrRefusedUntouched) {
  const QByteArray good = Made("");
  Start(2);
  EXPECT_EQ(Read(db_), good);

  const QByteArray jet = Read(ZL_FIXTURES_DIR "/jet4/Data-vendor.mdb");
  ASSERT_FALSE(jet.isEmpty());
  const QString kept = dir_.filePath("Data.access.mdb");
  WriteDb(jet.left(jet.size() / 2));
  Start(1, "Access file");
  EXPECT_EQ(Read(db_), jet.left(jet.size() / 2));
  EXPECT_FALSE(QFile::exists(kept));

  WriteDb(jet);
  EXPECT_TRUE(Start(2).contains("converted"));
  EXPECT_EQ(Read(kept), jet);
  EXPECT_TRUE(Read(db_).startsWith("SQLite format 3"));
  EXPECT_FALSE(Start(2).contains("converted"));
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
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"zentrel-loader"});
}

// Installed as a package installs it: the program in bin/, which the
// operator cannot write, and the seed database in share/.
TEST_F(StartupFailure, InstalledTheOperatorsDataGoesToTheirDataDirectorySeededOnce) {
  const QString bin = dir_.filePath("bin"), share = dir_.filePath("share/zentrel-loader/seed");
  const QString home = dir_.filePath("home");
  ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(share) && QDir().mkpath(home));
  const QByteArray seed = Made("");
  ASSERT_TRUE(QFile::rename(db_, share + "/Data.mdb"));
  ASSERT_TRUE(QFile::rename(exe_, bin + "/zentrel-loader"));
  Unwritable locked(bin.toStdString());
  if (!locked.Ok()) GTEST_SKIP() << "cannot make a directory unwritable here";
  qputenv("XDG_DATA_HOME", home.toUtf8());

  const QString mine = home + "/zentrel-loader/Data.mdb";
  EXPECT_TRUE(Start(2, "", bin + "/zentrel-loader").contains(mine));
  EXPECT_EQ(Read(mine), seed);
  EXPECT_EQ(Read(share + "/Data.mdb"), seed);
  // Said once; the operator's file is never replaced by the seed again.
  QFile::remove(mine);
  WriteDbAt(mine, Made("INSERT INTO PORT1 VALUES (1, 7, 'x', 5, 1, 1, 40);\n"));
  const QByteArray lists = Read(mine);
  EXPECT_FALSE(Start(2, "", bin + "/zentrel-loader").contains("kept in"));
  EXPECT_EQ(Read(mine), lists);
  qunsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace zl::test
