// Fresh database files for tests, made from the shipped SQL source.
#pragma once

#include <string>

namespace zl::test {

// Creates `dir`/Data.mdb from data/data.sql plus `extra_sql` (run after it)
// and returns its path.
std::string MakeTestDb(const std::string& dir, const std::string& extra_sql = {});

// Runs one query and returns the rows as "a|b|c" lines, NULL as "NULL", for
// checks that read the file back independently of the window's own storage code.
std::string QueryRows(const std::string& db_path, const std::string& sql);

// Every list row and capacity value in stored order, one line each:
// "PORT1|STT|CodeFunc|NameFunc|Delay|Loop|TxtA|TxtB", "MaxPort|Port|MaxValue|||||".
inline constexpr char kStoredListsSql[] =
    "SELECT n, STT, CodeFunc, NameFunc, Delay, Loop, TxtA, TxtB FROM (SELECT 0 AS t, rowid AS r, 'PORT_TEMP' AS n, *"
    " FROM PORT_TEMP UNION ALL SELECT 1, rowid, 'PORT1', * FROM PORT1 UNION ALL SELECT 2, rowid, 'PORT2', * FROM"
    " PORT2 UNION ALL SELECT 3, rowid, 'PORT3', * FROM PORT3 UNION ALL SELECT 4, rowid, 'MaxPort', Port, MaxValue,"
    " '', '', '', '', '' FROM MaxPort) ORDER BY t, r";

}  // namespace zl::test
