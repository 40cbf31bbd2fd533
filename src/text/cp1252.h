// Windows-1252: the characters an Access file uses for 8-bit text codes.
#pragma once

#include <cstddef>
#include <string>

namespace zl {

// Each code (one char) to its Windows-1252 character, as UTF-8. Codes that
// Windows-1252 leaves undefined map to the control character of that code.
std::string Cp1252ToUtf8(const std::string& codes);

// Appends the Windows-1252 character of one code to `out`, as UTF-8.
void AppendCp1252AsUtf8(std::string& out, unsigned char code);

// The reverse; a character with no Windows-1252 code becomes '?'.
std::string Utf8ToCp1252(const std::string& utf8);
std::string Utf8ToCp1252(const char* utf8, std::size_t size);

}  // namespace zl
