// The two 8-bit codes the stored texts use: Windows-1252, and VNI read
// through it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "text/cp1252.h"
#include "text/vni.h"

namespace zl {
namespace {

TEST(Cp1252, EveryCodeIsItsOwnCharacterAndComesBackAndOthersBecomeAQuestionMark) {
  std::string codes;
  for (int c = 0; c < 256; ++c) codes += static_cast<char>(c);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(codes)), codes);
  std::set<std::string> characters;
  for (const char c : codes) characters.insert(Cp1252ToUtf8(std::string(1, c)));
  EXPECT_EQ(characters.size(), 256u);
  // Codes Windows-1252 leaves open keep their control character.
  EXPECT_EQ(Cp1252ToUtf8("Lo\x80\x8C\x9F\xA0\xFF\x81\x9D"), "Lo\u20AC\u0152\u0178\u00A0\u00FF\u0081\u009D");
  const std::pair<std::string, std::string> encoded[] = {{"\u01A1", "?"},          // ơ
                                                         {"a\u0080b", "a?b"},      // the C1 control of €'s code
                                                         {"x\U0001F600y", "x?y"},  // four-byte sequence
                                                         {"a\xC3", "a?"},          // cut-off sequence
                                                         {"\xE2\x82x", "??x"}};    // broken sequence
  for (const auto& [utf8, cp] : encoded) EXPECT_EQ(Utf8ToCp1252(utf8), cp) << cp;
}

// Stored texts are written here as they read in Windows-1252; the second
// half does not compose and stays Windows-1252.
TEST(VniToUtf8, DecodesEveryMarkOnTheLettersThatTakeItAndLeavesOtherCodes) {
  const std::pair<const char*, const char*> vectors[] = {
      {"Choïn kieåu hieäu öùng ?", "Chọn kiểu hiệu ứng ?"},
      {"ÑOÅI MAØU", "ĐỔI MÀU"},
      {"ô Ô ö Ö ôùôøôûôõôï ÖÙÖØÖÛÖÕÖÏ", "ơ Ơ ư Ư ớờởỡợ ỨỪỬỮỰ"},
      {"aâ aá aà aå aã aä eâ oá", "â ấ ầ ẩ ẫ ậ ê ố"},
      {"aê aé aè aú aü aë AÊ AÉ", "ă ắ ằ ẳ ẵ ặ Ă Ắ"},
      {"ñ Ñ í Í ì Ì æ Æ ó Ó ò Ò î Î", "đ Đ í Í ì Ì ỉ Ỉ ĩ Ĩ ị Ị ỵ Ỵ"},
      {"yù yø yû yõ Mî aùù", "ý ỳ ỷ ỹ Mỵ áù"},  // y's dot below is the single code î
      {"ù nù yï uâ eê aÙ Aù", "ù nù yï uâ eê aÙ Aù"},
      {"Loop PORT1 ?! €“”Ÿ \u0081\u00a0", "Loop PORT1 ?! €“”Ÿ \u0081\u00a0"},
  };
  for (const auto& [stored, shown] : vectors) EXPECT_EQ(VniToUtf8(Utf8ToCp1252(stored)), shown) << stored;
  EXPECT_EQ(VniToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace zl
