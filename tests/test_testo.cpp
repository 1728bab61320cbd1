#include <gtest/gtest.h>

#include <string>

#include "shell/testo.h"

using namespace quimbo::testo;

namespace {

std::string hex(char c) { return std::to_string(static_cast<unsigned char>(c)); }

TEST(Testo, MaiuscoloWindows1252) {
  // è à þ ÿ š œ ž up; ß µ ÷ € È stay.
  const std::pair<char, char> casi[] = {
      {'a', 'A'},       {'z', 'Z'},       {'1', '1'},       {'\xE8', '\xC8'}, {'\xE0', '\xC0'},
      {'\xFE', '\xDE'}, {'\xFF', '\x9F'}, {'\x9A', '\x8A'}, {'\x9C', '\x8C'}, {'\x9E', '\x8E'},
      {'\xDF', '\xDF'}, {'\xB5', '\xB5'}, {'\xF7', '\xF7'}, {'\x80', '\x80'}, {'\xC8', '\xC8'},
  };
  for (const auto& [in, out] : casi) EXPECT_EQ(maiuscolo(in), out) << hex(in);
  EXPECT_EQ(maiuscole("caff\xE8 1/2 kg."), "CAFF\xC8 1/2 KG.");
  EXPECT_EQ(maiuscole(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(Testo, CarattereDescrizione) {
  for (int b = 0; b < 128; ++b) {
    const bool atteso = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
                        (b >= 'a' && b <= 'z') || b == '/';
    EXPECT_EQ(carattereDescrizione(static_cast<char>(b)), atteso) << b;
  }
  // Kept: À È Ñ Ö Ø Ý ß Š Œ Ÿ ƒ ª º ¹ ² ½ (letters and digits by collation).
  for (char c : std::string("\xC0\xC8\xD1\xD6\xD8\xDD\xDF\x8A\x8C\x9F\x83\xAA\xBA\xB9\xB2\xBD"))
    EXPECT_TRUE(carattereDescrizione(c)) << hex(c);
  // Blanked: Ž Þ (after Z), µ, €, no-break space, soft hyphen, – ’ ° £ × ÷ ˆ, unassigned, §.
  for (char c : std::string("\x8E\xDE\xB5\x80\xA0\xAD\x96\x92\xB0\xA3\xD7\xF7\x88\x81\xA7"))
    EXPECT_FALSE(carattereDescrizione(c)) << hex(c);
  // The collation ignores case, so a letter and its capital agree.
  for (int b = 0x80; b < 0x100; ++b) {
    const char c = static_cast<char>(b);
    EXPECT_EQ(carattereDescrizione(c), carattereDescrizione(maiuscolo(c))) << b;
  }
}

TEST(Testo, SenzaSpaziSoloBlanks) {
  const std::pair<std::string, std::string> casi[] = {
      {"  abc  ", "abc"}, {"   ", ""}, {"\tabc\t", "\tabc\t"}, {" a b ", "a b"},
  };
  for (const auto& [in, out] : casi) EXPECT_EQ(senzaSpazi(in), out) << in;
}

TEST(Testo, Utf8) {
  EXPECT_EQ(aUtf8("abc caff\xE8"), "abc caff\xC3\xA8");
  EXPECT_EQ(aUtf8("\x80"), "\xE2\x82\xAC");  // €
  EXPECT_EQ(aUtf8("\x81"), "\xC2\x81");      // unassigned: C1 control of the same value
  const std::pair<std::string, std::string> casi[] = {
      {"caff\xC3\xA8", "caff\xE8"},
      {"\xE2\x82\xAC", "\x80"},
      {"\xCE\xB1", "?"},              // α is not in the code page
      {"\xF0\x9F\x98\x80x", "?x"},    // emoji
      {"a\xC3", "a?"},                // truncated sequence
      {"\xC3x", "?x"},                // broken sequence keeps the next byte
      {"\xC0\xAF", "?"},              // overlong "/"
      {"\x80", "?"},                  // stray continuation byte
  };
  for (const auto& [in, out] : casi) EXPECT_EQ(daUtf8(in), out) << in;
  std::string tutti;
  for (int b = 0; b < 256; ++b) tutti += static_cast<char>(b);
  EXPECT_EQ(daUtf8(aUtf8(tutti)), tutti);
}

TEST(Testo, Leggibile) {
  const std::pair<std::string, std::string> casi[] = {
      {"\x02" "415\x03", "<STX>415<ETX>"},
      {"\x06\x15\x11\x13\x14", "<ACK><NAK><DC1><DC3><DC4>"},
      {"\r\n", "<CR><LF>"},
      {std::string("\0\x1F\x7F", 3), "<NUL><US><DEL>"},
      {"caff\xE8 \x80", "caff\xC3\xA8 \xE2\x82\xAC"},
  };
  for (const auto& [in, out] : casi) EXPECT_EQ(leggibile(in), out);
}

}  // namespace
