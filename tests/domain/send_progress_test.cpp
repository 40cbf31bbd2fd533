// The status line of a send, at 19,200 baud 8N1 (1,920 bytes a second).
#include "domain/send_progress.h"

#include <gtest/gtest.h>

namespace zl {
namespace {

constexpr int kLine = 1920;
const std::size_t kTwoThousand = 5 + 5 * 2000;  // an upload of 2,000 effects on sign port 1

// A short send shows no progress, only how it ended, until the next command.
TEST(SendProgress, ShortSendsShowOnlyTheirEnd) {
  SendProgress p(kLine);
  p.Written("connect frame", 5);
  EXPECT_EQ(p.PendingBytes(), 5);
  EXPECT_EQ(p.Status(), "");
  p.Pending(0);
  EXPECT_EQ(p.Status(), "Connect frame sent.");
  p.NextCommand();
  EXPECT_EQ(p.Status(), "");
  // Exactly half a second of line is still short.
  p.Written("PORT1 list", 960, 191);
  p.Pending(960);
  EXPECT_EQ(p.Status(), "");
  EXPECT_FALSE(p.Idle());
  p.Pending(0);
  EXPECT_EQ(p.Status(), "PORT1 list sent (191 effects).");
  EXPECT_TRUE(p.Idle());
}

TEST(SendProgress, ALongFrameShowsBytesAndTimeLeftThenThatItWasSent) {
  SendProgress p(kLine);
  p.Written("PORT1 list", kTwoThousand, 2000);
  EXPECT_EQ(p.Status(), "Sending the PORT1 list (2,000 effects): 10,005 bytes left, about 5 s");
  p.Pending(6130);
  EXPECT_EQ(p.Status(), "Sending the PORT1 list (2,000 effects): 6,130 bytes left, about 3 s");
  p.Pending(7000);  // what has left does not come back
  EXPECT_EQ(p.PendingBytes(), 6130);
  p.Pending(1);
  // Another command keeps a send that is still shown.
  p.NextCommand();
  EXPECT_EQ(p.Status(), "Sending the PORT1 list (2,000 effects): 1 byte left, about 1 s");
  p.Pending(0);
  EXPECT_EQ(p.Status(), "PORT1 list sent (2,000 effects).");
  EXPECT_TRUE(p.Idle());
}

TEST(SendProgress, TimeLeftIsRoundedAndGivenInMinutesFromOne) {
  SendProgress p(kLine);
  p.Written("PORT1 list", 5 + 5 * 32000, 32000);
  EXPECT_EQ(p.Status(), "Sending the PORT1 list (32,000 effects): 160,005 bytes left, about 1 min 23 s");
  p.Written("PORT2 list", 5 + 5 * 32000, 32000);
  p.Pending(120 * kLine);
  EXPECT_EQ(p.Status(), "Sending the PORT1 list (32,000 effects) and 1 more frame: 230,400 bytes left, about 2 min");
  p.Pending(59 * kLine + kLine / 2);  // 59.5 s
  EXPECT_EQ(p.Status(), "Sending the PORT2 list (32,000 effects): 114,240 bytes left, about 1 min");
  p.Pending(kLine / 2 - 1);
  EXPECT_EQ(p.Status(), "Sending the PORT2 list (32,000 effects): 959 bytes left, about 1 s");
}

// Everything not wholly gone is not sent, the frame half on the line too;
// repeats are told once with their count.
TEST(SendProgress, ALostLineTellsWhatWasNotSent) {
  SendProgress p(kLine);
  p.Written("connect frame", 5);
  p.Pending(0);
  p.Written("PORT1 list", kTwoThousand, 2000);
  p.Written("PORT1 list", kTwoThousand, 2000);
  p.Written("PORT1 test", 10, 1);
  p.Pending(15000);
  EXPECT_EQ(p.Lost("COM7: the device is gone"), "the PORT1 list (2,000 effects), 2 times; the PORT1 test (1 effect)");
  EXPECT_EQ(p.Status(), "PORT1 list and 2 more frames not sent: COM7: the device is gone");
  EXPECT_TRUE(p.Idle());

  p.Written("PORT2 list", kTwoThousand, 2000);
  p.SetAfter("then the window closes");
  EXPECT_EQ(p.Lost("no answer"), "the PORT2 list (2,000 effects)");
  EXPECT_EQ(p.Status(), "PORT2 list not sent: no answer");
  // Nothing pending: nothing to tell. A short frame lost says so too.
  EXPECT_EQ(p.Lost("again"), "");
  EXPECT_EQ(p.Status(), "PORT2 list not sent: no answer");
  p.Written("connect frame", 5);
  EXPECT_EQ(p.Lost("gone"), "the connect frame");
  EXPECT_EQ(p.Status(), "Connect frame not sent: gone");
  // The next long send starts afresh, without the wait it had.
  p.Written("PORT2 list", kTwoThousand, 2000);
  EXPECT_EQ(p.Status(), "Sending the PORT2 list (2,000 effects): 10,005 bytes left, about 5 s");
}

}  // namespace
}  // namespace zl
