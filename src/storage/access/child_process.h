// Runs a helper program in a process of its own, under limits it cannot
// exceed, and says how it ended. For work on untrusted files whose crash,
// hang or appetite must not become the window's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zl {

struct ChildLimits {
  // Kernel cap on the child's address space; 0 leaves it uncapped (a
  // sanitizer reserves terabytes up front), and only `resident_bytes` holds.
  std::uint64_t address_space_bytes = 0;
  // The parent ends the child once this much of it is resident.
  std::uint64_t resident_bytes = 0;
  int cpu_seconds = 0;
  // Ends a child that waits this long; one kept from running by the
  // machine's load is left to its processor time, within a minute or
  // three times this.
  int wall_milliseconds = 0;
  // The largest file it may write.
  std::uint64_t file_bytes = 0;
  // What it may print, on each of standard output and standard error; more
  // ends it, as a program that floods its output has lost its way.
  std::size_t output_bytes = 0;
};

struct ChildOutcome {
  enum class End {
    Exited,         // `status` is its exit status
    Crashed,        // `status` is the signal
    TimedOut,       // over its CPU or wall-clock time
    OutOfMemory,    // over its memory
    FloodedOutput,  // printed more than it may
    FileTooLarge,   // tried to write a file larger than it may
    NotStarted,     // `error` says why
  };
  End end = End::NotStarted;
  int status = 0;
  std::string out, err;  // as printed, up to the limit
  std::string error;
};

// Runs `argv` (argv[0] is the program's path), with standard input empty
// and the environment changed by `environment` ("NAME=value" entries), and
// waits until it has ended, however that came about.
ChildOutcome RunChild(const std::vector<std::string>& argv, const ChildLimits& limits,
                      const std::vector<std::string>& environment = {});

}  // namespace zl
