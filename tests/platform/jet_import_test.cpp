// Conversion of an operator's Access Data.mdb, on genuine Jet 4 files copied
// into each test's own directory.
#include "platform/jet_import.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "app/frm_form.h"
#include "platform/cp1252.h"
#include "platform/sqlite_database.h"
#include "support/fakes.h"
#include "support/testdb.h"

namespace zl::test {
namespace {

const QString kFixtures = QStringLiteral(ZL_FIXTURES_DIR "/jet4/");

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class JetImport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  // Puts `bytes` in place as the operator's Data.mdb.
  void Place(const QByteArray& bytes) {
    QFile f(DbPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }
  QByteArray Fixture(const char* name) {
    const QByteArray bytes = ReadAll(kFixtures + QLatin1String(name));
    EXPECT_FALSE(bytes.isEmpty()) << "missing fixture " << name;
    return bytes;
  }
  QString DbPath() const { return dir_.filePath(QStringLiteral("Data.mdb")); }
  QString KeptPath() const { return dir_.filePath(QStringLiteral("Data.access.mdb")); }
  std::string Db() const { return DbPath().toStdString(); }
  QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

  std::optional<std::string> Convert() { return MakeSqliteDatabase()->ConvertForeign(Db()); }

  // The file must be refused and left exactly as it was, with nothing beside it.
  void ExpectRefused(const QByteArray& bytes, int number, const std::string& what) {
    Place(bytes);
    try {
      Convert();
      ADD_FAILURE() << "accepted: " << what;
    } catch (const DbError& e) {
      EXPECT_EQ(e.Number(), number) << what << ": " << e.what();
    }
    EXPECT_EQ(ReadAll(DbPath()), bytes) << what;
    EXPECT_EQ(Files(), QStringList{QStringLiteral("Data.mdb")}) << what;
  }

  std::string Rows(const std::string& sql) const { return QueryRows(Db(), sql); }

  QTemporaryDir dir_;
};

const char* const kVendorPorts[] = {
    // PORT1
    "1|2|02 Chaïy chöõ töø phaûi sang traùi|5|1|1|40\n"
    "2|6|06 Nhaáp nhaùy|10|3|1|20\n"
    "3|12|12 Thu nhoû|255|2|5|40\n",
    // PORT2, with its gap
    "1|1|01 Hieän chöõ ñöùng yeân|5|1|1|30\n"
    "2|9|09 Möa rôi|7|1|2|30\n"
    "4|10|10 Ñoåi maøu|1|9|1|15\n",
    // PORT3
    "1|2|02 Vieàn chaïy voøng quanh|4|3|1|20\n"
    "2|3|03 Vieàn nhaáp nhaùy|2|1|1|20\n",
};

TEST_F(JetImport, TheVendorFileArrivesRowForRowAndItsOriginalIsKept) {
  const QByteArray original = Fixture("Data-vendor.mdb");
  Place(original);
  const auto note = Convert();
  ASSERT_TRUE(note.has_value());
  EXPECT_NE(note->find(KeptPath().toStdString()), std::string::npos) << *note;

  EXPECT_EQ(ReadAll(KeptPath()), original);
  EXPECT_EQ(Files(), (QStringList{QStringLiteral("Data.access.mdb"), QStringLiteral("Data.mdb")}));

  // rowid order is the order the rows were written in: the file's order.
  for (int port = 1; port <= 3; ++port)
    EXPECT_EQ(Rows("SELECT * FROM PORT" + std::to_string(port) + " ORDER BY rowid"), kVendorPorts[port - 1])
        << "PORT" << port;
  EXPECT_EQ(Rows("SELECT * FROM PORT_TEMP ORDER BY rowid"),
            "1|1|01 Hieän chöõ ñöùng yeân|5|1|1|40\n2|2|02 Chaïy chöõ töø phaûi sang traùi|5|1|1|40\n");
  EXPECT_EQ(Rows("SELECT * FROM MaxPort ORDER BY rowid"), "1|40\n2|30\n3|20\n");
  EXPECT_EQ(Rows("SELECT * FROM FuncBoder ORDER BY rowid"),
            "1|01 Vieàn ñöùng yeân\n2|02 Vieàn chaïy voøng quanh\n3|03 Vieàn nhaáp nhaùy\n"
            "4|04 Vieàn ñuoåi nhau\n5|05 Taét vieàn\n");
  const std::string show = Rows("SELECT * FROM ShowFunc ORDER BY rowid");
  EXPECT_EQ(std::count(show.begin(), show.end(), '\n'), 12) << show;
  EXPECT_EQ(show.rfind("1|01 Hieän chöõ ñöùng yeân\n2|02 Chaïy chöõ töø phaûi sang traùi\n", 0), 0u) << show;
  EXPECT_NE(show.find("\n12|12 Thu nhoû\n"), std::string::npos) << show;

  // Once converted the file is the program's own: nothing more to do.
  EXPECT_FALSE(Convert().has_value());
  EXPECT_EQ(ReadAll(KeptPath()), original);
}

TEST_F(JetImport, TheEdgeFileKeepsLimitsNullsEmptyTextsAndWindows1252) {
  Place(Fixture("Data-edge.mdb"));
  ASSERT_TRUE(Convert().has_value());
  const std::string edge_port =
      "1|10|Chaïy chöõ|0|0|32767|-32768\n"
      "2|11|Ñöùng yeân|100|1|32767|-32768\n"
      "3|12|Cuoän leân|200|2|32767|-32768\n"
      "4|13|Nhaáp nhaùy|300|3|32767|-32768\n"
      "5|14||400|-1|32767|-32768\n"
      "99|NULL|NULL|NULL|NULL|NULL|NULL\n";
  for (int port = 1; port <= 3; ++port)
    EXPECT_EQ(Rows("SELECT * FROM PORT" + std::to_string(port) + " ORDER BY rowid"), edge_port) << port;
  // An empty text stays a text, a NULL stays NULL, numbers stay numbers.
  EXPECT_EQ(Rows("SELECT typeof(STT), typeof(NameFunc), typeof(TxtB) FROM PORT1 WHERE STT IN (5, 99) ORDER BY STT"),
            "integer|text|integer\ninteger|null|null\n");
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT_TEMP"), "0\n");
  EXPECT_EQ(Rows("SELECT * FROM MaxPort ORDER BY rowid"), "1|255\n2|128\n3|64\n");
  for (const char* table : {"ShowFunc", "FuncBoder"})
    EXPECT_EQ(Rows(std::string("SELECT FuncID, FuncText, typeof(FuncText) FROM ") + table + " ORDER BY rowid"),
              "1|Hieän chöõ|text\n2|Vieàn €Ÿ 1252|text\n3|NULL|null\n")
        << table;

  // The program reads "€" and "Ÿ" back as their Windows-1252 codes.
  auto db = MakeSqliteDatabase();
  db->Open(Db());
  auto rs = db->OpenRecordset("SELECT * FROM ShowFunc");
  rs->MoveNext();
  EXPECT_EQ(rs->Field(1), Value(std::string("Vie\xE0n \x80\x9F 1252")));
}

TEST_F(JetImport, CopiesCutShortAreRefusedAndLeftUntouched) {
  const QByteArray whole = Fixture("Data-vendor.mdb");
  ASSERT_EQ(whole.size() % 4096, 0);
  // Every cut at a page boundary loses some table's definition or rows.
  for (int pages = 1; pages < whole.size() / 4096; ++pages)
    ExpectRefused(whole.left(pages * 4096), 3343, std::to_string(pages) + " pages");
  ExpectRefused(whole.left(100000), 3343, "cut inside a page");
  ExpectRefused(whole.left(whole.size() - 1), 3343, "last byte missing");
}

TEST_F(JetImport, ACopyLackingATableIsRefusedNamingTheTable) {
  const QByteArray whole = Fixture("Data-vendor.mdb");
  for (const TableLayout& t : StoreTables()) {
    // The catalogue holds each name once, in UTF-16; changing its last
    // letter takes the table out of the file as far as any reader goes.
    const QByteArray name(reinterpret_cast<const char*>(QString::fromLatin1(t.name).utf16()),
                          2 * static_cast<int>(std::strlen(t.name)));
    const int at = whole.indexOf(name);
    ASSERT_GE(at, 0) << t.name;
    ASSERT_EQ(whole.indexOf(name, at + 1), -1) << t.name;
    QByteArray dropped = whole;
    dropped[at + name.size() - 2] = '~';
    Place(dropped);
    try {
      Convert();
      ADD_FAILURE() << "accepted without " << t.name;
    } catch (const DbError& e) {
      EXPECT_EQ(e.Number(), 3078);
      EXPECT_NE(std::string(e.what()).find(std::string("'") + t.name + "'"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll(DbPath()), dropped) << t.name;
    EXPECT_EQ(Files(), QStringList{QStringLiteral("Data.mdb")}) << t.name;
  }
}

TEST_F(JetImport, AnOriginalKeptEarlierIsNeverOverwritten) {
  const QByteArray jet = Fixture("Data-vendor.mdb");
  const QByteArray earlier("an earlier original");
  Place(jet);
  {
    QFile f(KeptPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(earlier);
  }
  EXPECT_THROW(Convert(), DbError);
  EXPECT_EQ(ReadAll(DbPath()), jet);
  EXPECT_EQ(ReadAll(KeptPath()), earlier);
  EXPECT_EQ(Files(), (QStringList{QStringLiteral("Data.access.mdb"), QStringLiteral("Data.mdb")}));
}

TEST(JetFieldValue, NumbersMustBeWholeAndFitTheirField) {
  EXPECT_EQ(JetFieldValue(FieldKind::Int16, true, "32767", "w"), Value(32767));
  EXPECT_EQ(JetFieldValue(FieldKind::Int16, true, "-32768", "w"), Value(-32768));
  EXPECT_EQ(JetFieldValue(FieldKind::Int16, true, "12.000", "w"), Value(12));
  EXPECT_EQ(JetFieldValue(FieldKind::Integer, true, "70000", "w"), Value(70000));
  for (const char* text : {"32768", "-32769", "99999999999"}) {
    try {
      JetFieldValue(FieldKind::Int16, true, text, "table PORT1, row 2, field 3 (Delay)");
      ADD_FAILURE() << text;
    } catch (const DbError& e) {
      EXPECT_EQ(e.Number(), 3349);
      EXPECT_NE(std::string(e.what()).find("row 2, field 3"), std::string::npos) << e.what();
    }
  }
  for (const char* text : {"1.5", "abc", "", "12x"}) {
    EXPECT_THROW(JetFieldValue(FieldKind::Int16, false, text, "w"), DbError) << text;
    EXPECT_THROW(JetFieldValue(FieldKind::Integer, true, text, "w"), DbError) << text;
  }
  // Texts, and "any" fields of a text column, stay exactly as read.
  EXPECT_EQ(JetFieldValue(FieldKind::Text, true, "  12  ", "w"), Value("  12  "));
  EXPECT_EQ(JetFieldValue(FieldKind::Any, false, "07", "w"), Value("07"));
  EXPECT_EQ(JetFieldValue(FieldKind::Any, true, "7", "w"), Value(7));
}

// The program starts on the converted file, says so once, and sends what
// the vendor's rows hold.
TEST_F(JetImport, AfterConversionTheProgramStartsAndUploadsTheVendorRows) {
  Place(Fixture("Data-vendor.mdb"));
  auto db = MakeSqliteDatabase();
  FakeSerial serial;
  serial.openable = {1};
  RecordingMessages messages;
  FakeToolkit toolkit;
  toolkit.app_path = dir_.path().toStdString();
  FrmForm form(Services{*db, serial, messages, toolkit});
  ASSERT_NO_THROW(form.Form_Load());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("Data.access.mdb"), std::string::npos) << messages.shown[0];

  form.CmbCOM.Choose(0);
  ASSERT_EQ(form.CmbCOM.Text(), "COM 1");
  form.CmdConnect.PerformClick();
  form.CmbPORT.Choose(1);
  ASSERT_EQ(form.PortNo, 2);
  EXPECT_EQ(form.TxtMaxport.Text(), "30");
  ASSERT_EQ(form.CmbFunc.ListCount(), 12);
  EXPECT_EQ(form.CmbFunc.List(8), Utf8ToCp1252("09 Möa rôi"));

  form.CmdSEND.PerformClick();
  ASSERT_FALSE(serial.writes.empty());
  // Records are code, loop, time, start, end of PORT2's rows 1, 2, 4.
  const std::string expected = std::string("\xFE\xFD\xFB\x1E", 4) + "\x01\x01\x05\x01\x1E" +
                               "\x09\x01\x07\x02\x1E" + "\x0A\x09\x01\x01\x0F" + "\xFF";
  EXPECT_EQ(serial.writes.back(), expected);
  EXPECT_EQ(messages.shown.size(), 1u) << messages.shown.back();
}

}  // namespace
}  // namespace zl::test
