// The status line of a send, at 19,200 baud 8N1 (1,920 bytes a second). The
// window's own lines while sending: tests/app/serial_link_test.cpp, and the
// random operator test for how each send ended.
#include "domain/send_progress.h"

#include <gtest/gtest.h>

namespace zl {
namespace {

constexpr int kLine = 1920;

// Everything not wholly gone is not sent, the frame half on the line too.
// Repeats told once with their count: tests/app/serial_link_test.cpp.
TEST(SendProgress, ALostLineTellsWhatWasNotSent) {
  SendProgress p(kLine);
  const std::size_t list = 5 + 5 * 32000;  // an upload of 32,000 effects on sign port 1
  p.Written("PORT1 list", list, 32000);
  p.Written("PORT1 list", list, 32000);
  p.Written("PORT1 test", 10, 1);
  EXPECT_EQ(p.Status(),
            "Sending the PORT1 list (32,000 effects) and 2 more frames: 320,020 bytes left, about 2 min 47 s");
  p.Pending(59 * kLine + kLine / 2);  // 59.5 s, part of the second list
  p.Pending(180000);                  // what has left does not come back
  EXPECT_EQ(p.Status(), "Sending the PORT1 list (32,000 effects) and 1 more frame: 114,240 bytes left, about 1 min");
  p.Pending(59 * kLine);  // the last second below a minute
  EXPECT_EQ(p.Status(), "Sending the PORT1 list (32,000 effects) and 1 more frame: 113,280 bytes left, about 59 s");
  EXPECT_EQ(p.Lost("COM7: the device is gone"), "the PORT1 list (32,000 effects); the PORT1 test (1 effect)");
  EXPECT_EQ(p.Status(), "PORT1 list and 1 more frame not sent: COM7: the device is gone");
  EXPECT_TRUE(p.Idle());
  // Nothing pending: nothing to tell. A short frame lost says so too.
  EXPECT_EQ(p.Lost("again"), "");
  p.Written("connect frame", 5);
  EXPECT_EQ(p.Lost("gone"), "the connect frame");
  EXPECT_EQ(p.Status(), "Connect frame not sent: gone");
}

}  // namespace
}  // namespace zl
