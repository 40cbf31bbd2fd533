// Every kind of frame on every sign port, byte for byte. The board
// simulator decodes them on its own: tests/tools/board_sim_test.cpp.
#include "domain/board_protocol.h"

#include <gtest/gtest.h>

#include "support/hex.h"

#include <string>
#include <utility>

namespace zl::board {
namespace {

using test::Hex;

// Markers inside a payload go out as they are.
TEST(BoardProtocol, EachFrameHasItsOperationByteForItsPortAndItsPayloadUnchanged) {
  const Record a{3, 2, 5, 1, 40}, b{7, 1, 10, 5, 20}, markers{0xFE, 0xFD, 0xFF, 0xFF, 0};
  const std::pair<std::string, const char*> cases[] = {
      {ConnectFrame(), "FE FD F6 0A FF"},
      {UploadFrame(1, 40, {a, b}), "FE FD FC 28 03 02 05 01 28 07 01 0A 05 14 FF"},
      {UploadFrame(2, 1, {markers}), "FE FD FB 01 FE FD FF FF 00 FF"},
      {UploadFrame(3, 10, {a, b}), "FE FD FA 0A 03 02 05 07 01 0A FF"},
      {TestFrame(1, 0, b), "FE FD F9 00 07 01 0A 05 14 FF"},
      {TestFrame(2, 30, {12, 1, 5, 1, 30}), "FE FD F8 1E 0C 01 05 01 1E FF"},
      {TestFrame(3, 10, {2, 3, 4, 9, 9}), "FE FD F7 0A 02 03 04 FF"},
      {CapacityFrame(1, 100), "FE FD F5 64 FF"},
      {CapacityFrame(2, 255), "FE FD F4 FF FF"},
      {CapacityFrame(3, 0), "FE FD F3 00 FF"},
  };
  for (const auto& [frame, bytes] : cases) EXPECT_EQ(Hex(frame), bytes);
  // Only numbers from 0 to 255 are bytes.
  for (const std::int16_t v : {-1, 0, 255, 256}) EXPECT_EQ(AsByte(v).has_value(), v >= 0 && v <= 255) << v;
  EXPECT_FALSE(AsByte(std::nullopt));
}

}  // namespace
}  // namespace zl::board
