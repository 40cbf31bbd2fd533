// zl-makedb OUT.mdb SCRIPT.sql: builds a database file from an SQL script.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "storage/sqlite/script.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zl-makedb OUT.mdb SCRIPT.sql\n");
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "zl-makedb: cannot read %s\n", argv[2]);
    return 1;
  }
  const std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    zl::CreateDatabaseFromScript(argv[1], script);
  } catch (const zl::DbError& e) {
    std::fprintf(stderr, "zl-makedb: %s: %s\n", argv[1], e.Report().c_str());
    return 1;
  }
  return 0;
}
