// Where the operator's data lives: Data.mdb, and the COMn links beside it.
// A program with its Data.mdb in a directory that can be written keeps them
// there, as it always has (the build tree, a folder copied anywhere). An
// installed one, whose directory the operator cannot write or which holds
// no Data.mdb while a seed is installed, keeps them in the operator's own
// data directory, which its first start fills from the seed database.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zl {

struct DataPlace {
  std::string dir;  // no trailing separator
  // Said once to the operator: where a new Data.mdb was set up, or why the
  // data stayed beside the program although it cannot be written there.
  std::optional<std::string> note;
};

// `app_dir`: the executable's directory; `user_dir`: the operator's own data
// directory ("" when the platform has none); `seed`: the database installed
// for new users ("" when none); `can_write`: whether a directory takes new
// files. Creates `user_dir` and copies a start into it when needed (the seed,
// else the Data.mdb beside the program), never over a Data.mdb that is there.
DataPlace ChooseDataPlace(const std::string& app_dir, const std::string& user_dir, const std::string& seed,
                          const std::function<bool(const std::string&)>& can_write);

}  // namespace zl
