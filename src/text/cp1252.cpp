#include "text/cp1252.h"

#include <cstdint>

namespace zl {

namespace {

// 0x80..0x9F; the five codes Windows-1252 leaves open keep their C1 value.
const char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int CodeOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return 0x80 + i;
  return '?';
}

}  // namespace

void AppendCp1252AsUtf8(std::string& out, unsigned char code) {
  AppendUtf8(out, code >= 0x80 && code < 0xA0 ? kHigh[code - 0x80] : char32_t{code});
}

std::string Cp1252ToUtf8(const std::string& codes) {
  std::string out;
  out.reserve(codes.size() * 2);
  for (unsigned char b : codes) AppendCp1252AsUtf8(out, b);
  return out;
}

std::string Utf8ToCp1252(const std::string& utf8) { return Utf8ToCp1252(utf8.data(), utf8.size()); }

std::string Utf8ToCp1252(const char* utf8, std::size_t n) {
  // Never longer than the UTF-8 it comes from.
  std::string out(n, '\0');
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out[used++] = static_cast<char>(b);
      ++i;
      continue;
    }
    int len = 0;
    char32_t c = 0;
    if ((b & 0xE0) == 0xC0) {
      len = 2;
      c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
      c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
      c = b & 0x07;
    }
    bool ok = len > 0 && i + static_cast<std::size_t>(len) <= n;
    for (int k = 1; ok && k < len; ++k) {
      const unsigned char t = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      if ((t & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (t & 0x3F);
    }
    if (!ok) {
      // A broken sequence: one '?' per stray byte.
      out[used++] = '?';
      ++i;
      continue;
    }
    out[used++] = static_cast<char>(CodeOf(c));
    i += static_cast<std::size_t>(len);
  }
  out.resize(used);
  return out;
}

}  // namespace zl
