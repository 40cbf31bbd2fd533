// The list rules at their edges, on a real file: the numbers end at 32767,
// and a renumbering that fails takes its delete back. Each case starts from
// its own file, PORT2 filled by its SQL. The usual numbering, moves and the
// capacity value are checked after every action of the random operator test.
#include "domain/effect_list.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "storage/sqlite/database.h"
#include "support/testdb.h"

namespace zl {
namespace {

std::string Yes(bool b) { return b ? "yes" : "no"; }
std::string Number(std::optional<std::int16_t> n) { return n ? std::to_string(*n) : "none"; }

struct Case {
  const char* name;
  const char* sql;
  // Acts on the list, given its rows as read first; what it returned.
  std::string (*act)(EffectList& list, const Snapshot& rows);
  const char* result;
  // PORT2 afterwards in list order, and port 2's capacity value.
  const char* after;
};

const Case kCases[] = {
    {"no next at 32767", "INSERT INTO PORT2 (STT, NameFunc) VALUES (32767, 'x')",
     [](EffectList& l, const Snapshot&) { return (l.ReadNext(), Number(l.Next())); }, "none", "32767:x|30"},
    {"append takes the next number and the last ends the numbers",
     "INSERT INTO PORT2 (STT, NameFunc) VALUES (32765, 'x')",
     [](EffectList& l, const Snapshot&) {
       l.ReadNext();
       std::string out;
       for (int i = 0; i < 2; ++i) {
         const Snapshot row = l.Append({7, "new", 5, 1, 1, 30});
         out += row.At(0, 0).ToText() + ":" + row.At(0, 2).ToText() + " next " + Number(l.Next()) + ";";
       }
       return out;
     },
     "32766:new next 32767;32767:new next none;", "32765:x,32766:new,32767:new|30"},
    {"delete that would number past 32767",
     "INSERT INTO PORT2 (STT, NameFunc) VALUES (32766, 'p'), (32767, 'q'), (32767, 'r'), (32767, 's')",
     [](EffectList& l, const Snapshot& r) { return Yes(l.Delete(r.RowId(0), 32766)); }, "no",
     "32766:p,32767:q,32767:r,32767:s|30"},
    {"a failed renumbering undoes the delete",
     "INSERT INTO PORT2 (STT, NameFunc) VALUES (1, 'a'), (2, 'b'), (3, 'c');\n"
     "CREATE TRIGGER t BEFORE UPDATE ON PORT2 WHEN NEW.STT = 2 BEGIN SELECT RAISE(ABORT, 'full'); END",
     [](EffectList& l, const Snapshot& r) { return Yes(l.Delete(r.RowId(0), 1)); }, "Error 1811: full",
     "1:a,2:b,3:c|30"},
};

TEST(EffectList, NumbersEndAt32767AndAFailedRenumberingUndoesTheDelete) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    const std::string path = test::MakeTestDb(dir.path().toStdString(), c.sql + std::string(";\n"));
    auto db = MakeSqliteDatabase();
    db->Open(path);
    EffectList list(*db, 2);
    std::string result;
    try {
      result = c.act(list, list.Rows());
    } catch (const DbError& e) {
      result = e.Report();
    }
    EXPECT_EQ(result, c.result);
    const std::string after = test::QueryRows(
        path,
        "SELECT ifnull((SELECT group_concat(x) FROM (SELECT STT || ':' || NameFunc AS x FROM PORT2"
        " ORDER BY STT, rowid)), '') || '|' || ifnull((SELECT MaxValue FROM MaxPort WHERE Port=2), '')");
    EXPECT_EQ(after, std::string(c.after) + "\n");
  }
}

}  // namespace
}  // namespace zl
