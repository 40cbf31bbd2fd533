// The two 8-bit codes the stored texts use: Windows-1252, and VNI read
// through it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "text/cp1252.h"
#include "text/vni.h"

namespace zl {
namespace {

TEST(Cp1252, EveryCodeIsItsOwnCharacterAndComesBack) {
  std::string codes;
  for (int c = 0; c < 256; ++c) codes += static_cast<char>(c);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(codes)), codes);
  std::set<std::string> characters;
  for (const char c : codes) {
    const std::string one = Cp1252ToUtf8(std::string(1, c));
    int starts = 0;  // bytes that begin a UTF-8 sequence
    for (const char b : one) starts += (static_cast<unsigned char>(b) & 0xC0) != 0x80;
    EXPECT_EQ(starts, 1) << static_cast<int>(static_cast<unsigned char>(c));
    characters.insert(one);
  }
  EXPECT_EQ(characters.size(), 256u);
}

TEST(Cp1252, CharactersOfTheCodesAndThoseWithoutOne) {
  const std::pair<std::string, std::string> decoded[] = {{"Loop 12", "Loop 12"},
                                                         {"\x80\x8C\x99\x9F", "\u20AC\u0152\u2122\u0178"},
                                                         {"\xA0\xEF\xFF", "\u00A0\u00EF\u00FF"},
                                                         // Codes Windows-1252 leaves open keep their control character.
                                                         {"\x81\x8D\x8F\x90\x9D", "\u0081\u008D\u008F\u0090\u009D"}};
  for (const auto& [codes, utf8] : decoded) EXPECT_EQ(Cp1252ToUtf8(codes), utf8) << utf8;
  const std::pair<std::string, std::string> encoded[] = {{"Cha\u00EFy \u20AC\u0178", "Cha\xEFy \x80\x9F"},
                                                         {"\u01A1", "?"},      // ơ
                                                         {"a\u0080b", "a?b"},  // the C1 control Windows-1252 uses for €
                                                         {"x\U0001F600y", "x?y"},  // four-byte sequence
                                                         {"a\xC3", "a?"},          // cut-off sequence
                                                         {"\xE2\x82x", "??x"}};    // broken sequence
  for (const auto& [utf8, codes] : encoded) EXPECT_EQ(Utf8ToCp1252(utf8), codes) << codes;
}

// Stored texts are written here as they read in Windows-1252.
TEST(VniToUtf8, DecodesEveryMarkOnTheLettersThatTakeIt) {
  const std::pair<const char*, const char*> vectors[] = {
      {"Choïn kieåu hieäu öùng ?", "Chọn kiểu hiệu ứng ?"},
      {"Chaïy chöõ töø phaûi sang traùi", "Chạy chữ từ phải sang trái"},
      {"Hieän chöõ ñöùng yeân", "Hiện chữ đứng yên"},
      {"Vieàn chaïy voøng quanh", "Viền chạy vòng quanh"},
      {"ÑOÅI MAØU", "ĐỔI MÀU"},
      {"ôùôøôûôõôï öùöøöûöõöï", "ớờởỡợ ứừửữự"},
      {"ÔÙÔØÔÛÔÕÔÏ ÖÙÖØÖÛÖÕÖÏ", "ỚỜỞỠỢ ỨỪỬỮỰ"},
      {"ô ö Ô Ö", "ơ ư Ơ Ư"},  // alone, letters of their own
      {"aâ aá aà aå aã aä", "â ấ ầ ẩ ẫ ậ"},
      {"eâ oá eà oå eã oä", "ê ố ề ổ ễ ộ"},
      {"aê aé aè aú aü aë", "ă ắ ằ ẳ ẵ ặ"},
      {"AÊ AÉ AÈ AÚ AÜ AË OÂ EÁ AÄ", "Ă Ắ Ằ Ẳ Ẵ Ặ Ô Ế Ậ"},
      {"ñ Ñ í Í ì Ì æ Æ ó Ó ò Ò î Î", "đ Đ í Í ì Ì ỉ Ỉ ĩ Ĩ ị Ị ỵ Ỵ"},
      {"yù yø yû yõ Mî", "ý ỳ ỷ ỹ Mỵ"},  // y's dot below is the single code î
  };
  for (const auto& [stored, shown] : vectors) EXPECT_EQ(VniToUtf8(Utf8ToCp1252(stored)), shown) << stored;
}

TEST(VniToUtf8, MarksThatDoNotComposeAndOtherCodesStayWindows1252) {
  const char* const unchanged[] = {"ù",    "nù",  // no base before the mark
                                   "yï",          // y takes no mark for its dot below
                                   "uâ",   "eê",  // circumflex and breve only on the vowels that take them
                                   "aÙ",   "Aù",  // no mark of the other case
                                   "xa",   "Loop PORT1 CONNECT 0123 ?!",
                                   "€“”Ÿ", "\u0081\u00a0",
                                   ""};
  for (const char* text : unchanged) EXPECT_EQ(VniToUtf8(Utf8ToCp1252(text)), text) << text;
  // A mark right after a composed letter belongs to no base.
  EXPECT_EQ(VniToUtf8(Utf8ToCp1252("aùù")), "áù");
  EXPECT_EQ(VniToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace zl
