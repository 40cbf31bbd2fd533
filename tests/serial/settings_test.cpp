// The line settings text the window writes, read into its fields; no port.
#include "serial/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "serial/serial_port.h"

namespace zl {
namespace {

using serial::ParseLineSettings;

// The fields as "baud parity data stop", parity and stop bits by number.
std::string Fields(const serial::LineSettings& s) {
  return std::to_string(s.baud) + " " + std::to_string(static_cast<int>(s.parity)) + " " + std::to_string(s.data_bits) +
         " " + std::to_string(static_cast<int>(s.stop_bits));
}

TEST(LineSettingsText, EachFieldIsReadInEitherCaseAndBlanksAroundThemDoNotCount) {
  using P = serial::LineSettings::Parity;
  using S = serial::LineSettings::StopBits;
  const auto as = [](int baud, P p, int data, S stop) { return Fields({baud, p, data, stop}); };
  EXPECT_EQ(Fields(ParseLineSettings("19200,N,8,1")), as(19200, P::None, 8, S::One));
  EXPECT_EQ(Fields(ParseLineSettings(" 300 , e , 7 , 1.5 ")), as(300, P::Even, 7, S::OneAndHalf));
  EXPECT_EQ(Fields(ParseLineSettings("9600,o,5,2")), as(9600, P::Odd, 5, S::Two));
  EXPECT_EQ(Fields(ParseLineSettings("110,M,6,1")), as(110, P::Mark, 6, S::One));
  EXPECT_EQ(Fields(ParseLineSettings("4800,s,8,2")), as(4800, P::Space, 8, S::Two));
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
