// Conversion of an operator's Access Data.mdb, on genuine Jet 4 files copied
// into each test's own directory.
#include "storage/access/jet_import.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include "storage/access/conversion.h"
#include "storage/sqlite/connection.h"
#include "support/files.h"
#include "support/testdb.h"
#include "support/thrown.h"

namespace zl::test {
namespace {

namespace fs = std::filesystem;
constexpr const char* kReader = ZL_BIN_DIR "/zentrel-loader";

std::string Fixture(const char* name) {
  std::string bytes = Read(std::string(ZL_FIXTURES_DIR "/jet4/") + name);
  EXPECT_FALSE(bytes.empty()) << "missing fixture " << name;
  return bytes;
}

class JetImport : public ::testing::Test {
 protected:
  QTemporaryDir tmp_;
  fs::path dir_ = tmp_.path().toStdString(), db_ = dir_ / "Data.mdb", kept_ = dir_ / "Data.access.mdb";
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir_)) files[e.path().filename().string()] = Read(e.path());
    return files;
  }

  // `bytes` as Data.mdb must be refused with error `number`, saying `says`,
  // and every file left exactly as it was, with nothing new beside them.
  void ExpectRefused(const std::string& bytes, int number, const std::string& what, const std::string& says = {},
                     const std::string& reader = kReader) {
    Write(db_, bytes);
    const auto before = Files();
    try {
      ConvertAccessFile(db_.string(), reader, "");
      ADD_FAILURE() << "accepted: " << what;
    } catch (const DbError& e) {
      EXPECT_EQ(e.Number(), number) << what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << what << ": " << e.what();
    }
    EXPECT_TRUE(Files() == before) << what;
  }

  // Converts `fixture`: the original is kept byte for byte beside the new
  // file, each query reads its rows, and a second start converts nothing.
  void ExpectConverted(const char* fixture, const std::vector<std::pair<std::string, std::string>>& expected,
                       const std::string& reader = kReader) {
    const std::string original = Fixture(fixture);
    Write(db_, original);
    ASSERT_TRUE(ConvertAccessFile(db_.string(), reader, ""));
    EXPECT_EQ(Files().size(), 2u);
    EXPECT_EQ(Read(kept_), original);
    for (const auto& [sql, rows] : expected) EXPECT_EQ(QueryRows(db_.string(), sql), rows) << sql;
    EXPECT_FALSE(ConvertAccessFile(db_.string(), reader, ""));
  }
};

TEST_F(JetImport, TheEdgeFileKeepsLimitsNullsEmptyTextsAndWindows1252) {
  ExpectConverted("Data-edge.mdb",
                  {{"SELECT typeof(STT), typeof(NameFunc), typeof(TxtB) FROM PORT1 WHERE STT IN (5, 99) ORDER BY STT",
                    "integer|text|integer\ninteger|null|null\n"},
                   {"SELECT * FROM MaxPort ORDER BY rowid", "1|255\n2|128\n3|64\n"},
                   {"SELECT * FROM PORT3 WHERE STT IN (1, 5) ORDER BY rowid",
                    "1|10|Chaïy chöõ|0|0|32767|-32768\n5|14||400|-1|32767|-32768\n"},
                   {"SELECT FuncText FROM FuncBoder ORDER BY rowid", "Hieän chöõ\nVieàn €Ÿ 1252\nNULL\n"}});
}

// Copies cut short, or lacking a table, are refused naming what is wrong;
// so is any file while an original kept earlier is there.
TEST_F(JetImport, DamagedCopiesAreRefusedAndLeftUntouched) {
  const std::string whole = Fixture("Data-vendor.mdb");
  ASSERT_EQ(whole.size() % 4096, 0u);
  // Every cut at a page boundary loses some table's definition or rows.
  for (std::size_t pages = 1; pages < whole.size() / 4096; ++pages)
    ExpectRefused(whole.substr(0, pages * 4096), 3343, std::to_string(pages) + " pages");
  ExpectRefused(whole.substr(0, whole.size() - 1), 3343, "last byte missing");
  for (const TableLayout& t : StoreTables()) {
    // The catalogue holds each name once, in UTF-16; changing its last
    // letter takes the table out of the file as far as any reader goes.
    std::string name;
    for (const char* c = t.name; *c; ++c) name += std::string(1, *c) + '\0';
    const std::size_t at = whole.find(name);
    ASSERT_TRUE(at != std::string::npos && whole.find(name, at + 1) == std::string::npos) << t.name;
    std::string dropped = whole;
    dropped[at + name.size() - 2] = '~';
    ExpectRefused(dropped, 3078, t.name, std::string("'") + t.name + "'");
  }
  Write(kept_, "an earlier original");
  ExpectRefused(whole, 3012, "kept copy exists", "Data.access.mdb");
}

// A reader that ends badly, or writes or says something other than a whole
// copy: the program names what went wrong and keeps nothing of it. The
// stand-in hands over the real reader's copy of the vendor file, spoilt.
TEST_F(JetImport, WhatTheReaderLeavesIsCheckedBeforeAnythingIsReplaced) {
  QTemporaryDir tools;
  const std::string good = tools.filePath("good").toStdString(), copy = tools.filePath("copy").toStdString();
  const std::string said = tools.filePath("said").toStdString(), reader = tools.filePath("reader").toStdString();
  const ChildOutcome real =
      RunChild({kReader, kAccessReaderOption, ZL_FIXTURES_DIR "/jet4/Data-vendor.mdb", good}, AccessReaderLimits(0));
  ASSERT_TRUE(real.end == ChildOutcome::End::Exited && real.status == 0) << real.out << real.err;

  const struct {
    const char* spoil;  // SQL run on the copy
    std::string says;   // what the reader prints
    const char* then;   // shell run after that
    int number;
    const char* expected;
  } cases[] = {
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
  for (const auto& c : cases) {
    fs::copy_file(good, copy, fs::copy_options::overwrite_existing);
    if (*c.spoil) sqlite::Connection::Open(copy)->Exec(c.spoil);
    Write(said, c.says);
    Write(reader, "#!/bin/sh\ncp '" + copy + "' \"$3\"\ncat '" + said + "'\n" + c.then + "\n");
    fs::permissions(reader, fs::perms::owner_all);
    if (c.expected)
      ExpectRefused(Fixture("Data-vendor.mdb"), c.number, c.spoil, c.expected, reader);
    else
      ExpectConverted("Data-vendor.mdb", {{"SELECT count(*) FROM ShowFunc", "12\n"}}, reader);
    fs::remove(kept_);
  }
}

// 32767 and -32768 pass through the edge file; beyond, the field is named.
TEST(JetFieldValue, NumbersMustBeWholeAndFitTheirField) {
  const std::pair<const char*, int> refused[] = {{"32768", 3349}, {"-32769", 3349}, {"1.5", 3464}, {"12x", 3464}};
  for (const auto& [text, number] : refused) {
    const auto e = Thrown<DbError>([&, text = text] { JetFieldValue(FieldKind::Int16, true, text, "row 2, field 3"); });
    ASSERT_TRUE(e && e->Number() == number) << text << ": " << (e ? e->what() : "accepted");
    EXPECT_NE(std::string(e->what()).find("row 2, field 3"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace zl::test
