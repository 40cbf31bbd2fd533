#include "link/frames.h"

namespace zl::frames {

std::string Frame(const std::string& start, const std::string& op, const std::string& payload,
                  const std::string& end) {
  std::string f;
  f.reserve(start.size() + op.size() + payload.size() + end.size());
  f += start;
  f += op;
  f += payload;
  f += end;
  return f;
}

}  // namespace zl::frames

namespace zl::frames {

std::string EffectRecord(bool with_start_end, unsigned char code, unsigned char loop,
                         unsigned char time, unsigned char start, unsigned char end) {
  std::string r = Byte(code) + Byte(loop) + Byte(time);
  if (with_start_end) r += Byte(start) + Byte(end);
  return r;
}

}  // namespace zl::frames
