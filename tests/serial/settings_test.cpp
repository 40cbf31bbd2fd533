// The line settings text the window writes, read into its fields; no port.
#include "serial/settings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "serial/serial_port.h"

namespace zl {
namespace {

using serial::LineSettings;
using serial::ParseLineSettings;
using P = LineSettings::Parity;
using S = LineSettings::StopBits;

TEST(LineSettingsText, EachFieldIsReadInEitherCaseAndBlanksAroundThemDoNotCount) {
  const struct {
    const char* text;
    std::int32_t baud;
    P parity;
    int data_bits;
    S stop_bits;
  } cases[] = {{"19200,N,8,1", 19200, P::None, 8, S::One},
               {" 300 , e , 7 , 1.5 ", 300, P::Even, 7, S::OneAndHalf},
               {"9600,o,5,2", 9600, P::Odd, 5, S::Two},
               {"110,M,6,1", 110, P::Mark, 6, S::One},
               {"4800,s,8,2", 4800, P::Space, 8, S::Two}};
  for (const auto& c : cases) {
    const LineSettings s = ParseLineSettings(c.text);
    EXPECT_EQ(s.baud, c.baud) << c.text;
    EXPECT_EQ(s.parity, c.parity) << c.text;
    EXPECT_EQ(s.data_bits, c.data_bits) << c.text;
    EXPECT_EQ(s.stop_bits, c.stop_bits) << c.text;
  }
}

TEST(LineSettingsText, MalformedTextIsRefusedNamingIt) {
  for (const char* bad : {"19200,X,8,1", "19200,NE,8,1", "fast,N,8,1", "0,N,8,1", "-9600,N,8,1", "+9600,N,8,1",
                          "99999999999,N,8,1", "96 00,N,8,1", "19200,N,9,1", "19200,N,4,1", "19200,N,88,1", "19200,N,8",
                          "19200,N,8,3", "19200,N,8,1,", "19200,,8,1", ""}) {
    try {
      ParseLineSettings(bad);
      ADD_FAILURE() << "accepted \"" << bad << "\"";
    } catch (const SerialError& e) {
      EXPECT_EQ(e.GetKind(), SerialError::Kind::Other) << bad;
      EXPECT_NE(std::string(e.what()).find("\"" + std::string(bad) + "\""), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace zl
