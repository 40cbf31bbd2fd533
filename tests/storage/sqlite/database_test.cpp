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

TEST_F(SqliteOpen, MissingEmptyAndOtherFilesAreRefusedAndLeftAsTheyWere) {
  EXPECT_EQ(ErrorNumber([&] { db_->Open(Path("missing")); }), 14);
  QByteArray jet("Standard Jet DB\0", 16);
  for (int i = 0; i < 4096; ++i) jet += static_cast<char>(i * 7);
  for (const QByteArray& bytes : {QByteArray(), jet}) {
    const std::string path = Path(bytes.isEmpty() ? "empty" : "other");
    test::Write(path, bytes.toStdString());
    const auto e = Thrown<DbError>([&] { db_->Open(path); });
    ASSERT_TRUE(e) << path;
    EXPECT_EQ(e->Report(), "Error 26: file is not a database");
    EXPECT_EQ(Read(path), bytes.toStdString());
  }
  EXPECT_FALSE(db_->IsOpen());
  // Nothing was made beside them: no missing file, no journal.
  EXPECT_EQ(Entries(dir_), (QStringList{"empty", "other"}));
}

TEST_F(SqliteOpen, OpensThePathGivenEvenWithUriCharactersOnceAtATime) {
  const std::string made = MakeTestDb(dir_.path().toStdString()), odd = Path("my data #1%3Fx=%20.mdb");
  ASSERT_TRUE(QFile::rename(QString::fromStdString(made), QString::fromStdString(odd)));
  db_->Open(odd);
  EXPECT_EQ(db_->OpenRecordset("SELECT * FROM FuncBoder")->RecordCount(), 8);
  EXPECT_EQ(ErrorNumber([&] { db_->Open(odd); }), 3705);
  db_->Close();
  EXPECT_FALSE(db_->IsOpen());
  db_->Open(odd);
  EXPECT_EQ(db_->OpenRecordset("SELECT * FROM MaxPort")->RecordCount(), 3);
  EXPECT_EQ(Entries(dir_), QStringList{"my data #1%3Fx=%20.mdb"});
}

// ---- Recordsets on the shipped file ----

class SqliteRs : public SqliteFile {
 protected:
  virtual std::string ExtraSql() const { return {}; }
  void SetUp() override {
    SqliteFile::SetUp();
    db_->Open(MakeTestDb(dir_.path().toStdString(), ExtraSql()));
  }
  std::unique_ptr<Recordset> Rs(const std::string& sql) { return db_->OpenRecordset(sql); }
  std::string Rows(const std::string& sql) const { return QueryRows(Path(), sql); }
};

// The shipped tables' fields and rows as the window reads them: tests/app/.
TEST_F(SqliteRs, FieldsAreFoundByNameInAnyCaseAndOthersAreErrors) {
  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  EXPECT_EQ(rs->FieldIndex("namefunc"), 2);
  EXPECT_EQ(rs->FieldName(2), "NameFunc");
  EXPECT_EQ(ErrorNumber([&] { rs->FieldIndex("Speed"); }), 1);
  EXPECT_EQ(ErrorNumber([&] { rs->Field(7); }), 3265);
  EXPECT_EQ(Rs("SELECT * FROM MaxPort WHERE Port=2")->Field(1), Value(30));
}

TEST_F(SqliteRs, MovingStopsAtTheEndAndAnEmptyResultHasNoCurrentRow) {
  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  const int n = rs->RecordCount();
  int seen = 0;
  for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext(), ++seen) {
    EXPECT_EQ(rs->Position(), seen);
    EXPECT_EQ(rs->Field(0), Value(seen + 1));
    EXPECT_EQ(rs->FieldAt(seen, 0), Value(seen + 1));
  }
  EXPECT_EQ(seen, n);
  EXPECT_EQ(rs->Position(), -1);
  EXPECT_EQ(ErrorNumber([&] { rs->Field(0); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs->MoveNext(); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs->SetPosition(n); }), 3001);

  auto empty = Rs("SELECT STT FROM PORT1");
  EXPECT_EQ(empty->RecordCount(), 0);
  EXPECT_EQ(empty->FieldCount(), 1);
  EXPECT_TRUE(empty->Eof());
  EXPECT_TRUE(empty->Bof());
  EXPECT_EQ(ErrorNumber([&] { empty->MoveFirst(); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { empty->SetField(0, 1); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { empty->Delete(); }), 3021);
}

TEST_F(SqliteRs, AggregatesAreReadOnlyAndMissingTablesAreSqliteErrors) {
  auto rs = Rs("SELECT MAX(STT) FROM PORT_TEMP");
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Field(0), Value(3));
  EXPECT_EQ(ErrorNumber([&] { rs->SetField(0, 9); }), 3251);
  EXPECT_EQ(ErrorNumber([&] { rs->AddNew(); }), 3251);
  EXPECT_EQ(ErrorNumber([&] { rs->Delete(); }), 3251);
  EXPECT_EQ(Rows("SELECT MAX(STT), count(*) FROM PORT_TEMP"), "3|3\n");

  const auto e = Thrown<DbError>([&] { Rs("SELECT * FROM PORT4 ORDER BY STT"); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Number(), 1);
  EXPECT_NE(std::string(e->what()).find("no such table: PORT4"), std::string::npos) << e->what();
  EXPECT_EQ(ErrorNumber([&] { db_->Execute("DELETE FROM PORT9"); }), 1);
}

TEST_F(SqliteRs, AForwardCursorReadsOnePassWritesNothingAndLetsGoOfTheFile) {
  auto cur = db_->OpenForwardOnly("SELECT * FROM PORT_TEMP ORDER BY STT");
  EXPECT_EQ(cur->RecordCount(), -1);
  EXPECT_EQ(cur->FieldIndex("namefunc"), 2);
  std::string seen;
  for (; !cur->Eof(); cur->MoveNext()) seen += cur->Field(0).ToText() + "|" + cur->Field(1).ToText() + "\n";
  EXPECT_EQ(seen, Rows("SELECT STT, CodeFunc FROM PORT_TEMP ORDER BY STT"));
  EXPECT_EQ(ErrorNumber([&] { cur->Field(0); }), 3021);
  // Going back runs the query again.
  cur->MoveFirst();
  EXPECT_EQ(cur->Field(0), Value(1));
  EXPECT_EQ(ErrorNumber([&] { cur->SetField(0, 9); }), 3251);
  EXPECT_EQ(ErrorNumber([&] { cur->Delete(); }), 3251);
  EXPECT_EQ(ErrorNumber([&] { cur->FieldAt(1, 0); }), 3219);
  EXPECT_TRUE(db_->OpenForwardOnly("SELECT * FROM PORT1")->Eof());

  // Part way through, the cursor holds the file for reading; closed, it
  // no longer keeps another program from taking it.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(Path().c_str(), &other), SQLITE_OK);
  sqlite3_busy_timeout(other, 0);
  EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_BUSY);
  cur->Close();
  EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
}

// Whole rows added through the window: WindowTest.BuildsAListWithTheMouseAndKeyboard.
TEST_F(SqliteRs, AddNewAppendsAsLastAndCurrentRowAsTheTableStoresIt) {
  const std::string codes = "\x80 \x9F \xEF \x81 ASCII";
  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  const int n = rs->RecordCount();
  int changed = 0;
  rs->Changed = [&] { ++changed; };
  rs->AddNew();
  rs->SetField(0, "5");  // INTEGER column: stored as a number
  rs->SetField(2, codes);
  EXPECT_EQ(rs->Field(0), Value("5"));
  rs->Update();
  EXPECT_GT(changed, 0);
  EXPECT_EQ(rs->RecordCount(), n + 1);
  EXPECT_EQ(rs->Position(), n);
  EXPECT_EQ(rs->Field(0), Value(5));
  EXPECT_TRUE(rs->Field(1).IsNull());  // left unset
  // Texts travel as Windows-1252 characters, C1 codes included.
  EXPECT_EQ(Rows("SELECT * FROM PORT_TEMP WHERE STT=5"),
            "5|NULL|\u20AC \u0178 \u00EF \u0081 ASCII|NULL|NULL|NULL|NULL\n");
  EXPECT_EQ(Rs("SELECT NameFunc FROM PORT_TEMP WHERE STT=5")->Field(0), Value(codes));
}

TEST_F(SqliteRs, ClosedRecordsetsAndDatabasesRefuseWithoutTouchingTheFile) {
  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  auto other = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  rs->Close();
  EXPECT_FALSE(rs->IsOpen());
  EXPECT_EQ(ErrorNumber([&] { rs->RecordCount(); }), 3704);

  db_->Close();
  // The snapshot stays readable; nothing reaches the file any more.
  EXPECT_EQ(other->RecordCount(), 3);
  EXPECT_EQ(ErrorNumber([&] { other->Delete(); }), 3704);
  EXPECT_EQ(ErrorNumber([&] { other->Requery(); }), 3704);
  other->AddNew();
  other->SetField(0, 9);
  EXPECT_EQ(ErrorNumber([&] { other->Update(); }), 3704);
  EXPECT_EQ(other->RecordCount(), 3);
  EXPECT_EQ(ErrorNumber([&] { db_->Execute("DELETE FROM PORT1"); }), 3704);
  EXPECT_EQ(ErrorNumber([&] { db_->OpenRecordset("SELECT * FROM PORT1"); }), 3704);
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT_TEMP"), "3\n");
}

// Catalogue texts are VNI: letters are codes 0xC0 and up, never the C1 range.
TEST_F(SqliteRs, CatalogueEntriesStartWithTheirCode) {
  for (const char* t : {"ShowFunc", "FuncBoder"}) {
    auto rs = Rs(std::string("SELECT * FROM ") + t);
    ASSERT_GT(rs->RecordCount(), 1) << t;
    int expected = 1;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext(), ++expected) {
      const std::string text = rs->Field(1).Str();
      ASSERT_GT(text.size(), 3u) << t;
      EXPECT_EQ(std::stoi(text.substr(0, 2)), expected) << text;
      EXPECT_EQ(text[2], ' ') << text;
      for (unsigned char c : text) EXPECT_FALSE(c >= 0x80 && c < 0xC0) << text;
    }
  }
}

// ---- Writes reach exactly the row read ----

class SqliteRsDuplicates : public SqliteRs {
 protected:
  std::string ExtraSql() const override {
    return "INSERT INTO PORT1 VALUES (1, 1, 'a', 0, 0, 0, 0), (2, 1, 'b', 0, 0, 0, 0),"
           " (2, 1, 'c', 0, 0, 0, 0), (3, 1, 'd', 0, 0, 0, 0);\n"
           "CREATE TABLE Strict (STT INTEGER NOT NULL, Name TEXT);\n"
           "INSERT INTO Strict VALUES (1, 'x');\n";
  }
  std::string ByName() const { return Rows("SELECT NameFunc, STT FROM PORT1 ORDER BY NameFunc"); }
};

// Deleting one of equal numbers: RepeatedNumbers.ADeleteThatWouldNumberPast32767IsRefused.
TEST_F(SqliteRsDuplicates, UpdateBatchOrLeavingTheRowWritesOnlyTheCurrentRow) {
  auto rs = Rs("SELECT * FROM PORT1 WHERE STT=2");
  ASSERT_EQ(rs->RecordCount(), 2);
  int changed = 0;
  rs->Changed = [&] { ++changed; };
  rs->SetPosition(1);
  const std::string name = rs->Field(2).Str();
  rs->SetField(0, 7);
  rs->UpdateBatch();
  EXPECT_GT(changed, 1);
  EXPECT_EQ(rs->Field(0), Value(7));
  EXPECT_EQ(rs->FieldAt(0, 0), Value(2));
  // Leaving an edited row saves it too.
  rs->SetPosition(0);
  rs->SetField(0, 5);
  rs->MoveNext();
  EXPECT_EQ(ByName(), name == "b" ? "a|1\nb|7\nc|5\nd|3\n" : "a|1\nb|5\nc|7\nd|3\n");

  // A recordset of some columns only finds its rows as well.
  auto stts = Rs("SELECT STT FROM PORT1");
  for (stts->MoveFirst(); !stts->Eof(); stts->MoveNext()) {
    stts->SetField(0, 10 + stts->Position());
    stts->UpdateBatch();
  }
  EXPECT_EQ(Rows("SELECT count(DISTINCT STT) FROM PORT1"), "4\n");
}

TEST_F(SqliteRsDuplicates, RefusedWritesLeaveSnapshotAndTable) {
  auto rs = Rs("SELECT * FROM Strict");
  ASSERT_EQ(rs->RecordCount(), 1);
  rs->SetField(0, Value());
  EXPECT_NE(ErrorNumber([&] { rs->UpdateBatch(); }), 0);
  EXPECT_EQ(rs->Field(0), Value(1));

  rs->AddNew();
  rs->SetField(1, "y");
  EXPECT_NE(ErrorNumber([&] { rs->Update(); }), 0);
  EXPECT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Position(), 0);
  EXPECT_EQ(rs->Field(1), Value("x"));
  // The refused row is gone: moving does not try it again.
  EXPECT_NO_THROW(rs->MoveFirst());
  EXPECT_EQ(Rows("SELECT * FROM Strict"), "1|x\n");

  // A row deleted elsewhere since it was read.
  auto port1 = Rs("SELECT * FROM PORT1 ORDER BY STT");
  db_->Execute("DELETE FROM PORT1 WHERE STT=1");
  port1->SetField(0, 9);
  EXPECT_EQ(ErrorNumber([&] { port1->UpdateBatch(); }), -2147217864);
  EXPECT_EQ(port1->Field(0), Value(1));
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT1 WHERE STT=9"), "0\n");
}

// ---- Making the file ----

using MakeDb = SqliteFile;

TEST_F(MakeDb, ScriptStatementsEndAtLineEnds) {
  CreateDatabaseFromScript(Path(),
                           "-- a comment; with a semicolon;\n"
                           "CREATE TABLE T (A INTEGER,\r\n"
                           "  B TEXT);\r\n"
                           "INSERT INTO T VALUES (1, 'x; y');\n"
                           "  -- indented comment\n"
                           "INSERT INTO T VALUES (2, 'z')");
  EXPECT_EQ(QueryRows(Path(), "SELECT * FROM T ORDER BY A"), "1|x; y\n2|z\n");
  EXPECT_EQ(Entries(dir_), QStringList{"Data.mdb"});
}

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
