// Runs the real executable from a temporary directory on database files it
// must refuse or convert, and checks that it ends at once, says why, and
// leaves the file as it must.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/files.h"
#include "support/testdb.h"

namespace zl::test {

// The executable's file name on this system.
inline const QString kExe = QStringLiteral("zentrel-loader" ZL_EXE_SUFFIX);

class StartupFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    exe_ = dir_.filePath(kExe);
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZL_BIN_DIR "/") + kExe, exe_));
    db_ = dir_.filePath("Data.mdb");
    qputenv("QT_QPA_PLATFORM", "offscreen");  // the program inherits it
  }

  void WriteDb(const QByteArray& bytes) { Write(db_.toStdString(), bytes.toStdString()); }
  QByteArray Read(const QString& path) { return QByteArray::fromStdString(test::Read(path.toStdString())); }
  // The names in the program's directory.
  QStringList Entries() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
  // A database made from the shipped SQL plus `sql`, as bytes.
  QByteArray Made(const std::string& sql) {
    QFile::remove(db_);
    MakeTestDb(dir_.path().toStdString(), sql);
    return Read(db_);
  }

  // Runs the program without a display; it must end within a minute with
  // `code`: 1 refused, with an error number and a message naming `named`;
  // 2 started and ended for want of a display.
  QString Start(int code, const char* named = "", const QString& exe = {}) {
    QProcess p;
    p.start(exe.isEmpty() ? exe_ : exe, {});
    // Long enough for a loaded machine: the reader is ended within a minute.
    const bool finished = p.waitForFinished(70000);
    if (!finished) p.kill();
    p.waitForFinished(2000);
    QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(finished) << "start-up hung";
    EXPECT_EQ(p.exitCode(), code) << err.toStdString();
    EXPECT_EQ(err.contains("Error "), code == 1) << err.toStdString();
    EXPECT_TRUE(err.contains(named, Qt::CaseInsensitive)) << named << ": " << err.toStdString();
    return err;
  }

  QTemporaryDir dir_;
  QString exe_, db_;
};

}  // namespace zl::test
