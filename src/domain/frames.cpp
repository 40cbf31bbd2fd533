#include "domain/frames.h"

namespace zl::frames {

std::string Frame(const std::string& start, const std::string& op, const std::string& payload, const std::string& end) {
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

void AppendEffectRecord(std::string& out, bool with_start_end, unsigned char code, unsigned char loop,
                        unsigned char time, unsigned char start, unsigned char end) {
  const unsigned char bytes[] = {code, loop, time, start, end};
  out.append(reinterpret_cast<const char*>(bytes), with_start_end ? 5 : 3);
}

std::string EffectRecord(bool with_start_end, unsigned char code, unsigned char loop, unsigned char time,
                         unsigned char start, unsigned char end) {
  std::string r;
  AppendEffectRecord(r, with_start_end, code, loop, time, start, end);
  return r;
}

}  // namespace zl::frames
