// Which device each port number stands for, and what a failed open tells
// the operator; made-up device lists, no devices.
#include "serial/port_map.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace zl {
namespace {

using Kind = SerialError::Kind;

// The order is the caller's: sorting by path needs a collator (the Qt side).
TEST(PortMap, LinksKeepTheirNumbersAndDevicesFillTheRestInTheGivenOrderOnceEach) {
  const auto map =
      serial::MapPorts({{3, "/dev/ttyUSB0"}, {1, "/dev/pts/7"}},
                       {"/dev/ttyS10", "/dev/ttyUSB0", "", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyACM0", "/dev/pts/7"});
  const std::map<int, std::string> expected = {
      {1, "/dev/pts/7"}, {2, "/dev/ttyS10"}, {3, "/dev/ttyUSB0"}, {4, "/dev/ttyS2"}, {5, "/dev/ttyACM0"}};
  EXPECT_EQ(map, expected);

  // Numbers outside 1 to 20 are ignored; devices beyond them go unmapped.
  std::vector<std::string> many;
  for (int i = 0; i < 25; ++i) many.push_back("/dev/ttyX" + std::to_string(i));
  const auto full = serial::MapPorts({{0, "/dev/a"}, {21, "/dev/b"}, {20, "/dev/c"}}, many);
  ASSERT_EQ(full.size(), 20u);
  EXPECT_EQ(full.begin()->first, 1);
  EXPECT_EQ(full.at(19), "/dev/ttyX18");
  EXPECT_EQ(full.at(20), "/dev/c");

  // Windows: COMn, in the long form that alone reaches ten and above.
  const auto com = serial::ComPorts();
  ASSERT_EQ(com.size(), 20u);
  const std::pair<int, const char*> names[] = {{1, "COM1"}, {9, "COM9"}, {10, "\\\\.\\COM10"}, {20, "\\\\.\\COM20"}};
  for (const auto& [n, name] : names) EXPECT_EQ(com.at(n), name);
}

TEST(OpenFailureMessage, PermissionTellsWhichGroupToJoin) {
  const SerialError known =
      serial::OpenFailure(2, "/dev/ttyUSB1", serial::OpenCause::PermissionDenied, "dialout", "Permission denied");
  EXPECT_EQ(known.GetKind(), Kind::Permission);
  const std::string text = known.what();
  for (const char* part : {"/dev/ttyUSB1", "group \"dialout\"", "sudo usermod -aG dialout $USER", "log in again"})
    EXPECT_NE(text.find(part), std::string::npos) << text;
  const std::string none =
      serial::OpenFailure(2, "/dev/ttyUSB1", serial::OpenCause::PermissionDenied, "", "Permission denied").what();
  EXPECT_NE(none.find("administrator"), std::string::npos) << none;
  EXPECT_EQ(none.find("usermod"), std::string::npos) << none;
}

}  // namespace
}  // namespace zl
