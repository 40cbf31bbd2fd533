#include "app/shell.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "text/paths.h"

namespace zl {

bool Toolkit::CanWrite(const std::string& dir) const {
  // Only making a file tells for sure: permissions, read-only mounts and
  // access rules all have their say.
  const std::filesystem::path probe = PathFromUtf8(dir) / (".zl-write-test-" + std::to_string(std::random_device()()));
  std::error_code ec;
  if (std::filesystem::exists(probe, ec)) return false;
  const bool made = static_cast<bool>(std::ofstream(probe));
  std::filesystem::remove(probe, ec);
  return made;
}

}  // namespace zl
