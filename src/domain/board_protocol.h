// What the program sends to the board. Every frame is a start marker, an
// operation byte naming the command and the sign port, a payload and an end
// marker; nothing is escaped, so payload bytes may equal the markers. No
// frame waits for an answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zl::board {

constexpr unsigned char kStart1 = 0xFE, kStart2 = 0xFD, kEnd = 0xFF;
// The connect frame's one data byte.
constexpr unsigned char kConnectData = 0x0A;

enum class Op : unsigned char {
  Upload1 = 0xFC,
  Upload2 = 0xFB,
  Upload3 = 0xFA,
  Test1 = 0xF9,
  Test2 = 0xF8,
  Test3 = 0xF7,
  Connect = 0xF6,
  Capacity1 = 0xF5,
  Capacity2 = 0xF4,
  Capacity3 = 0xF3,
};

// Sign ports 1 and 2 play effects with a start and an end value; sign port
// 3 plays border effects, which have neither.
inline bool WithStartEnd(int port) { return port == 1 || port == 2; }

// A value as the one byte the board reads; nothing for one outside 0..255.
inline std::optional<unsigned char> AsByte(std::optional<std::int16_t> v) {
  if (!v || *v < 0 || *v > 255) return std::nullopt;
  return static_cast<unsigned char>(*v);
}

// One effect as the board reads it: code, repeat count, time, then start and
// end on sign ports 1 and 2 only.
struct Record {
  unsigned char code = 0, loop = 0, time = 0, start = 0, end = 0;
};

std::string Frame(Op op, const std::string& payload);
std::string ConnectFrame();
// `port` is 1, 2 or 3 in these.
std::string UploadFrame(int port, unsigned char capacity, const std::vector<Record>& records);
std::string TestFrame(int port, unsigned char capacity, const Record& record);
std::string CapacityFrame(int port, unsigned char value);

}  // namespace zl::board
