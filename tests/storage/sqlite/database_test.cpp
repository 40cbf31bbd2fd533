// The SQLite database layer on real files. The executable's own refusals are
// in tests/app/startup_failure_test.cpp; the window's edits in tests/app/.
#include "storage/sqlite/database.h"
#include "storage/sqlite/script.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <ostream>
#include <string>

#include "support/files.h"
#include "support/testdb.h"
#include "support/thrown.h"

namespace zl {

// Readable values in failure messages.
static void PrintTo(const Value& v, std::ostream* os) {
  if (v.IsNull())
    *os << "NULL";
  else if (v.IsNumber())
    *os << v.Number();
  else
    *os << ::testing::PrintToString(v.Str());
}

namespace {

using test::MakeTestDb;
using test::QueryRows;
using test::Read;
using test::Thrown;

QStringList Entries(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// The number of the error `f` throws; 0 when nothing was thrown.
template <typename F>
int ErrorNumber(F&& f) {
  const auto e = test::Thrown<DbError>(f);
  return e ? e->Number() : 0;
}

// A fresh temporary directory, and a database object not yet open.
class SqliteFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  std::string Path(const char* name = "Data.mdb") const { return dir_.path().toStdString() + "/" + name; }
  QTemporaryDir dir_;
  std::unique_ptr<Database> db_ = MakeSqliteDatabase();
};

// ---- Opening ----

using SqliteOpen = SqliteFile;

// Files that are no database: StartupFailure.WhatCannotBeReadIsRefusedAndLeftByteForByte.
TEST_F(SqliteOpen, OpensThePathGivenEvenWithUriCharactersOnceAtATime) {
  const std::string made = MakeTestDb(dir_.path().toStdString()), odd = Path("my data #1%3Fx=%20.mdb");
  ASSERT_TRUE(QFile::rename(QString::fromStdString(made), QString::fromStdString(odd)));
  db_->Open(odd);
  EXPECT_EQ(db_->ReadValue({"SELECT count(*) FROM FuncBoder", {}}), Value(8));
  EXPECT_EQ(ErrorNumber([&] { db_->Open(odd); }), 3705);
  db_->Close();
  EXPECT_FALSE(db_->IsOpen());
  db_->Open(odd);
  EXPECT_EQ(db_->ReadValue({"SELECT count(*) FROM MaxPort", {}}), Value(3));
  EXPECT_EQ(Entries(dir_), QStringList{"my data #1%3Fx=%20.mdb"});
}

// ---- Reading and writing the shipped file ----

// PORT1 holds two rows with equal values, as a move leaves them for a moment.
class SqliteData : public SqliteFile {
 protected:
  void SetUp() override {
    SqliteFile::SetUp();
    db_->Open(MakeTestDb(dir_.path().toStdString(),
                         "INSERT INTO PORT1 VALUES (1, 1, 'a', 0, 0, 0, 0), (2, 1, 'b', 0, 0, 0, 0),"
                         " (2, 1, 'b', 0, 0, 0, 0);\n"));
  }
  std::string Rows(const std::string& sql) const { return QueryRows(Path(), sql); }
};

TEST_F(SqliteData, AReaderGoesForwardByPositionAndLetsGoOfTheFileAtItsEnd) {
  auto rows = db_->Read({"SELECT STT, CodeFunc FROM PORT_TEMP WHERE STT>? ORDER BY STT", {1}});
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(Path().c_str(), &other), SQLITE_OK);
  sqlite3_busy_timeout(other, 0);
  std::string seen;
  while (rows->Next()) {
    seen += rows->At(0).ToText() + "|" + rows->At(1).ToText() + "\n";
    // Part way through, the reader holds the file for reading.
    EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_BUSY);
  }
  EXPECT_EQ(seen, Rows("SELECT STT, CodeFunc FROM PORT_TEMP WHERE STT>1 ORDER BY STT"));
  EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_FALSE(rows->Next());
  EXPECT_EQ(ErrorNumber([&] { rows->At(0); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { db_->Read({"SELECT * FROM PORT1", {}})->At(0); }), 3021);
  const auto past = db_->Read({"SELECT * FROM PORT1", {}});
  past->Next();
  EXPECT_EQ(ErrorNumber([&] { past->At(7); }), 3265);
  EXPECT_EQ(db_->ReadValue({"SELECT MaxValue FROM MaxPort WHERE Port=?", {2}}), Value(30));
  EXPECT_TRUE(db_->ReadValue({"SELECT STT FROM PORT3", {}}).IsNull());
  const auto e = Thrown<DbError>([&] { db_->Read({"SELECT * FROM PORT4", {}}); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Report(), "Error 1: no such table: PORT4");
}

TEST_F(SqliteData, ASnapshotHoldsEachRowsRowidAndFindsColumnsInAnyCase) {
  const Snapshot rows = db_->ReadAll({"SELECT rowid, * FROM PORT1 WHERE NameFunc=? ORDER BY rowid", {"b"}});
  ASSERT_EQ(rows.Rows(), 2);
  EXPECT_EQ(rows.Width(), 7);
  EXPECT_EQ(std::to_string(rows.RowId(0)) + "|" + std::to_string(rows.RowId(1)) + "\n",
            Rows("SELECT group_concat(rowid, '|') FROM PORT1 WHERE NameFunc='b'"));
  EXPECT_EQ(rows.At(1, rows.Position("namefunc")), Value("b"));
  EXPECT_EQ(ErrorNumber([&] { rows.Position("Speed"); }), 1);
  EXPECT_EQ(ErrorNumber([&] { rows.At(0, 7); }), 3265);
}

// Fields by position, whatever their names; texts as Windows-1252
// characters, C1 codes included.
TEST_F(SqliteData, WritesReachExactlyTheRowAddressedAndOnlyOnceCommitted) {
  const Snapshot twins = db_->ReadAll({"SELECT rowid, * FROM PORT1 WHERE STT=2 ORDER BY rowid", {}});
  db_->Set(Table::Port1, twins.RowId(1), 0, 7);
  const std::string codes = "\x80 \x9F \xEF \x81 ASCII";
  const std::int64_t added = db_->Insert(Table::Port1, {5, 3, codes});
  EXPECT_EQ(Rows("SELECT rowid, * FROM PORT1 WHERE STT>2 ORDER BY rowid"),
            std::to_string(twins.RowId(1)) + "|7|1|b|0|0|0|0\n" + std::to_string(added) +
                "|5|3|\u20AC \u0178 \u00EF \u0081 ASCII|NULL|NULL|NULL|NULL\n");
  EXPECT_EQ(db_->ReadValue({"SELECT NameFunc FROM PORT1 WHERE rowid=?", {added}}), Value(codes));
  db_->Delete(Table::Port1, twins.RowId(0));
  EXPECT_EQ(ErrorNumber([&] { db_->Set(Table::Port1, twins.RowId(0), 0, 9); }), -2147217864);
  EXPECT_EQ(ErrorNumber([&] { db_->Delete(Table::Port1, twins.RowId(0)); }), -2147217864);
  EXPECT_EQ(ErrorNumber([&] { db_->Set(Table::Port1, added, 7, 9); }), 3265);

  const std::string before = Rows("SELECT rowid, * FROM PORT1");
  {
    Transaction change(*db_);
    EXPECT_EQ(db_->Run({"DELETE FROM PORT1 WHERE STT>?", {0}}), 3);
  }
  EXPECT_EQ(Rows("SELECT rowid, * FROM PORT1"), before);
  Transaction change(*db_);
  db_->Run({"DELETE FROM PORT1", {}});
  change.Commit();
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT1"), "0\n");
}

TEST_F(SqliteData, AClosedDatabaseRefusesWithoutTouchingTheFile) {
  const auto rows = db_->Read({"SELECT * FROM PORT_TEMP", {}});
  db_->Close();
  EXPECT_FALSE(db_->IsOpen());
  EXPECT_EQ(ErrorNumber([&] { rows->Next(); }), 3704);
  EXPECT_EQ(ErrorNumber([&] { db_->Read({"SELECT * FROM PORT1", {}}); }), 3704);
  EXPECT_EQ(ErrorNumber([&] { db_->ReadAll({"SELECT rowid, * FROM PORT1", {}}); }), 3704);
  EXPECT_EQ(ErrorNumber([&] { db_->Run({"DELETE FROM PORT1", {}}); }), 3704);
  EXPECT_EQ(ErrorNumber([&] { db_->Insert(Table::Port1, {9}); }), 3704);
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT1"), "3\n");
}

// Catalogue texts are VNI: letters are codes 0xC0 and up, never the C1 range.
TEST_F(SqliteData, CatalogueEntriesStartWithTheirCode) {
  for (const char* t : {"ShowFunc", "FuncBoder"}) {
    const auto rows = db_->Read({std::string("SELECT * FROM ") + t, {}});
    int expected = 1;
    for (; rows->Next(); ++expected) {
      const std::string text = rows->At(1).Str();
      ASSERT_GT(text.size(), 3u) << t;
      EXPECT_EQ(std::stoi(text.substr(0, 2)), expected) << text;
      EXPECT_EQ(text[2], ' ') << text;
      for (unsigned char c : text) EXPECT_FALSE(c >= 0x80 && c < 0xC0) << text;
    }
    EXPECT_GT(expected, 2) << t;
  }
}

// ---- Making the file ----

using MakeDb = SqliteFile;

// The script runs as SQLite reads it; a file appears only once it all ran.
TEST_F(MakeDb, AFailedScriptLeavesNoFileAndAnEarlierFileAsItWas) {
  const auto make = [&](const std::string& path, const char* script) {
    return ErrorNumber([&] { CreateDatabaseFromScript(path, script); });
  };
  EXPECT_EQ(make(Path(), "CREATE TABLE T (A INTEGER);\nINSERT INTO Nope VALUES (1);\n"), 1);
  EXPECT_NE(make(Path() + "/no/Data.mdb", "CREATE TABLE T (A);\n"), 0);  // no such directory
  EXPECT_TRUE(Entries(dir_).isEmpty());

  ASSERT_EQ(make(Path(), "CREATE TABLE T (A INTEGER);\nINSERT INTO T VALUES (5);\n"), 0);
  const std::string before = Read(Path());
  EXPECT_NE(make(Path(), "CREATE TABLE U (A INTEGER);\nBROKEN;\n"), 0);
  EXPECT_EQ(Read(Path()), before);
  EXPECT_EQ(Entries(dir_), QStringList{"Data.mdb"});
}

}  // namespace
}  // namespace zl
