// The program's command line: --help and --version, and nothing else (the
// window itself has no configuration).
#pragma once

#include <optional>

namespace zl {

// Answers --help or --version, or refuses anything else, before anything
// else happens; returns the exit code then, and nothing when the window
// should start.
std::optional<int> AnswerCommandLine(int argc, char** argv);

}  // namespace zl
