// The line settings text the window writes, read into its fields; no port.
#include "serial/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "serial/serial_port.h"

namespace zl {
namespace {

// Fields as "baud parity data stop", parity and stop bits by number: each
// read in either case, blanks around them not counting; malformed text
// refused naming it.
TEST(LineSettingsText, EachFieldIsReadAndMalformedTextIsRefused) {
  const std::pair<const char*, const char*> good[] = {{"19200,N,8,1", "19200 0 8 0"},
                                                      {" 300 , e , 7 , 1.5 ", "300 1 7 1"},
                                                      {"9600,o,5,2", "9600 2 5 2"},
                                                      {"110,M,6,1", "110 3 6 0"},
                                                      {"4800,s,8,2", "4800 4 8 2"}};
  for (const auto& [text, fields] : good) {
    const serial::LineSettings s = serial::ParseLineSettings(text);
    EXPECT_EQ(std::to_string(s.baud) + " " + std::to_string(static_cast<int>(s.parity)) + " " +
                  std::to_string(s.data_bits) + " " + std::to_string(static_cast<int>(s.stop_bits)),
              fields);
  }
  for (const char* bad : {"19200,X,8,1", "19200,NE,8,1", "fast,N,8,1", "0,N,8,1", "-9600,N,8,1", "+9600,N,8,1",
                          "99999999999,N,8,1", "96 00,N,8,1", "19200,N,9,1", "19200,N,4,1", "19200,N,88,1", "19200,N,8",
                          "19200,N,8,3", "19200,N,8,1,", "19200,,8,1", ""}) {
    try {
      serial::ParseLineSettings(bad);
      ADD_FAILURE() << "accepted \"" << bad << "\"";
    } catch (const SerialError& e) {
      EXPECT_EQ(e.GetKind(), SerialError::Kind::Other) << bad;
      EXPECT_NE(std::string(e.what()).find("\"" + std::string(bad) + "\""), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace zl
