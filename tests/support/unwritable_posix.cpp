#include "support/unwritable.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace zl::test {

namespace fs = std::filesystem;

Unwritable::Unwritable(std::string path) : path_(std::move(path)) {
  std::error_code ec;
  before_ = fs::status(path_, ec).permissions();
  if (::geteuid() == 0) {
    immutable_ = std::system(("chattr +i '" + path_ + "' 2>/dev/null").c_str()) == 0;
  } else {
    fs::permissions(path_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ec);
  }
  // The immutable attribute stops root too, which access() tells.
  ok_ = ::access(path_.c_str(), W_OK) != 0;
}

Unwritable::~Unwritable() {
  std::error_code ec;
  if (immutable_) {
    if (std::system(("chattr -i '" + path_ + "' 2>/dev/null").c_str()) != 0) std::perror("chattr -i");
  } else {
    fs::permissions(path_, before_, ec);
  }
}

}  // namespace zl::test
