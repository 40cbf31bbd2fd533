// How a child's end is told, under limits small enough for a test, with the
// shell standing in for a reader that fails each way.
#include "storage/access/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <csignal>
#include <string>

namespace zl::test {
namespace {

using End = ChildOutcome::End;

ChildLimits Small() {
  ChildLimits l;
  l.cpu_seconds = 10;
  l.wall_milliseconds = 10000;
  l.file_bytes = 1 << 20;
  l.output_bytes = 4096;
  return l;
}

struct Case {
  const char* name;
  std::string script;
  ChildLimits limits;
  End end;
  int status;
  const char* out;
};

std::string PrintTo(const Case& c) { return c.name; }

TEST(ChildProcess, EachWayAChildEndsIsToldApart) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string big = dir.filePath("big").toStdString();
  ChildLimits wall = Small(), cpu = Small(), resident = Small();
  wall.wall_milliseconds = 300;
  cpu.cpu_seconds = 1;
  resident.resident_bytes = 20 << 20;
  // A descriptor the caller holds open, not marked to close on exec.
  const int held = ::open(dir.path().toUtf8().constData(), O_RDONLY);
  ASSERT_GE(held, 0);
  const std::string fd = "/proc/self/fd/" + std::to_string(held);

  const Case cases[] = {
      {"exit status", "echo out; echo err >&2; exit 3", Small(), End::Exited, 3, "out\n"},
      {"crash", "kill -SEGV $$", Small(), End::Crashed, SIGSEGV, ""},
      {"wall clock", "exec sleep 30", wall, End::TimedOut, 0, ""},
      {"cpu time", "while :; do :; done", cpu, End::TimedOut, SIGXCPU, ""},
      {"flooded", "exec yes >&2", Small(), End::FloodedOutput, 0, ""},
      {"file size", "exec head -c 2000000 /dev/zero > " + big, Small(), End::FileTooLarge, SIGXFSZ, ""},
      {"resident", "x=$(head -c 50000000 /dev/zero | tr '\\0' a); exec sleep 30", resident, End::OutOfMemory, 0, ""},
      {"descriptors", "test -e " + fd + " && echo leaked; exit 0", Small(), End::Exited, 0, ""},
  };
  for (const Case& c : cases) {
    const ChildOutcome run = RunChild({"/bin/sh", "-c", c.script}, c.limits);
    EXPECT_EQ(run.end, c.end) << PrintTo(c) << ": " << run.err;
    EXPECT_EQ(run.status, c.status) << PrintTo(c);
    EXPECT_EQ(run.out, c.out) << PrintTo(c);
    EXPECT_LE(run.err.size(), c.limits.output_bytes) << PrintTo(c);
  }
  ::close(held);

  const ChildOutcome missing = RunChild({dir.filePath("nothing-here").toStdString()}, Small());
  EXPECT_EQ(missing.end, End::NotStarted);
  EXPECT_FALSE(missing.error.empty());
}

}  // namespace
}  // namespace zl::test
