#include "platform/sqlite_database.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>
#include <ostream>
#include <string>

#include "support/testdb.h"

namespace zl {

// Readable values in failure messages.
static void PrintTo(const Value& v, std::ostream* os) {
  if (v.IsNull()) *os << "NULL";
  else if (v.IsNumber()) *os << v.Number();
  else *os << ::testing::PrintToString(v.Str());
}

namespace {

using test::MakeTestDb;
using test::QueryRows;

QByteArray ReadAll(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void WriteAll(const std::string& path, const QByteArray& bytes) {
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList Entries(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

template <typename F>
int ErrorNumber(F&& f) {
  try {
    f();
  } catch (const DbError& e) {
    return e.Number();
  }
  return 0;
}

// ---- Opening ----

class SqliteOpen : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  std::string Path(const char* name) const { return dir_.path().toStdString() + "/" + name; }
  QTemporaryDir dir_;
  std::unique_ptr<Database> db_ = MakeSqliteDatabase();
};

TEST_F(SqliteOpen, MissingFileIsRefusedAndNotCreated) {
  const std::string path = Path("Data.mdb");
  EXPECT_EQ(ErrorNumber([&] { db_->Open(path); }), 14);
  EXPECT_FALSE(db_->IsOpen());
  EXPECT_TRUE(Entries(dir_).isEmpty());
}

TEST_F(SqliteOpen, OtherFileIsRefusedAndLeftAlone) {
  QByteArray bytes("Standard Jet DB\0", 16);
  for (int i = 0; i < 4096; ++i) bytes += static_cast<char>(i * 7);
  const std::string path = Path("Data.mdb");
  WriteAll(path, bytes);
  try {
    db_->Open(path);
    FAIL() << "opened a file that is no database";
  } catch (const DbError& e) {
    EXPECT_EQ(e.Number(), 26);
    EXPECT_EQ(e.Report(), "Error 26: file is not a database");
  }
  EXPECT_FALSE(db_->IsOpen());
  EXPECT_EQ(ReadAll(path), bytes);
  EXPECT_EQ(Entries(dir_), QStringList{"Data.mdb"});
}

TEST_F(SqliteOpen, EmptyFileIsRefusedAndLeftEmpty) {
  const std::string path = Path("Data.mdb");
  WriteAll(path, QByteArray());
  EXPECT_EQ(ErrorNumber([&] { db_->Open(path); }), 26);
  EXPECT_EQ(QFileInfo(QString::fromStdString(path)).size(), 0);
  EXPECT_EQ(Entries(dir_), QStringList{"Data.mdb"});
}

TEST_F(SqliteOpen, PathWithUriCharactersOpensThatFile) {
  const std::string made = MakeTestDb(dir_.path().toStdString());
  const std::string odd = Path("my data #1?x=%20.mdb");
  ASSERT_TRUE(QFile::rename(QString::fromStdString(made), QString::fromStdString(odd)));
  ASSERT_NO_THROW(db_->Open(odd));
  EXPECT_EQ(db_->OpenRecordset("SELECT * FROM FuncBoder")->RecordCount(), 8);
}

TEST_F(SqliteOpen, ReopensAfterClose) {
  const std::string path = MakeTestDb(dir_.path().toStdString());
  db_->Open(path);
  EXPECT_EQ(ErrorNumber([&] { db_->Open(path); }), 3705);
  db_->Close();
  EXPECT_FALSE(db_->IsOpen());
  db_->Open(path);
  EXPECT_EQ(db_->OpenRecordset("SELECT * FROM MaxPort")->RecordCount(), 3);
}

// ---- Recordsets on the shipped file ----

class SqliteRs : public ::testing::Test {
 protected:
  virtual std::string ExtraSql() const { return {}; }
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    path_ = MakeTestDb(dir_.path().toStdString(), ExtraSql());
    db_->Open(path_);
  }
  std::unique_ptr<Recordset> Rs(const std::string& sql) { return db_->OpenRecordset(sql); }
  std::string Rows(const std::string& sql) const { return QueryRows(path_, sql); }

  QTemporaryDir dir_;
  std::string path_;
  std::unique_ptr<Database> db_ = MakeSqliteDatabase();
};

TEST_F(SqliteRs, CountsFieldsAndValuesByPosition) {
  EXPECT_EQ(Rs("SELECT * FROM ShowFunc")->RecordCount(), 20);
  EXPECT_EQ(Rs("SELECT * FROM FuncBoder")->RecordCount(), 8);
  EXPECT_EQ(Rs("SELECT * FROM MaxPort")->RecordCount(), 3);

  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  ASSERT_EQ(rs->FieldCount(), 7);
  const char* names[] = {"STT", "CodeFunc", "NameFunc", "Delay", "Loop", "TxtA", "TxtB"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(rs->FieldName(i), names[i]);
  EXPECT_EQ(rs->FieldIndex("namefunc"), 2);
  EXPECT_EQ(ErrorNumber([&] { rs->FieldIndex("Speed"); }), 1);
  EXPECT_EQ(ErrorNumber([&] { rs->Field(7); }), 3265);

  ASSERT_GE(rs->RecordCount(), 2);
  EXPECT_EQ(rs->Position(), 0);
  EXPECT_EQ(rs->Field(0), Value(1));
  // Texts come back as the 8-bit codes of the characters stored.
  EXPECT_EQ(rs->Field(2), Value("01 Cha\xEFy ch\xF6\xF5 t\xF6\xF8 pha\xFBi sang tra\xF9i"));
  EXPECT_EQ(rs->FieldAt(1, 0), Value(2));

  auto port2 = Rs("SELECT * FROM MaxPort WHERE Port=2");
  ASSERT_EQ(port2->RecordCount(), 1);
  EXPECT_EQ(port2->Field(1), Value(30));
}

TEST_F(SqliteRs, WalksToEndOfFile) {
  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  const int n = rs->RecordCount();
  int seen = 0;
  for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
    EXPECT_EQ(rs->Position(), seen);
    EXPECT_EQ(rs->Field(0), Value(seen + 1));
    ++seen;
  }
  EXPECT_EQ(seen, n);
  EXPECT_EQ(rs->Position(), -1);
  EXPECT_EQ(ErrorNumber([&] { rs->Field(0); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs->MoveNext(); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs->SetPosition(n); }), 3001);
}

TEST_F(SqliteRs, EmptyResult) {
  auto rs = Rs("SELECT STT FROM PORT1");
  EXPECT_EQ(rs->RecordCount(), 0);
  EXPECT_EQ(rs->FieldCount(), 1);
  EXPECT_TRUE(rs->Eof());
  EXPECT_TRUE(rs->Bof());
  EXPECT_EQ(rs->Position(), -1);
  EXPECT_EQ(ErrorNumber([&] { rs->MoveFirst(); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs->Field(0); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs->SetField(0, 1); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs->Delete(); }), 3021);
}

TEST_F(SqliteRs, AggregateIsReadOnly) {
  auto none = Rs("SELECT MAX(STT) FROM PORT1");
  ASSERT_EQ(none->RecordCount(), 1);
  EXPECT_TRUE(none->Field(0).IsNull());

  auto rs = Rs("SELECT MAX(STT) FROM PORT_TEMP");
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Field(0), Value(3));
  EXPECT_EQ(ErrorNumber([&] { rs->SetField(0, 9); }), 3251);
  EXPECT_EQ(ErrorNumber([&] { rs->AddNew(); }), 3251);
  EXPECT_EQ(ErrorNumber([&] { rs->Delete(); }), 3251);
  EXPECT_EQ(Rows("SELECT MAX(STT), count(*) FROM PORT_TEMP"), "3|3\n");
}

TEST_F(SqliteRs, MissingTableReportsSqliteError) {
  try {
    Rs("SELECT * FROM PORT4 ORDER BY STT");
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_EQ(e.Number(), 1);
    EXPECT_NE(std::string(e.what()).find("no such table: PORT4"), std::string::npos) << e.what();
  }
}

TEST_F(SqliteRs, AddNewAppendsAsLastAndCurrent) {
  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  const int n = rs->RecordCount();
  int changed = 0;
  rs->Changed = [&] { ++changed; };
  rs->AddNew();
  const Value row[7] = {4, 12, "12 Thu he\xEFp", 7, 2, 1, 255};
  for (int i = 0; i < 7; ++i) rs->SetField(i, row[i]);
  EXPECT_EQ(rs->Field(2), row[2]);
  rs->Update();
  EXPECT_GT(changed, 0);
  EXPECT_EQ(rs->RecordCount(), n + 1);
  EXPECT_EQ(rs->Position(), n);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(rs->Field(i), row[i]) << i;
  EXPECT_EQ(Rows("SELECT * FROM PORT_TEMP WHERE STT=4"), "4|12|12 Thu he\u00EFp|7|2|1|255\n");

  // Fields left unset stay NULL in the table.
  rs->AddNew();
  rs->SetField(0, 5);
  rs->Update();
  EXPECT_EQ(rs->Position(), n + 1);
  EXPECT_TRUE(rs->Field(2).IsNull());
  EXPECT_EQ(Rows("SELECT * FROM PORT_TEMP WHERE STT=5"), "5|NULL|NULL|NULL|NULL|NULL|NULL\n");
}

TEST_F(SqliteRs, SnapshotShowsWhatTheTableStores) {
  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  rs->AddNew();
  rs->SetField(0, "6");  // INTEGER column: stored as a number
  rs->Update();
  EXPECT_EQ(rs->Field(0), Value(6));
}

TEST_F(SqliteRs, TextsTravelAsWindows1252Characters) {
  const std::string codes = "\x80 \x9F \xEF \x81 ASCII";
  auto rs = Rs("SELECT * FROM PORT1 ORDER BY STT");
  rs->AddNew();
  rs->SetField(0, 1);
  rs->SetField(2, codes);
  rs->Update();
  EXPECT_EQ(Rows("SELECT NameFunc, length(NameFunc) FROM PORT1"), "\u20AC \u0178 \u00EF \u0081 ASCII|13\n");
  auto back = Rs("SELECT * FROM PORT1 ORDER BY STT");
  ASSERT_EQ(back->RecordCount(), 1);
  EXPECT_EQ(back->Field(2), Value(codes));
}

TEST_F(SqliteRs, RequeryShowsChangesMadeElsewhere) {
  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  const int n = rs->RecordCount();
  rs->SetPosition(n - 1);
  db_->Execute("INSERT INTO PORT_TEMP (STT) VALUES (0)");
  EXPECT_EQ(rs->RecordCount(), n);  // a snapshot
  int changed = 0;
  rs->Changed = [&] { ++changed; };
  rs->Requery();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(rs->RecordCount(), n + 1);
  EXPECT_EQ(rs->Position(), 0);
  EXPECT_EQ(rs->Field(0), Value(0));
}

TEST_F(SqliteRs, NewCommandFormEmptiesTheTable) {
  db_->Execute("INSERT INTO PORT1 (STT) VALUES (1)");
  db_->Execute("INSERT INTO PORT2 (STT) VALUES (1)");
  db_->Execute("Delete * From PORT1");
  db_->Execute("delete  *  from port2");
  EXPECT_EQ(Rows("SELECT (SELECT count(*) FROM PORT1), (SELECT count(*) FROM PORT2), (SELECT count(*) FROM PORT_TEMP)"),
            "0|0|3\n");
  EXPECT_EQ(ErrorNumber([&] { db_->Execute("DELETE FROM PORT9"); }), 1);
}

TEST_F(SqliteRs, RollbackUndoesAndCommitKeeps) {
  db_->BeginTrans();
  db_->Execute("INSERT INTO PORT1 (STT) VALUES (1)");
  auto rs = Rs("SELECT * FROM PORT2 ORDER BY STT");
  rs->AddNew();
  rs->SetField(0, 1);
  rs->Update();
  db_->RollbackTrans();
  EXPECT_EQ(Rows("SELECT (SELECT count(*) FROM PORT1), (SELECT count(*) FROM PORT2)"), "0|0\n");

  db_->BeginTrans();
  db_->Execute("INSERT INTO PORT3 (STT) VALUES (9)");
  db_->CommitTrans();
  EXPECT_EQ(Rows("SELECT STT FROM PORT3"), "9\n");
  EXPECT_NE(ErrorNumber([&] { db_->CommitTrans(); }), 0);
}

TEST_F(SqliteRs, ClosedRecordsetAndClosedDatabase) {
  auto rs = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  auto other = Rs("SELECT * FROM PORT_TEMP ORDER BY STT");
  rs->Close();
  EXPECT_FALSE(rs->IsOpen());
  EXPECT_EQ(ErrorNumber([&] { rs->RecordCount(); }), 3704);
  EXPECT_EQ(ErrorNumber([&] { rs->Field(0); }), 3704);

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

// ---- Writes reach exactly the row read ----

class SqliteRsDuplicates : public SqliteRs {
 protected:
  std::string ExtraSql() const override {
    return "INSERT INTO PORT1 VALUES (1, 1, 'a', 0, 0, 0, 0);\n"
           "INSERT INTO PORT1 VALUES (2, 1, 'b', 0, 0, 0, 0);\n"
           "INSERT INTO PORT1 VALUES (2, 1, 'c', 0, 0, 0, 0);\n"
           "INSERT INTO PORT1 VALUES (3, 1, 'd', 0, 0, 0, 0);\n"
           "CREATE TABLE Strict (STT INTEGER NOT NULL, Name TEXT);\n"
           "INSERT INTO Strict VALUES (1, 'x');\n";
  }
  std::string ByName() const { return Rows("SELECT NameFunc, STT FROM PORT1 ORDER BY NameFunc"); }
};

TEST_F(SqliteRsDuplicates, UpdateBatchWritesOnlyTheCurrentRow) {
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
  const std::string expected = name == "b" ? "a|1\nb|7\nc|2\nd|3\n" : "a|1\nb|2\nc|7\nd|3\n";
  EXPECT_EQ(ByName(), expected);
}

TEST_F(SqliteRsDuplicates, LeavingAnEditedRowSavesIt) {
  auto rs = Rs("SELECT * FROM PORT1 ORDER BY STT");
  rs->SetField(0, 5);
  rs->MoveNext();
  EXPECT_EQ(ByName(), "a|5\nb|2\nc|2\nd|3\n");
}

TEST_F(SqliteRsDuplicates, DeleteRemovesOnlyTheCurrentRow) {
  auto rs = Rs("SELECT * FROM PORT1 ORDER BY STT");
  ASSERT_EQ(rs->RecordCount(), 4);
  rs->SetPosition(1);
  const std::string gone = rs->Field(2).Str();
  const std::string kept = rs->FieldAt(2, 2).Str();
  int changed = 0;
  rs->Changed = [&] { ++changed; };
  rs->Delete();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ(rs->Position(), 1);
  EXPECT_EQ(rs->Field(2), Value(kept));
  EXPECT_EQ(ByName(), gone == "b" ? "a|1\nc|2\nd|3\n" : "a|1\nb|2\nd|3\n");

  rs->SetPosition(2);
  rs->Delete();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->Position(), -1);
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT1 WHERE STT=3"), "0\n");
}

TEST_F(SqliteRsDuplicates, WritesOnAColumnSubsetReachTheirRows) {
  auto rs = Rs("SELECT STT FROM PORT1");
  ASSERT_EQ(rs->RecordCount(), 4);
  ASSERT_EQ(rs->FieldCount(), 1);
  for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
    rs->SetField(0, rs->Field(0).Number() * 10 + rs->Position());
    rs->UpdateBatch();
  }
  // Each row got its own number, equal STT values or not.
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
}

TEST_F(SqliteRsDuplicates, RowDeletedElsewhereIsReported) {
  auto rs = Rs("SELECT * FROM PORT1 ORDER BY STT");
  db_->Execute("DELETE FROM PORT1 WHERE STT=1");
  rs->SetField(0, 9);
  EXPECT_EQ(ErrorNumber([&] { rs->UpdateBatch(); }), -2147217864);
  EXPECT_EQ(rs->Field(0), Value(1));
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT1 WHERE STT=9"), "0\n");
}

// ---- Making the file ----

class MakeDb : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  std::string Path() const { return dir_.path().toStdString() + "/Data.mdb"; }
  QTemporaryDir dir_;
};

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

TEST_F(MakeDb, FailedScriptLeavesNoFile) {
  EXPECT_EQ(ErrorNumber([&] {
              CreateDatabaseFromScript(Path(), "CREATE TABLE T (A INTEGER);\nINSERT INTO Nope VALUES (1);\n");
            }),
            1);
  EXPECT_TRUE(Entries(dir_).isEmpty());
}

TEST_F(MakeDb, FailedScriptKeepsTheFileThere) {
  CreateDatabaseFromScript(Path(), "CREATE TABLE T (A INTEGER);\nINSERT INTO T VALUES (5);\n");
  const QByteArray before = ReadAll(Path());
  EXPECT_NE(ErrorNumber([&] { CreateDatabaseFromScript(Path(), "CREATE TABLE U (A INTEGER);\nBROKEN;\n"); }), 0);
  EXPECT_EQ(ReadAll(Path()), before);
  EXPECT_EQ(Entries(dir_), QStringList{"Data.mdb"});
}

TEST_F(MakeDb, MissingDirectoryFails) {
  EXPECT_NE(ErrorNumber([&] { CreateDatabaseFromScript(Path() + "/no/Data.mdb", "CREATE TABLE T (A);\n"); }), 0);
  EXPECT_TRUE(Entries(dir_).isEmpty());
}

// ---- The shipped file ----

TEST_F(SqliteRs, ShippedTablesHaveTheirFieldsInOrder) {
  const std::string port = "STT\nCodeFunc\nNameFunc\nDelay\nLoop\nTxtA\nTxtB\n";
  for (const char* t : {"PORT1", "PORT2", "PORT3", "PORT_TEMP"})
    EXPECT_EQ(Rows(std::string("SELECT name FROM pragma_table_info('") + t + "') ORDER BY cid"), port) << t;
  EXPECT_EQ(Rows("SELECT * FROM MaxPort ORDER BY Port"), "1|40\n2|30\n3|20\n");
  EXPECT_EQ(Rows("SELECT (SELECT count(*) FROM PORT1) + (SELECT count(*) FROM PORT2) + (SELECT count(*) FROM PORT3)"),
            "0\n");
  // A move gives two rows the same number for a moment.
  EXPECT_NO_THROW(db_->Execute("INSERT INTO PORT1 (STT) VALUES (1)"));
  EXPECT_NO_THROW(db_->Execute("INSERT INTO PORT1 (STT) VALUES (1)"));
}

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
      // VNI letters are codes 0xC0 and up; the C1 range never occurs.
      for (unsigned char c : text) EXPECT_FALSE(c >= 0x80 && c < 0xC0) << text;
    }
  }
}

}  // namespace
}  // namespace zl
