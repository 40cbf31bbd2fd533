// How a child's end is told, under limits small enough for a test, with the
// shell standing in for a reader that fails each way.
#include "storage/access/child_process.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <csignal>
#include <string>

namespace zl::test {
namespace {

using End = ChildOutcome::End;

TEST(ChildProcess, EachWayAChildEndsIsToldApart) {
  QTemporaryDir dir;
  // Address space, resident size, processor seconds, wall clock ms, file size, output.
  const ChildLimits small{0, 0, 10, 10000, 1 << 20, 4096}, wall{0, 0, 10, 300, 1 << 20, 4096},
      cpu{0, 0, 1, 10000, 1 << 20, 4096}, resident{0, 20 << 20, 10, 10000, 1 << 20, 4096};

  const struct {
    const char* name;
    std::string script;
    ChildLimits limits;
    End end;
    int status;
    const char* out;
  } cases[] = {
      {"exit status", "echo out; echo err >&2; exit 3", small, End::Exited, 3, "out\n"},
      {"crash", "kill -SEGV $$", small, End::Crashed, SIGSEGV, ""},
      {"wall clock", "exec sleep 30", wall, End::TimedOut, 0, ""},
      {"cpu time", "while :; do :; done", cpu, End::TimedOut, SIGXCPU, ""},
      {"flooded", "exec yes >&2", small, End::FloodedOutput, 0, ""},
      {"file size", "exec head -c 2000000 /dev/zero > " + dir.filePath("big").toStdString(), small, End::FileTooLarge,
       SIGXFSZ, ""},
      {"resident", "x=$(head -c 50000000 /dev/zero | tr '\\0' a); exec sleep 30", resident, End::OutOfMemory, 0, ""},
  };
  for (const auto& c : cases) {
    const ChildOutcome run = RunChild({"/bin/sh", "-c", c.script}, c.limits);
    EXPECT_EQ(run.end, c.end) << c.name << ": " << run.err;
    EXPECT_EQ(run.status, c.status) << c.name;
    EXPECT_EQ(run.out, c.out) << c.name;
    EXPECT_LE(run.err.size(), c.limits.output_bytes) << c.name;
  }
  EXPECT_EQ(RunChild({dir.filePath("nothing-here").toStdString()}, small).end, End::NotStarted);
}

}  // namespace
}  // namespace zl::test
