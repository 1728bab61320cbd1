#include <gtest/gtest.h>

#include <string>

#include "shell/testo.h"

using namespace quimbo::testo;

namespace {

struct CasoMaiuscolo {
  char in;
  char out;
};

TEST(Testo, MaiuscoloPerByte) {
  const CasoMaiuscolo casi[] = {
      {'a', 'A'},       {'z', 'Z'},       {'A', 'A'},       {'1', '1'},      {'/', '/'},
      {'\xE8', '\xC8'},  // è -> È
      {'\xE0', '\xC0'},  // à -> À
      {'\xF1', '\xD1'},  // ñ -> Ñ
      {'\xFE', '\xDE'},  // þ -> Þ
      {'\xFF', '\x9F'},  // ÿ -> Ÿ
      {'\x9A', '\x8A'},  // š -> Š
      {'\x9C', '\x8C'},  // œ -> Œ
      {'\x9E', '\x8E'},  // ž -> Ž
      {'\xDF', '\xDF'},  // ß has no capital
      {'\xB5', '\xB5'},  // µ stays
      {'\xF7', '\xF7'},  // ÷ is no letter
      {'\xD7', '\xD7'},  // ×
      {'\x80', '\x80'},  // €
      {'\xC8', '\xC8'},  // È already capital
  };
  for (const auto& c : casi)
    EXPECT_EQ(maiuscolo(c.in), c.out) << std::hex << int(static_cast<unsigned char>(c.in));
}

TEST(Testo, MaiuscoleDiUnTesto) {
  EXPECT_EQ(maiuscole("caff\xE8 1/2 kg."), "CAFF\xC8 1/2 KG.");
  EXPECT_EQ(maiuscole(""), "");
  EXPECT_EQ(maiuscole(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(Testo, CarattereDescrizioneAscii) {
  for (int b = 0; b < 128; ++b) {
    const bool atteso = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
                        (b >= 'a' && b <= 'z') || b == '/';
    EXPECT_EQ(carattereDescrizione(static_cast<char>(b)), atteso) << b;
  }
}

struct CasoDescrizione {
  unsigned char b;
  bool tenuto;
};

TEST(Testo, CarattereDescrizioneAlti) {
  const CasoDescrizione casi[] = {
      {0xC8, true},   // È
      {0xC0, true},   // À
      {0xD1, true},   // Ñ
      {0xC9, true},   // É
      {0xD2, true},   // Ò
      {0xD9, true},   // Ù
      {0xCC, true},   // Ì
      {0xC6, true},   // Æ sorts as AE
      {0xD8, true},   // Ø
      {0xDD, true},   // Ý
      {0xDF, true},   // ß sorts as SS
      {0x8A, true},   // Š
      {0x8C, true},   // Œ
      {0x9F, true},   // Ÿ
      {0x83, true},   // ƒ
      {0xAA, true},   // ª
      {0xBA, true},   // º
      {0xB9, true},   // ¹ among the digits
      {0xB2, true},   // ²
      {0xBD, true},   // ½ sorts as 1/2
      {0x8E, false},  // Ž sorts after Z
      {0xDE, false},  // Þ after Z
      {0xB5, false},  // µ Greek
      {0x80, false},  // €
      {0xA0, false},  // no-break space
      {0xAD, false},  // soft hyphen
      {0x96, false},  // en dash
      {0x92, false},  // right single quote
      {0xB0, false},  // degree sign
      {0xA3, false},  // pound sign
      {0xD7, false},  // ×
      {0xF7, false},  // ÷
      {0x88, false},  // modifier circumflex
      {0x81, false},  // unassigned
      {0xA7, false},  // §
  };
  for (const auto& c : casi)
    EXPECT_EQ(carattereDescrizione(static_cast<char>(c.b)), c.tenuto) << std::hex << int(c.b);
}

TEST(Testo, OgniMaiuscolaAccentataTenutaHaLaSuaMinuscolaTenuta) {
  // The collation test ignores case, so a letter and its capital agree.
  for (int b = 0x80; b < 0x100; ++b) {
    const char c = static_cast<char>(b);
    if (maiuscolo(c) != c) {
      EXPECT_EQ(carattereDescrizione(c), carattereDescrizione(maiuscolo(c))) << std::hex << b;
    }
  }
}

TEST(Testo, SenzaSpaziSoloBlanks) {
  const std::pair<std::string, std::string> casi[] = {
      {"  abc  ", "abc"},
      {"abc", "abc"},
      {"   ", ""},
      {"", ""},
      {"\tabc\t", "\tabc\t"},
      {" a b ", "a b"},
      {std::string("\0 x \0", 5), std::string("\0 x \0", 5)},
  };
  for (const auto& [in, out] : casi) EXPECT_EQ(senzaSpazi(in), out) << in;
}

TEST(Testo, AUtf8) {
  EXPECT_EQ(aUtf8("abc"), "abc");
  EXPECT_EQ(aUtf8("caff\xE8"), "caff\xC3\xA8");
  EXPECT_EQ(aUtf8("\x80"), "\xE2\x82\xAC");  // €
  EXPECT_EQ(aUtf8("\x9F"), "\xC5\xB8");      // Ÿ
  EXPECT_EQ(aUtf8("\x81"), "\xC2\x81");      // unassigned: C1 control of the same value
  EXPECT_EQ(aUtf8("\xFF"), "\xC3\xBF");
}

TEST(Testo, DaUtf8) {
  EXPECT_EQ(daUtf8("caff\xC3\xA8"), "caff\xE8");
  EXPECT_EQ(daUtf8("\xE2\x82\xAC"), "\x80");
  EXPECT_EQ(daUtf8("\xE2\x84\xA2"), "\x99");          // ™
  EXPECT_EQ(daUtf8("\xCE\xB1"), "?");                 // α is not in the code page
  EXPECT_EQ(daUtf8("\xF0\x9F\x98\x80x"), "?x");       // emoji
  EXPECT_EQ(daUtf8("a\xC3"), "a?");                   // truncated sequence
  EXPECT_EQ(daUtf8("\xC3x"), "?x");                   // broken sequence keeps the next byte
  EXPECT_EQ(daUtf8("\xC0\xAF"), "?");                 // overlong "/"
  EXPECT_EQ(daUtf8("\x80"), "?");                     // stray continuation byte
}

TEST(Testo, Utf8AndataERitornoDiOgniByte) {
  std::string tutti;
  for (int b = 0; b < 256; ++b) tutti += static_cast<char>(b);
  EXPECT_EQ(daUtf8(aUtf8(tutti)), tutti);
}

TEST(Testo, Leggibile) {
  const std::pair<std::string, std::string> casi[] = {
      {"\x02" "415\x03", "<STX>415<ETX>"},
      {"\x06", "<ACK>"},
      {"\x15", "<NAK>"},
      {"\x11\x13\x14", "<DC1><DC3><DC4>"},
      {"\r\n", "<CR><LF>"},
      {std::string("\0", 1), "<NUL>"},
      {"\x1F", "<US>"},
      {"\x7F", "<DEL>"},
      {"\x09", "<HT>"},
      {"\x1B", "<ESC>"},
      {"caff\xE8", "caff\xC3\xA8"},
      {"\x80", "\xE2\x82\xAC"},
      {"a b", "a b"},
  };
  for (const auto& [in, out] : casi) EXPECT_EQ(leggibile(in), out);
}

}  // namespace
