// A build with Access support converts an Access Data.mdb once, and refuses
// every file that ever broke the Access reader.
#include <QTextStream>
#include <string>

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

// A kept finding: a fixture with bytes changed ("at OFFSET hex hex ..."),
// resized first if "size" says so, and the words the refusal must give.
QByteArray Patched(const QString& patch, QString& expect) {
  QFile f(patch);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QByteArray bytes;
  QTextStream in(&f);
  while (!in.atEnd()) {
    const QString line = in.readLine();
    const QString word = line.section(' ', 0, 0), rest = line.section(' ', 1);
    if (word == "expect") expect = rest;
    if (word == "base") {
      QFile base(QStringLiteral(ZL_FIXTURES_DIR "/jet4/") + rest);
      if (base.open(QIODevice::ReadOnly)) bytes = base.readAll();
    }
    if (word == "size") bytes.resize(rest.toInt(), '\0');
    if (word == "at") {
      const QStringList hex = rest.split(' ', Qt::SkipEmptyParts);
      qsizetype at = hex.value(0).toLongLong();
      for (qsizetype i = 1; i < hex.size() && at < bytes.size(); ++i, ++at) bytes[at] = char(hex[i].toInt(nullptr, 16));
    }
  }
  return bytes;
}

TEST_F(StartupFailure, EveryFileThatOnceBrokeTheAccessReaderIsRefusedSayingWhy) {
  const QDir kept(QStringLiteral(ZL_FUZZ_REGRESSIONS_DIR));
  const QStringList patches = kept.entryList({QStringLiteral("*.patch")}, QDir::Files, QDir::Name);
  ASSERT_FALSE(patches.isEmpty());
  for (const QString& name : patches) {
    QString expect;
    const QByteArray file = Patched(kept.filePath(name), expect);
    ASSERT_FALSE(file.isEmpty() || expect.isEmpty()) << name.toStdString();
    WriteDb(file);
    const QStringList before = Entries();
    const QString err = Start(1, "is an Access file that could not be read");
    EXPECT_TRUE(err.contains(expect)) << name.toStdString() << ": " << err.toStdString();
    EXPECT_TRUE(err.contains("put the shipped database back")) << name.toStdString();
    EXPECT_EQ(Read(db_), file) << name.toStdString();
    EXPECT_EQ(Entries(), before) << name.toStdString();
  }
}

}  // namespace
}  // namespace zl::test
