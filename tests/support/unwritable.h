// Makes a file or directory unwritable for this process while it lives: by
// its permissions for an ordinary user, by the immutable attribute for root,
// whom permissions do not stop. Ok() is false where neither works.
#pragma once

#include <filesystem>
#include <string>

namespace zl::test {

class Unwritable {
 public:
  explicit Unwritable(std::string path);
  ~Unwritable();
  Unwritable(const Unwritable&) = delete;
  Unwritable& operator=(const Unwritable&) = delete;
  bool Ok() const { return ok_; }

 private:
  std::string path_;
  bool ok_ = false;
  bool immutable_ = false;
  std::filesystem::perms before_{};
};

}  // namespace zl::test
