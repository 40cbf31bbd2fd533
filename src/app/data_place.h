// Where the operator's data lives: Data.mdb, and the COMn links beside it.
// A program whose own directory can be written keeps them there, as it
// always has (the build tree, a folder copied anywhere). An installed one,
// whose directory the operator cannot write, keeps them in the operator's
// own data directory, which its first start fills with the seed database.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zl {

struct DataPlace {
  std::string dir;  // no trailing separator
  // Said once to the operator: where a new Data.mdb was set up, or why the
  // data stayed beside the program although it cannot be written there.
  std::optional<std::string> note;
};

// `app_dir`: the executable's directory; `user_dir`: the operator's own data
// directory ("" when the platform has none); `seeds`: the databases a new
// user starts from, first found wins; `can_write`: whether a directory takes
// new files. Creates `user_dir` and copies a seed into it when needed, never
// over a Data.mdb that is there.
DataPlace ChooseDataPlace(const std::string& app_dir, const std::string& user_dir,
                          const std::vector<std::string>& seeds,
                          const std::function<bool(const std::string&)>& can_write);

}  // namespace zl
