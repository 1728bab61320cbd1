#include <gtest/gtest.h>

#include "base/testo.h"

using namespace quimbo::testo;
using Testi = std::vector<std::string>;

namespace {

std::string hex(char c) { return std::to_string(static_cast<unsigned char>(c)); }

// è à þ ÿ š œ ž go up; ß µ ÷ € È stay.
TEST(Testo, UppercaseOfWindows1252Letters) {
  const std::pair<char, char> casi[] = {
      {'a', 'A'},       {'z', 'Z'},       {'1', '1'},       {'\xE8', '\xC8'}, {'\xE0', '\xC0'},
      {'\xFE', '\xDE'}, {'\xFF', '\x9F'}, {'\x9A', '\x8A'}, {'\x9C', '\x8C'}, {'\x9E', '\x8E'},
      {'\xDF', '\xDF'}, {'\xB5', '\xB5'}, {'\xF7', '\xF7'}, {'\x80', '\x80'}, {'\xC8', '\xC8'}};
  for (const auto& [in, out] : casi) EXPECT_EQ(maiuscolo(in), out) << hex(in);
}

TEST(Testo, OnlyBlanksAreTrimmed) {
  EXPECT_EQ(Testi({senzaSpazi("  abc  "), senzaSpazi("   "), senzaSpazi("\tabc\t"), senzaSpazi(" a b ")}),
            (Testi{"abc", "", "\tabc\t", "a b"}));
}

// Descriptions keep digits, "/" and letters by collation, which ignores case.
TEST(Testo, DescriptionsKeepDigitsSlashAndLetters) {
  for (int b = 0; b < 128; ++b) {
    const bool atteso =
        (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '/';
    EXPECT_EQ(carattereDescrizione(static_cast<char>(b)), atteso) << b;
  }
  // Kept: À È Ñ Ö Ø Ý ß Š Œ Ÿ ƒ ª º ¹ ² ½ (letters and digits by collation).
  for (char c : std::string("\xC0\xC8\xD1\xD6\xD8\xDD\xDF\x8A\x8C\x9F\x83\xAA\xBA\xB9\xB2\xBD"))
    EXPECT_TRUE(carattereDescrizione(c)) << hex(c);
  // Blanked: Ž Þ (after Z), µ, €, no-break space, soft hyphen, – ’ ° £ × ÷ ˆ, unassigned, §.
  for (char c : std::string("\x8E\xDE\xB5\x80\xA0\xAD\x96\x92\xB0\xA3\xD7\xF7\x88\x81\xA7"))
    EXPECT_FALSE(carattereDescrizione(c)) << hex(c);
  for (int b = 0x80; b < 0x100; ++b)
    EXPECT_EQ(carattereDescrizione(static_cast<char>(b)),
              carattereDescrizione(maiuscolo(static_cast<char>(b))))
        << b;
}

// From UTF-8: α is not in the code page, nor an emoji; a truncated or broken sequence, an overlong "/" and
// a stray continuation byte each give one "?", keeping the next byte.
TEST(Testo, Utf8OutsideTheCodePageOrBrokenIsAQuestionMark) {
  EXPECT_EQ(Testi({daUtf8("\xCE\xB1"), daUtf8("\xF0\x9F\x98\x80x"), daUtf8("a\xC3"), daUtf8("\xC3x"),
                   daUtf8("\xC0\xAF"), daUtf8("\x80")}),
            (Testi{"?", "?x", "a?", "?x", "?", "?"}));
}

// An unassigned byte goes to UTF-8 as the C1 control of the same value; every byte comes back.
TEST(Testo, EveryByteComesBackFromUtf8) {
  EXPECT_EQ(Testi({aUtf8("\x80"), aUtf8("\x81")}), (Testi{"\xE2\x82\xAC", "\xC2\x81"}));
  std::string tutti;
  for (int b = 0; b < 256; ++b) tutti += static_cast<char>(b);
  EXPECT_EQ(daUtf8(aUtf8(tutti)), tutti);
}

TEST(Testo, ControlCharactersAreShownByName) {
  EXPECT_EQ(Testi({leggibile("\x06\x15\x11\x13\x14"), leggibile("\r\n"),
                   leggibile(std::string("\0\x1F\x7F", 3)), leggibile("caff\xE8 \x80")}),
            (Testi{"<ACK><NAK><DC1><DC3><DC4>", "<CR><LF>", "<NUL><US><DEL>", "caff\xC3\xA8 \xE2\x82\xAC"}));
}

}  // namespace
