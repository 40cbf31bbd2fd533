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
