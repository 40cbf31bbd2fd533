// A build without Access support: the file is recognised, never read.
#include "jet_import.h"
#include "provider_errors.h"

namespace zl {

std::vector<TableRows> ReadJetTables(const std::string& /*path*/) {
  throw DbError(provider_error::kUnrecognizedFormat,
                "this build of zentrel-loader cannot read Access files; convert it once with a build that has "
                "Access support.");
}

}  // namespace zl
