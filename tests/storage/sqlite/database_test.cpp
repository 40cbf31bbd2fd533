// The SQLite database layer on real files. The executable's own refusals are
// in tests/app/startup_failure_test.cpp; the window's edits in tests/app/.
#include "storage/sqlite/database.h"
#include "storage/sqlite/script.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "support/testdb.h"
#include "support/thrown.h"

namespace zl {
namespace {

using test::QueryRows;

// The number of the error `f` throws; 0 when nothing was thrown.
template <typename F>
int ErrorNumber(F&& f) {
  const auto e = test::Thrown<DbError>(f);
  return e ? e->Number() : 0;
}

class SqliteOpen : public ::testing::Test {
 protected:
  std::string Path(const char* name = "Data.mdb") const { return dir_.path().toStdString() + "/" + name; }
  QTemporaryDir dir_;
};

// Files that are no database: StartupFailure.WhatCannotBeReadIsRefusedAndLeftByteForByte.
// Twin rows, as a move leaves them for a moment; texts as Windows-1252
// characters, C1 codes included.
TEST_F(SqliteOpen, OpensThePathGivenEvenWithUriCharactersOnceAtATime) {
  const std::string odd = Path("my data #1%3Fx=%20.mdb");
  const std::string made = test::MakeTestDb(
      dir_.path().toStdString(), "INSERT INTO PORT1 VALUES (2, 1, 'b', 0, 0, 0, 9), (2, 1, 'b', 0, 0, 0, 9);\n");
  ASSERT_TRUE(QFile::rename(QString::fromStdString(made), QString::fromStdString(odd)));
  const std::unique_ptr<Database> db = MakeSqliteDatabase();
  db->Open(odd);
  EXPECT_EQ(ErrorNumber([&] { db->Open(odd); }), 3705);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"my data #1%3Fx=%20.mdb"});

  const Snapshot twins = db->ReadAll({"SELECT rowid, * FROM PORT1 ORDER BY rowid", {}});
  db->Set(Table::Port1, twins.RowId(1), 0, 7);
  const std::string codes = "\x80 \x9F \xEF \x81 ASCII";
  const std::int64_t added = db->Insert(Table::Port1, {5, 3, codes});
  db->Delete(Table::Port1, twins.RowId(0));
  EXPECT_EQ(QueryRows(odd, "SELECT rowid, * FROM PORT1 ORDER BY rowid"),
            std::to_string(twins.RowId(1)) + "|7|1|b|0|0|0|9\n" + std::to_string(added) +
                "|5|3|\u20AC \u0178 \u00EF \u0081 ASCII|NULL|NULL|NULL|NULL\n");
  EXPECT_EQ(twins.At(1, 6), Value(9));  // the last field too
  EXPECT_EQ(db->ReadValue({"SELECT NameFunc FROM PORT1 WHERE rowid=?", {added}}), Value(codes));
  EXPECT_EQ(ErrorNumber([&] { db->Delete(Table::Port1, twins.RowId(0)); }), -2147217864);
  db->Close();
  EXPECT_EQ(ErrorNumber([&] { db->Read({"SELECT * FROM PORT1", {}}); }), 3704);
}

// The build makes the shipped file this way: none appears unless the whole script ran.
TEST_F(SqliteOpen, AFailedScriptLeavesNoFile) {
  EXPECT_EQ(
      ErrorNumber([&] { CreateDatabaseFromScript(Path(), "CREATE TABLE T (A);\nINSERT INTO Nope VALUES (1);\n"); }), 1);
  EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
}  // namespace zl
