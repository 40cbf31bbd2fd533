// The list rules at their edges, each on its own file. The usual numbering
// and moves are checked after every action of the random operator test.
#include "domain/effect_list.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "storage/sqlite/database.h"
#include "support/testdb.h"

namespace zl {
namespace {

std::string Number(std::optional<std::int16_t> n) { return n ? std::to_string(*n) : "none"; }

// What `act` returns on port 2's list, given its rows, then PORT2 as "STT:name,...".
std::string Acted(const std::string& sql, std::string (*act)(EffectList&, const Snapshot&)) {
  QTemporaryDir dir;
  const std::string path = test::MakeTestDb(dir.path().toStdString(), sql + ";\n");
  auto db = MakeSqliteDatabase();
  db->Open(path);
  EffectList list(*db, 2);
  const std::string result = act(list, list.Rows());  // before the file is read
  return result + " | " +
         test::QueryRows(path,
                         "SELECT group_concat(x) FROM (SELECT STT || ':' || NameFunc AS x FROM PORT2"
                         " ORDER BY STT, rowid)");
}

TEST(EffectList, NumbersEndAt32767AndADeleteThatWouldCarryOnePastItIsRefused) {
  // Append takes the next number; the last ends the numbers, read again too.
  EXPECT_EQ(Acted("INSERT INTO PORT2 (STT, NameFunc) VALUES (32765, 'x')",
                  [](EffectList& l, const Snapshot&) {
                    l.ReadNext();
                    std::string out;
                    for (int i = 0; i < 2; ++i) {
                      out += l.Append({7, "new", 5, 1, 1, 30}).At(0, 0).ToText();
                      out += " " + Number(l.Next()) + ";";
                    }
                    return (l.ReadNext(), out + Number(l.Next()));
                  }),
            "32766 32767;32767 none;none | 32765:x,32766:new,32767:new\n");
  // A delete that would number a row past 32767 is refused.
  EXPECT_EQ(Acted("INSERT INTO PORT2 (STT, NameFunc) VALUES (32766, 'p'), (32767, 'q'), (32767, 'r'), (32767, 's')",
                  [](EffectList& l, const Snapshot& r) { return std::to_string(l.Delete(r.RowId(0), 32766)); }),
            "0 | 32766:p,32767:q,32767:r,32767:s\n");
}

}  // namespace
}  // namespace zl
