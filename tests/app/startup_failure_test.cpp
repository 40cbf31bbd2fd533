// Runs the real executable from a temporary directory on database files it
// must refuse, and checks that it ends at once, says why, and leaves the file
// as it was.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/testdb.h"

namespace zl::test {
namespace {

class StartupFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    exe_ = dir_.filePath("zentrel-loader");
    ASSERT_TRUE(QFile::copy(ZL_BIN_DIR "/zentrel-loader", exe_));
    db_ = dir_.filePath("Data.mdb");
  }

  void WriteDb(const QByteArray& bytes) {
    QFile f(db_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  QByteArray ReadDb() {
    QFile f(db_);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  struct Run {
    bool finished;
    int code;
    QString err;
  };

  Run Start() {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(exe_, {});
    const bool finished = p.waitForFinished(10000);
    if (!finished) p.kill();
    p.waitForFinished(2000);
    return {finished, p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
  }

  // Start-up must refuse: a non-zero exit, an error number and message.
  void ExpectRefused(const char* what_in_message) {
    const Run r = Start();
    ASSERT_TRUE(r.finished) << "start-up hung";
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Error ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(what_in_message, Qt::CaseInsensitive)) << r.err.toStdString();
  }

  QTemporaryDir dir_;
  QString exe_, db_;
};

TEST_F(StartupFailure, MissingFileIsReportedAndNotCreated) {
  ExpectRefused("Data.mdb");
  EXPECT_FALSE(QFile::exists(db_));
}

TEST_F(StartupFailure, FilesThatAreNotDatabasesAreLeftByteForByte) {
  const QByteArray samples[] = {QByteArray("not a database at all\n"), QByteArray(),
                                QByteArray(4096, '\xAB')};
  for (const QByteArray& bytes : samples) {
    WriteDb(bytes);
    ExpectRefused("Data.mdb");
    EXPECT_EQ(ReadDb(), bytes);
    EXPECT_FALSE(QFile::exists(db_ + "-journal"));
  }
}

TEST_F(StartupFailure, DatabaseWithoutTheTablesStartUpReadsIsRefused) {
  const std::pair<std::string, const char*> cases[] = {
      {"DROP TABLE PORT_TEMP;\n", "PORT_TEMP"},
      {"DROP TABLE PORT_TEMP;\nCREATE TABLE PORT_TEMP (CodeFunc INTEGER, NameFunc TEXT);\n", "STT"},
      {"DROP TABLE PORT_TEMP;\nCREATE TABLE PORT_TEMP (STT INTEGER, Delay INTEGER);\n", "NameFunc"},
  };
  for (const auto& [sql, missing] : cases) {
    QFile::remove(db_);
    MakeTestDb(dir_.path().toStdString(), sql);
    const QByteArray before = ReadDb();
    ExpectRefused(missing);
    EXPECT_EQ(ReadDb(), before) << sql;
  }
}

TEST_F(StartupFailure, AGoodDatabaseStartsAndEndsForWantOfADisplay) {
  MakeTestDb(dir_.path().toStdString());
  const QByteArray before = ReadDb();
  const Run r = Start();
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.code, 2) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains("Error "));
  EXPECT_EQ(ReadDb(), before);
}

TEST_F(StartupFailure, AnAccessFileIsConvertedOnceOrRefusedUntouched) {
  QFile fixture(ZL_FIXTURES_DIR "/jet4/Data-vendor.mdb");
  ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
  const QByteArray jet = fixture.readAll();
  const QString kept = dir_.filePath("Data.access.mdb");

  WriteDb(jet.left(jet.size() / 2));
  ExpectRefused("Access file");
  EXPECT_EQ(ReadDb(), jet.left(jet.size() / 2));
  EXPECT_FALSE(QFile::exists(kept));

  WriteDb(jet);
  Run r = Start();
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.code, 2) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("converted")) << r.err.toStdString();
  QFile original(kept);
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  EXPECT_EQ(original.readAll(), jet);
  EXPECT_TRUE(ReadDb().startsWith("SQLite format 3"));

  r = Start();
  EXPECT_EQ(r.code, 2) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains("converted")) << r.err.toStdString();
}

}  // namespace
}  // namespace zl::test
