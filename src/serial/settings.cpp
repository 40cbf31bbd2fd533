#include "serial/settings.h"

#include <cctype>
#include <charconv>
#include <vector>

#include "serial/serial_port.h"
#include "text/trim.h"

namespace zl::serial {

LineSettings ParseLineSettings(const std::string& text) {
  // Split by hand: a stream would drop an empty last field ("19200,N,8,1,").
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    parts.push_back(Trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  const auto bad = [&text](const std::string& why) {
    return SerialError(SerialError::Kind::Other, "invalid serial settings \"" + text + "\": " + why);
  };
  if (parts.size() != 4) throw bad("expected baud,parity,data bits,stop bits");

  LineSettings s;
  const std::string& baud = parts[0];
  const char* end = baud.data() + baud.size();
  const auto [stop, ec] = std::from_chars(baud.data(), end, s.baud);
  if (ec != std::errc() || stop != end || s.baud <= 0) throw bad("the baud rate must be a positive number");

  if (parts[1].size() != 1) throw bad("the parity must be one of N, E, O, M, S");
  switch (std::toupper(static_cast<unsigned char>(parts[1][0]))) {
    case 'N': s.parity = LineSettings::Parity::None; break;
    case 'E': s.parity = LineSettings::Parity::Even; break;
    case 'O': s.parity = LineSettings::Parity::Odd; break;
    case 'M': s.parity = LineSettings::Parity::Mark; break;
    case 'S': s.parity = LineSettings::Parity::Space; break;
    default: throw bad("the parity must be one of N, E, O, M, S");
  }

  const std::string& data = parts[2];
  if (data.size() != 1 || data[0] < '5' || data[0] > '8') throw bad("the data bits must be 5 to 8");
  s.data_bits = data[0] - '0';

  if (parts[3] == "1")
    s.stop_bits = LineSettings::StopBits::One;
  else if (parts[3] == "1.5")
    s.stop_bits = LineSettings::StopBits::OneAndHalf;
  else if (parts[3] == "2")
    s.stop_bits = LineSettings::StopBits::Two;
  else
    throw bad("the stop bits must be 1, 1.5 or 2");
  return s;
}

}  // namespace zl::serial
