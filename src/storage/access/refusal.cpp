// A build without Access support: an Access file is recognised, never read.
#include "storage/access/conversion.h"
#include "storage/access/jet_import.h"
#include "storage/provider_errors.h"

namespace zl {

std::optional<int> RunAccessReaderIfAsked(int /*argc*/, char** /*argv*/) { return std::nullopt; }

ChildLimits AccessReaderLimits(std::uint64_t /*file_bytes*/) { return {}; }

std::optional<std::string> ConvertAccessFile(const std::string& path, const std::string& /*program*/,
                                             const std::string& /*seed*/) {
  if (!IsJetFile(path)) return std::nullopt;
  throw DbError(provider_error::kUnrecognizedFormat,
                "Data.mdb is an Access file that cannot be converted, and was left as it is: this build of "
                "zentrel-loader cannot read Access files; convert it once with a build that has Access support.");
}

}  // namespace zl
