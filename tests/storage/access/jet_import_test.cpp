// Conversion of an operator's Access Data.mdb, on genuine Jet 4 files copied
// into each test's own directory.
#include "storage/access/jet_import.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "storage/access/conversion.h"
#include "storage/sqlite/connection.h"
#include "support/files.h"
#include "support/testdb.h"

namespace zl::test {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

constexpr const char* kReader = ZL_BIN_DIR "/zentrel-loader";

QByteArray Fixture(const char* name) {
  QByteArray bytes = ReadAll(QStringLiteral(ZL_FIXTURES_DIR "/jet4/") + QLatin1String(name));
  EXPECT_FALSE(bytes.isEmpty()) << "missing fixture " << name;
  return bytes;
}

// Queries on the converted file and the rows each must give.
using Expected = std::vector<std::pair<std::string, std::string>>;

class JetImport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  void Place(const QByteArray& bytes, const QString& name = "Data.mdb") {
    QFile f(dir_.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }
  std::string Db() const { return dir_.filePath("Data.mdb").toStdString(); }
  QString KeptPath() const { return dir_.filePath("Data.access.mdb"); }
  // Every file in the directory, with its bytes.
  QMap<QString, QByteArray> Files() const {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden))
      files[name] = ReadAll(dir_.filePath(name));
    return files;
  }
  std::optional<std::string> Convert(const std::string& reader = kReader) {
    return ConvertAccessFile(Db(), reader, "");
  }

  // `bytes` as Data.mdb must be refused with error `number`, saying `says`,
  // and every file left exactly as it was, with nothing new beside them.
  void ExpectRefused(const QByteArray& bytes, int number, const std::string& what, const std::string& says = {},
                     const std::string& reader = kReader) {
    Place(bytes);
    const auto before = Files();
    try {
      Convert(reader);
      ADD_FAILURE() << "accepted: " << what;
    } catch (const DbError& e) {
      EXPECT_EQ(e.Number(), number) << what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << what << ": " << e.what();
    }
    EXPECT_TRUE(Files() == before) << what << ": " << QStringList(Files().keys()).join(' ').toStdString();
  }

  // Converts `fixture`: the original is kept byte for byte beside the new
  // file, the queries read `expected`, and a second start converts nothing.
  void ExpectConverted(const char* fixture, const Expected& expected, const std::string& reader = kReader) {
    const QByteArray original = Fixture(fixture);
    Place(original);
    const auto note = Convert(reader);
    ASSERT_TRUE(note.has_value());
    EXPECT_NE(note->find(KeptPath().toStdString()), std::string::npos) << *note;
    EXPECT_EQ(Files().keys(), (QStringList{"Data.access.mdb", "Data.mdb"}));
    EXPECT_EQ(ReadAll(KeptPath()), original);
    for (const auto& [sql, rows] : expected) EXPECT_EQ(QueryRows(Db(), sql), rows) << sql;
    EXPECT_FALSE(Convert(reader).has_value());
  }

  QTemporaryDir dir_;
};

// Texts read by hand from the file's bytes; rowid order is the file's order.
TEST_F(JetImport, TheVendorFileArrivesRowForRowAndItsOriginalIsKept) {
  ExpectConverted("Data-vendor.mdb",
                  {{"SELECT * FROM PORT1 ORDER BY rowid",
                    "1|2|02 Chaïy chöõ töø phaûi sang traùi|5|1|1|40\n2|6|06 Nhaáp nhaùy|10|3|1|20\n"
                    "3|12|12 Thu nhoû|255|2|5|40\n"},
                   {"SELECT * FROM PORT2 ORDER BY rowid",  // with its gap
                    "1|1|01 Hieän chöõ ñöùng yeân|5|1|1|30\n2|9|09 Möa rôi|7|1|2|30\n4|10|10 Ñoåi maøu|1|9|1|15\n"},
                   {"SELECT * FROM PORT3 ORDER BY rowid",
                    "1|2|02 Vieàn chaïy voøng quanh|4|3|1|20\n2|3|03 Vieàn nhaáp nhaùy|2|1|1|20\n"},
                   {"SELECT * FROM PORT_TEMP ORDER BY rowid",
                    "1|1|01 Hieän chöõ ñöùng yeân|5|1|1|40\n2|2|02 Chaïy chöõ töø phaûi sang traùi|5|1|1|40\n"},
                   {"SELECT * FROM MaxPort ORDER BY rowid", "1|40\n2|30\n3|20\n"},
                   {"SELECT * FROM ShowFunc ORDER BY rowid",
                    "1|01 Hieän chöõ ñöùng yeân\n2|02 Chaïy chöõ töø phaûi sang traùi\n"
                    "3|03 Chaïy chöõ töø traùi sang phaûi\n4|04 Chaïy chöõ töø döôùi leân\n"
                    "5|05 Chaïy chöõ töø treân xuoáng\n6|06 Nhaáp nhaùy\n7|07 Hieän daàn töøng chöõ\n"
                    "8|08 Keùo maøn töø giöõa ra\n9|09 Möa rôi\n10|10 Ñoåi maøu\n11|11 Phoùng to\n12|12 Thu nhoû\n"},
                   {"SELECT * FROM FuncBoder ORDER BY rowid",
                    "1|01 Vieàn ñöùng yeân\n2|02 Vieàn chaïy voøng quanh\n3|03 Vieàn nhaáp nhaùy\n"
                    "4|04 Vieàn ñuoåi nhau\n5|05 Taét vieàn\n"}});
}

TEST_F(JetImport, TheEdgeFileKeepsLimitsNullsEmptyTextsAndWindows1252) {
  Expected expected{// An empty text stays a text, a NULL stays NULL, numbers stay numbers.
                    {"SELECT typeof(STT), typeof(NameFunc), typeof(TxtB) FROM PORT1 WHERE STT IN (5, 99) ORDER BY STT",
                     "integer|text|integer\ninteger|null|null\n"},
                    {"SELECT count(*) FROM PORT_TEMP", "0\n"},
                    {"SELECT * FROM MaxPort ORDER BY rowid", "1|255\n2|128\n3|64\n"}};
  for (const char* port : {"PORT1", "PORT2", "PORT3"})
    expected.push_back({std::string("SELECT * FROM ") + port + " ORDER BY rowid",
                        "1|10|Chaïy chöõ|0|0|32767|-32768\n2|11|Ñöùng yeân|100|1|32767|-32768\n"
                        "3|12|Cuoän leân|200|2|32767|-32768\n4|13|Nhaáp nhaùy|300|3|32767|-32768\n"
                        "5|14||400|-1|32767|-32768\n99|NULL|NULL|NULL|NULL|NULL|NULL\n"});
  for (const char* table : {"ShowFunc", "FuncBoder"})
    expected.push_back({std::string("SELECT FuncID, FuncText, typeof(FuncText) FROM ") + table + " ORDER BY rowid",
                        "1|Hieän chöõ|text\n2|Vieàn €Ÿ 1252|text\n3|NULL|null\n"});
  ExpectConverted("Data-edge.mdb", expected);
}

// Copies cut short, or lacking a table, are refused naming what is wrong.
TEST_F(JetImport, DamagedCopiesAreRefusedAndLeftUntouched) {
  const QByteArray whole = Fixture("Data-vendor.mdb");
  ASSERT_EQ(whole.size() % 4096, 0);
  // Every cut at a page boundary loses some table's definition or rows.
  for (int pages = 1; pages < whole.size() / 4096; ++pages)
    ExpectRefused(whole.left(pages * 4096), 3343, std::to_string(pages) + " pages");
  ExpectRefused(whole.left(100000), 3343, "cut inside a page");
  ExpectRefused(whole.left(whole.size() - 1), 3343, "last byte missing");
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
    ExpectRefused(dropped, 3078, t.name, std::string("'") + t.name + "'");
  }
}

TEST_F(JetImport, AnOriginalKeptEarlierIsNeverOverwritten) {
  Place("an earlier original", "Data.access.mdb");
  ExpectRefused(Fixture("Data-vendor.mdb"), 3012, "kept copy exists", "Data.access.mdb");
}

// A reader that ends badly, or writes or says something other than a whole
// copy: the program names what went wrong and keeps nothing of it. The
// stand-in hands over the real reader's copy of the vendor file, spoilt.
TEST_F(JetImport, WhatTheReaderLeavesIsCheckedBeforeAnythingIsReplaced) {
  QTemporaryDir tools;
  ASSERT_TRUE(tools.isValid());
  const std::string good = tools.filePath("good").toStdString(), copy = tools.filePath("copy").toStdString();
  const std::string said = tools.filePath("said").toStdString(), reader = tools.filePath("reader").toStdString();
  const ChildOutcome real =
      RunChild({kReader, kAccessReaderOption, ZL_FIXTURES_DIR "/jet4/Data-vendor.mdb", good}, AccessReaderLimits(0));
  ASSERT_EQ(real.end, ChildOutcome::End::Exited);
  ASSERT_EQ(real.status, 0) << real.out << real.err;

  struct Case {
    const char* spoil;  // SQL run on the copy
    std::string says;   // what the reader prints
    const char* then;   // shell run after that
    int number;
    const char* expected;
  };
  const Case cases[] = {
      {"", real.out, "", 0, nullptr},  // the stand-in itself works
      {"", "", "", 3343, "did not say what it wrote"},
      {"", real.out + "rows PORT1 3\n", "", 3343, "did not say what it wrote"},
      {"DROP TABLE ShowFunc", real.out, "", 3343, "instead of table PORT1"},
      {"CREATE INDEX i ON PORT1 (STT)", real.out, "", 3343, "index i"},
      {"DELETE FROM PORT2 WHERE STT = 4", real.out, "", 3343, "table PORT2 holds 2 rows, the reader wrote 3"},
      {"UPDATE PORT3 SET Loop = 'x'", real.out, "", 3343, "table PORT3 holds 2 rows with values of a wrong kind"},
      {"UPDATE MaxPort SET MaxValue = 40000", real.out, "", 3343, "table MaxPort holds 3 rows with values"},
      {"ALTER TABLE PORT_TEMP RENAME COLUMN Delay TO Pause", real.out, "", 3343, "Pause INTEGER"},
      {"", real.out, "head -c 4096 /dev/urandom > \"$3\"", 3343, "failed the checks"},
      {"", "", "kill -SEGV $$", 3343, "it crashed the Access reader (signal 11)"},
      {"", "", "exit 7", 3343, "stopped with exit status 7"},
      {"", "refused 3078 The database engine cannot find the input table 'PORT1'.\n", "exit 1", 3078,
       "read: The database engine cannot find the input table 'PORT1'. It was left as it is."},
  };
  for (const Case& c : cases) {
    std::filesystem::copy_file(good, copy, std::filesystem::copy_options::overwrite_existing);
    if (*c.spoil) sqlite::Connection::Open(copy)->Exec(c.spoil);
    Write(said, c.says);
    Write(reader, "#!/bin/sh\ncp '" + copy + "' \"$3\"\ncat '" + said + "'\n" + c.then + "\n");
    std::filesystem::permissions(reader, std::filesystem::perms::owner_all);
    if (c.expected)
      ExpectRefused(Fixture("Data-vendor.mdb"), c.number, c.spoil, c.expected, reader);
    else
      ExpectConverted("Data-vendor.mdb", {{"SELECT count(*) FROM ShowFunc", "12\n"}}, reader);
    QFile::remove(KeptPath());
  }
}

// 32767 and -32768 pass through the edge file.
TEST(JetFieldValue, NumbersMustBeWholeAndFitTheirField) {
  EXPECT_EQ(JetFieldValue(FieldKind::Int16, true, "12.000", "w"), Value(12));
  EXPECT_EQ(JetFieldValue(FieldKind::Integer, true, "70000", "w"), Value(70000));
  // The error number, and whether the message names the field.
  const auto refusal = [](FieldKind kind, bool numeric, const char* text) {
    try {
      JetFieldValue(kind, numeric, text, "table PORT1, row 2, field 3 (Delay)");
    } catch (const DbError& e) {
      const bool named = std::string(e.what()).find("row 2, field 3") != std::string::npos;
      return std::to_string(e.Number()) + (named ? " named" : "");
    }
    return std::string("accepted");
  };
  for (const char* text : {"32768", "-32769", "99999999999"})
    EXPECT_EQ(refusal(FieldKind::Int16, true, text), "3349 named") << text;
  for (const char* text : {"1.5", "abc", "", "12x"}) {
    EXPECT_EQ(refusal(FieldKind::Int16, false, text), "3464 named") << text;
    EXPECT_EQ(refusal(FieldKind::Integer, true, text), "3464 named") << text;
  }
  // Texts, and "any" fields of a text column, stay exactly as read.
  EXPECT_EQ(JetFieldValue(FieldKind::Text, true, "  12  ", "w"), Value("  12  "));
  EXPECT_EQ(JetFieldValue(FieldKind::Any, false, "07", "w"), Value("07"));
  EXPECT_EQ(JetFieldValue(FieldKind::Any, true, "7", "w"), Value(7));
}

}  // namespace
}  // namespace zl::test
