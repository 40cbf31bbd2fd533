// Which device each port number stands for, and what a failed open tells
// the operator; made-up device lists, no devices.
#include "serial/port_map.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace zl {
namespace {

// The order is the caller's: sorting by path needs a collator (the Qt side).
TEST(PortMap, LinksKeepTheirNumbersAndDevicesFillTheRestInTheGivenOrderOnceEach) {
  const auto map =
      serial::MapPorts({{3, "/dev/ttyUSB0"}, {1, "/dev/pts/7"}},
                       {"/dev/ttyS10", "/dev/ttyUSB0", "", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyACM0", "/dev/pts/7"});
  EXPECT_EQ(map,
            (std::map<int, std::string>{
                {1, "/dev/pts/7"}, {2, "/dev/ttyS10"}, {3, "/dev/ttyUSB0"}, {4, "/dev/ttyS2"}, {5, "/dev/ttyACM0"}}));
  // Numbers outside 1 to 20 are ignored; devices beyond them go unmapped.
  std::vector<std::string> many;
  for (int i = 0; i < 25; ++i) many.push_back("/dev/ttyX" + std::to_string(i));
  const auto full = serial::MapPorts({{0, "/dev/a"}, {21, "/dev/b"}, {20, "/dev/c"}}, many);
  ASSERT_EQ(full.size(), 20u);
  EXPECT_EQ(full.at(19), "/dev/ttyX18");
  EXPECT_EQ(full.at(20), "/dev/c");
  // Windows: COMn, in the long form that alone reaches ten and above.
  const auto com = serial::ComPorts();
  ASSERT_EQ(com.size(), 20u);
  EXPECT_EQ(com.at(9), "COM9");
  EXPECT_EQ(com.at(20), "\\\\.\\COM20");
}

TEST(OpenFailureMessage, PermissionTellsWhichGroupToJoin) {
  const auto message = [](const char* group) {
    const SerialError e =
        serial::OpenFailure(2, "/dev/ttyUSB1", serial::OpenCause::PermissionDenied, group, "Permission denied");
    EXPECT_EQ(e.GetKind(), SerialError::Kind::Permission);
    return std::string(e.what());
  };
  const std::string known = message("dialout");
  for (const char* part : {"/dev/ttyUSB1", "group \"dialout\"", "sudo usermod -aG dialout $USER", "log in again"})
    EXPECT_NE(known.find(part), std::string::npos) << known;
  EXPECT_NE(message("").find("administrator"), std::string::npos);
}

}  // namespace
}  // namespace zl
