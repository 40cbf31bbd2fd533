#include "platform/vni.h"

#include <gtest/gtest.h>

#include <string>

namespace zl {
namespace {

// The 8-bit codes of a text written here as Latin-1 characters in UTF-8, the
// way the stored texts read in Windows-1252.
std::string Codes(const std::string& latin1_utf8) {
  std::string out;
  for (std::size_t i = 0; i < latin1_utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(latin1_utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      // Two-byte sequences only: U+0080..U+00FF.
      const auto next = static_cast<unsigned char>(latin1_utf8[++i]);
      out += static_cast<char>(((c & 0x1F) << 6) | (next & 0x3F));
    }
  }
  return out;
}

TEST(VniToUtf8, DecodesTheStoredTexts) {
  const std::pair<const char*, const char*> vectors[] = {
      {"Choïn kieåu hieäu öùng ?", "Chọn kiểu hiệu ứng ?"},
      {"Kieåu hieäu öùng", "Kiểu hiệu ứng"},
      {"Nap phan men cho Zentrel V2.0", "Nap phan men cho Zentrel V2.0"},
      {"Chaïy chöõ töø phaûi sang traùi", "Chạy chữ từ phải sang trái"},
      {"Hieän chöõ ñöùng yeân", "Hiện chữ đứng yên"},
      {"Nhaáp nhaùy", "Nhấp nháy"},
      {"Vieàn chaïy voøng quanh", "Viền chạy vòng quanh"},
      {"ÑOÅI MAØU", "ĐỔI MÀU"},
  };
  for (const auto& [stored, shown] : vectors) {
    EXPECT_EQ(VniToUtf8(Codes(stored)), shown) << stored;
  }
}

TEST(VniToUtf8, HornLettersTakeEveryTone) {
  EXPECT_EQ(VniToUtf8(Codes("ôùôøôûôõôï")), "ớờởỡợ");
  EXPECT_EQ(VniToUtf8(Codes("öùöøöûöõöï")), "ứừửữự");
  EXPECT_EQ(VniToUtf8(Codes("ÔÙÔØÔÛÔÕÔÏ")), "ỚỜỞỠỢ");
  EXPECT_EQ(VniToUtf8(Codes("ÖÙÖØÖÛÖÕÖÏ")), "ỨỪỬỮỰ");
  // Alone they are letters of their own.
  EXPECT_EQ(VniToUtf8(Codes("ô ö Ô Ö")), "ơ ư Ơ Ư");
}

TEST(VniToUtf8, CircumflexAndBreveMarks) {
  EXPECT_EQ(VniToUtf8(Codes("aâ aá aà aå aã aä")), "â ấ ầ ẩ ẫ ậ");
  EXPECT_EQ(VniToUtf8(Codes("eâ oá eà oå eã oä")), "ê ố ề ổ ễ ộ");
  EXPECT_EQ(VniToUtf8(Codes("aê aé aè aú aü aë")), "ă ắ ằ ẳ ẵ ặ");
  EXPECT_EQ(VniToUtf8(Codes("AÊ AÉ AÈ AÚ AÜ AË")), "Ă Ắ Ằ Ẳ Ẵ Ặ");
  EXPECT_EQ(VniToUtf8(Codes("OÂ EÁ AÄ")), "Ô Ế Ậ");
}

TEST(VniToUtf8, SingleCodeLetters) {
  EXPECT_EQ(VniToUtf8(Codes("ñ Ñ í Í ì Ì æ Æ ó Ó ò Ò î Î")), "đ Đ í Í ì Ì ỉ Ỉ ĩ Ĩ ị Ị ỵ Ỵ");
  EXPECT_EQ(VniToUtf8(Codes("yù yø yû yõ")), "ý ỳ ỷ ỹ");
  // y takes its dot below as the single code î, never as a mark.
  EXPECT_EQ(VniToUtf8(Codes("Mî")), "Mỵ");
  EXPECT_EQ(VniToUtf8(Codes("yï")), "yï");
}

TEST(VniToUtf8, MarksThatDoNotComposeStayWindows1252) {
  // No base before the mark.
  EXPECT_EQ(VniToUtf8(Codes("ù")), "ù");
  EXPECT_EQ(VniToUtf8(Codes("nù")), "nù");
  // A mark right after a composed letter belongs to no base.
  EXPECT_EQ(VniToUtf8(Codes("aùù")), "áù");
  // Circumflex and breve only on the vowels that take them.
  EXPECT_EQ(VniToUtf8(Codes("uâ")), "uâ");
  EXPECT_EQ(VniToUtf8(Codes("eê")), "eê");
  // A lower-case letter takes no upper-case mark and the reverse.
  EXPECT_EQ(VniToUtf8(Codes("aÙ")), "aÙ");
  EXPECT_EQ(VniToUtf8(Codes("Aù")), "Aù");
  // A base letter at the end is itself.
  EXPECT_EQ(VniToUtf8(Codes("xa")), "xa");
}

TEST(VniToUtf8, OtherCodesAsWindows1252) {
  EXPECT_EQ(VniToUtf8("Loop PORT1 CONNECT 0123 ?!"), "Loop PORT1 CONNECT 0123 ?!");
  EXPECT_EQ(VniToUtf8(std::string("\x80\x93\x94\x9f", 4)), "€“”Ÿ");
  EXPECT_EQ(VniToUtf8(std::string("\x81\xa0", 2)), "\u0081\u00a0");
  EXPECT_EQ(VniToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(VniToUtf8(""), "");
}

}  // namespace
}  // namespace zl
