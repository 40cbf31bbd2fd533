#include "shell.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace zl {

bool Toolkit::CanWrite(const std::string& dir) const {
  // Only making a file tells for sure: permissions, read-only mounts and
  // access rules all have their say.
  const std::filesystem::path probe =
      std::filesystem::path(dir) / (".zl-write-test-" + std::to_string(std::random_device()()));
  std::FILE* f = std::fopen(probe.string().c_str(), "wx");
  if (!f) return false;
  std::fclose(f);
  std::error_code ec;
  std::filesystem::remove(probe, ec);
  return true;
}

}  // namespace zl
