// An operator's Access (Jet 3 / Jet 4) Data.mdb, converted once into the
// SQLite store at start-up. The file comes from a supplier and is read by a
// C library, so the reading runs in a process of its own: the program
// started again as the Access reader.
#pragma once

#include <optional>
#include <string>

#include "storage/access/child_process.h"

namespace zl {

// The option that makes the program the Access reader; --help does not offer
// it. The reader takes the Access file and the path of the copy to write.
constexpr const char* kAccessReaderOption = "--read-access-file";

// When `argv` asks for the Access reader: runs it and returns its exit
// status, having printed the row count of each table it wrote.
std::optional<int> RunAccessReaderIfAsked(int argc, char** argv);

// The limits the reader runs under, for an Access file of `file_bytes`.
ChildLimits AccessReaderLimits(std::uint64_t file_bytes);

// If `path` is an Access file: reads it with `program` run as the Access
// reader, checks the copy it wrote, keeps the original as Data.access.mdb
// beside it and puts the copy in its place; returns what the operator is to
// be told. Nothing when `path` is not an Access file. Throws DbError saying
// why the file could not be read and what to do (`seed` is the database
// shipped with the program, "" when there is none); `path` is then left as
// it was, with nothing beside it.
std::optional<std::string> ConvertAccessFile(const std::string& path, const std::string& program,
                                             const std::string& seed);

}  // namespace zl
