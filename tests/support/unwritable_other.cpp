#include "support/unwritable.h"

namespace zl::test {

// No way to take the right to write away here: the tests that need it skip.
Unwritable::Unwritable(std::string path) : path_(std::move(path)) {}
Unwritable::~Unwritable() = default;

}  // namespace zl::test
