// Frames for the board: pure builders, bytes in, bytes out. Every frame is a
// start marker, an operation byte, a payload and an end marker; nothing is
// escaped, so payload bytes may equal the markers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zl::frames {

// Marker and operation codes.
constexpr unsigned char kStart1 = 0xFE, kStart2 = 0xFD, kEnd = 0xFF;
constexpr unsigned char kConnectOp = 0xF6;
// The connect frame's one data byte.
constexpr unsigned char kConnectData = 0x0A;

// Sign ports 1 and 2 play effects with a start and an end value; sign port
// 3 plays border effects, which have neither.
inline bool WithStartEnd(std::int16_t port) { return port == 1 || port == 2; }

// A value as the one byte the board reads; nothing for one outside 0..255.
inline std::optional<unsigned char> AsByte(std::optional<std::int16_t> v) {
  if (!v || *v < 0 || *v > 255) return std::nullopt;
  return static_cast<unsigned char>(*v);
}

// The one-character string of a code.
inline std::string Byte(unsigned char code) { return std::string(1, static_cast<char>(code)); }

std::string Frame(const std::string& start, const std::string& op, const std::string& payload, const std::string& end);

}  // namespace zl::frames

namespace zl::frames {

// One effect as the board reads it: code, repeat count, time, then start and
// end on sign ports 1 and 2 only.
// Appends one effect record to `out`.
void AppendEffectRecord(std::string& out, bool with_start_end, unsigned char code, unsigned char loop,
                        unsigned char time, unsigned char start, unsigned char end);
std::string EffectRecord(bool with_start_end, unsigned char code, unsigned char loop, unsigned char time,
                         unsigned char start, unsigned char end);

}  // namespace zl::frames
