#include "app/message.h"

#include "text/vni.h"

namespace zl {

Message Message::Shown(const std::string& vni) { return Utf8("\"" + VniToUtf8(vni) + "\""); }

}  // namespace zl
