// Fresh database files for tests, made from the shipped SQL source.
#pragma once

#include <string>

namespace zl::test {

// Creates `dir`/Data.mdb from data/data.sql plus `extra_sql` (run after it)
// and returns its path.
std::string MakeTestDb(const std::string& dir, const std::string& extra_sql = {});

// Runs one query and returns the rows as "a|b|c" lines, NULL as "NULL", for
// checks that read the file back independently of the recordsets.
std::string QueryRows(const std::string& db_path, const std::string& sql);

}  // namespace zl::test
