// Internal to the serial control: the line settings the window writes as
// text ("19200,N,8,1"), read once when written. Kept free of Qt so it can be
// tested anywhere.
#pragma once

#include <cstdint>
#include <string>

namespace zl::serial {

struct LineSettings {
  enum class Parity { None, Even, Odd, Mark, Space };
  enum class StopBits { One, OneAndHalf, Two };

  std::int32_t baud = 9600;
  Parity parity = Parity::None;
  int data_bits = 8;
  StopBits stop_bits = StopBits::One;
};

// "baud,parity,data bits,stop bits": a positive baud rate, one of N E O M S
// in either case, 5 to 8, and 1, 1.5 or 2; blanks around a field do not
// count. Throws SerialError (Other) naming the text and what is wrong.
LineSettings ParseLineSettings(const std::string& text);

}  // namespace zl::serial
