// VNI (Windows) 8-bit text to Unicode, for display only.
#pragma once

#include <string>

namespace zl {

// Decodes a VNI text (one char per code) to UTF-8. A base letter followed by
// a mark code becomes the composed Vietnamese letter; other codes map as
// Windows-1252.
std::string VniToUtf8(const std::string& vni);

}  // namespace zl
