#include "text/vni.h"

#include <cstdint>

#include "text/cp1252.h"

namespace zl {
namespace {

enum Vowel { kA, kABreve, kACirc, kE, kECirc, kI, kO, kOCirc, kOHorn, kU, kUHorn, kY, kVowels };
enum Tone { kNone, kAcute, kGrave, kHook, kTilde, kDot, kTones };

// Precomposed letters by vowel and tone (NFC).
const char* const kLower[kVowels][kTones] = {
    {"a", "á", "à", "ả", "ã", "ạ"}, {"ă", "ắ", "ằ", "ẳ", "ẵ", "ặ"}, {"â", "ấ", "ầ", "ẩ", "ẫ", "ậ"},
    {"e", "é", "è", "ẻ", "ẽ", "ẹ"}, {"ê", "ế", "ề", "ể", "ễ", "ệ"}, {"i", "í", "ì", "ỉ", "ĩ", "ị"},
    {"o", "ó", "ò", "ỏ", "õ", "ọ"}, {"ô", "ố", "ồ", "ổ", "ỗ", "ộ"}, {"ơ", "ớ", "ờ", "ở", "ỡ", "ợ"},
    {"u", "ú", "ù", "ủ", "ũ", "ụ"}, {"ư", "ứ", "ừ", "ử", "ữ", "ự"}, {"y", "ý", "ỳ", "ỷ", "ỹ", "ỵ"},
};
const char* const kUpper[kVowels][kTones] = {
    {"A", "Á", "À", "Ả", "Ã", "Ạ"}, {"Ă", "Ắ", "Ằ", "Ẳ", "Ẵ", "Ặ"}, {"Â", "Ấ", "Ầ", "Ẩ", "Ẫ", "Ậ"},
    {"E", "É", "È", "Ẻ", "Ẽ", "Ẹ"}, {"Ê", "Ế", "Ề", "Ể", "Ễ", "Ệ"}, {"I", "Í", "Ì", "Ỉ", "Ĩ", "Ị"},
    {"O", "Ó", "Ò", "Ỏ", "Õ", "Ọ"}, {"Ô", "Ố", "Ồ", "Ổ", "Ỗ", "Ộ"}, {"Ơ", "Ớ", "Ờ", "Ở", "Ỡ", "Ợ"},
    {"U", "Ú", "Ù", "Ủ", "Ũ", "Ụ"}, {"Ư", "Ứ", "Ừ", "Ử", "Ữ", "Ự"}, {"Y", "Ý", "Ỳ", "Ỷ", "Ỹ", "Ỵ"},
};

struct Base {
  Vowel vowel;
  bool upper;
};

// A letter that can take a following mark code.
bool BaseOf(std::uint8_t c, Base& out) {
  switch (c | 0x20) {  // fold ASCII case; 0xD4/0xD6 fold to 0xF4/0xF6
    case 'a': out.vowel = kA; break;
    case 'e': out.vowel = kE; break;
    case 'o': out.vowel = kO; break;
    case 'u': out.vowel = kU; break;
    case 'y': out.vowel = kY; break;
    case 0xF4: out.vowel = kOHorn; break;
    case 0xF6: out.vowel = kUHorn; break;
    default: return false;
  }
  out.upper = (c & 0x20) == 0;
  return true;
}

enum class MarkKind { Tone, Circumflex, Breve };

struct Mark {
  MarkKind kind;
  Tone tone;
  bool upper;
};

// Upper-case mark codes are the lower-case ones minus 0x20.
bool MarkOf(std::uint8_t c, Mark& out) {
  if (c < 0xC0) return false;
  const bool upper = c < 0xE0;
  MarkKind kind = MarkKind::Tone;
  Tone tone = kNone;
  switch (c | 0x20) {
    case 0xF9: kind = MarkKind::Tone, tone = kAcute; break;
    case 0xF8: kind = MarkKind::Tone, tone = kGrave; break;
    case 0xFB: kind = MarkKind::Tone, tone = kHook; break;
    case 0xF5: kind = MarkKind::Tone, tone = kTilde; break;
    case 0xEF: kind = MarkKind::Tone, tone = kDot; break;
    case 0xE2: kind = MarkKind::Circumflex, tone = kNone; break;
    case 0xE1: kind = MarkKind::Circumflex, tone = kAcute; break;
    case 0xE0: kind = MarkKind::Circumflex, tone = kGrave; break;
    case 0xE5: kind = MarkKind::Circumflex, tone = kHook; break;
    case 0xE3: kind = MarkKind::Circumflex, tone = kTilde; break;
    case 0xE4: kind = MarkKind::Circumflex, tone = kDot; break;
    case 0xEA: kind = MarkKind::Breve, tone = kNone; break;
    case 0xE9: kind = MarkKind::Breve, tone = kAcute; break;
    case 0xE8: kind = MarkKind::Breve, tone = kGrave; break;
    case 0xFA: kind = MarkKind::Breve, tone = kHook; break;
    case 0xFC: kind = MarkKind::Breve, tone = kTilde; break;
    case 0xEB: kind = MarkKind::Breve, tone = kDot; break;
    default: return false;
  }
  out = {kind, tone, upper};
  return true;
}

// The letter a base and a mark make, or null when the pair is not one.
const char* Compose(Base base, Mark mark) {
  if (base.upper != mark.upper) return nullptr;
  Vowel v = base.vowel;
  switch (mark.kind) {
    case MarkKind::Tone:
      // y takes its dot below as a single code instead.
      if (v == kY && mark.tone == kDot) return nullptr;
      break;
    case MarkKind::Circumflex:
      if (v == kA)
        v = kACirc;
      else if (v == kE)
        v = kECirc;
      else if (v == kO)
        v = kOCirc;
      else
        return nullptr;
      break;
    case MarkKind::Breve:
      if (v != kA) return nullptr;
      v = kABreve;
      break;
  }
  return (base.upper ? kUpper : kLower)[v][mark.tone];
}

// Letters that are one code of their own and differ from Windows-1252.
const char* SingleCode(std::uint8_t c) {
  switch (c) {
    case 0xF4: return "ơ";
    case 0xD4: return "Ơ";
    case 0xF6: return "ư";
    case 0xD6: return "Ư";
    case 0xF1: return "đ";
    case 0xD1: return "Đ";
    case 0xE6: return "ỉ";
    case 0xC6: return "Ỉ";
    case 0xF3: return "ĩ";
    case 0xD3: return "Ĩ";
    case 0xF2: return "ị";
    case 0xD2: return "Ị";
    case 0xEE: return "ỵ";
    case 0xCE: return "Ỵ";
    default: return nullptr;
  }
}

}  // namespace

std::string VniToUtf8(const std::string& vni) {
  std::string out;
  out.reserve(vni.size() * 2);
  for (std::size_t i = 0; i < vni.size(); ++i) {
    const auto c = static_cast<std::uint8_t>(vni[i]);
    Base base;
    Mark mark;
    if (i + 1 < vni.size() && BaseOf(c, base) && MarkOf(static_cast<std::uint8_t>(vni[i + 1]), mark)) {
      if (const char* letter = Compose(base, mark)) {
        out += letter;
        ++i;
        continue;
      }
    }
    if (const char* letter = SingleCode(c)) {
      out += letter;
    } else {
      AppendCp1252AsUtf8(out, c);
    }
  }
  return out;
}

}  // namespace zl
