#include "base/testo.h"

#include <array>
#include <cstdint>
#include <optional>

namespace quimbo::testo {

namespace {

unsigned char byte(char c) { return static_cast<unsigned char>(c); }

// Unicode code points of 0x80..0x9F. The five unassigned bytes keep their own
// value (C1 controls), so that every byte survives a round trip through UTF-8.
constexpr std::array<char32_t, 32> kAlti = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t codice(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F) return kAlti[b - 0x80];
  return b;  // 0x00-0x7F ASCII, 0xA0-0xFF Latin-1
}

void appendiUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The byte for a code point, or -1 when the code page has none.
int byteDi(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kAlti.size(); ++i)
    if (kAlti[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

// Letters and digit-like signs of 0x80..0xFF that a Western (Italian) collation
// places between "0" and "9" or between "A" and "Z", case ignored. The reasons:
//  - accented and special Latin letters sort as their base letter with a
//    secondary difference, which puts them after the base letter and so inside
//    the range: À..Ö, Ø..Ý, à..ö, ø..ý, Š š Œ œ Ÿ ÿ ƒ; Æ/Œ sort as AE/OE and
//    ß as SS; ª and º are variants of a and o;
//  - ², ³, ¹ are variants of the digits and ¼ ½ ¾ sort as "1/4", "1/2", "3/4",
//    so they fall between "0" and "9";
//  - Ž ž sort as Z with a caron, that is after "Z" itself, and Þ þ come after
//    Z in the alphabet: all four lie outside the range;
//  - µ is a Greek letter (after every Latin one); the euro sign, quotes,
//    dashes, bullets, currency and other symbols, the no-break and soft
//    hyphen and the unassigned bytes are not letters at all.
constexpr std::array<bool, 128> kDescrizioneAlti = [] {
  std::array<bool, 128> t{};
  auto si = [&t](unsigned b) { t[b - 0x80] = true; };
  for (unsigned b : {0x83u, 0x8Au, 0x8Cu, 0x9Au, 0x9Cu, 0x9Fu, 0xAAu, 0xB2u, 0xB3u, 0xB9u, 0xBAu, 0xBCu,
                     0xBDu, 0xBEu, 0xDFu, 0xFFu})
    si(b);
  for (unsigned b = 0xC0; b <= 0xD6; ++b) si(b);
  for (unsigned b = 0xD8; b <= 0xDD; ++b) si(b);
  for (unsigned b = 0xE0; b <= 0xF6; ++b) si(b);
  for (unsigned b = 0xF8; b <= 0xFD; ++b) si(b);
  return t;
}();

constexpr std::array<const char*, 32> kNomiControllo = {
    "<NUL>", "<SOH>", "<STX>", "<ETX>", "<EOT>", "<ENQ>", "<ACK>", "<BEL>", "<BS>",  "<HT>",  "<LF>",
    "<VT>",  "<FF>",  "<CR>",  "<SO>",  "<SI>",  "<DLE>", "<DC1>", "<DC2>", "<DC3>", "<DC4>", "<NAK>",
    "<SYN>", "<ETB>", "<CAN>", "<EM>",  "<SUB>", "<ESC>", "<FS>",  "<GS>",  "<RS>",  "<US>",
};

}  // namespace

char maiuscolo(char c) {
  const unsigned char b = byte(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
  switch (b) {
    case 0x9A:
      return static_cast<char>(0x8A);  // š -> Š
    case 0x9C:
      return static_cast<char>(0x8C);  // œ -> Œ
    case 0x9E:
      return static_cast<char>(0x8E);  // ž -> Ž
    case 0xFF:
      return static_cast<char>(0x9F);  // ÿ -> Ÿ
    default:
      break;
  }
  // à..þ -> À..Þ, except ÷ (0xF7), which is no letter. ß and µ have no
  // single-byte capital and stay as they are.
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
  return c;
}

std::string maiuscole(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = maiuscolo(c);
  return r;
}

bool carattereDescrizione(char c) {
  const unsigned char b = byte(c);
  if (b >= '0' && b <= '9') return true;
  if (b >= 'A' && b <= 'Z') return true;
  if (b >= 'a' && b <= 'z') return true;  // the comparison ignores case
  if (b == '/') return true;
  if (b >= 0x80) return kDescrizioneAlti[b - 0x80];
  return false;
}

std::string senzaSpazi(std::string_view s) {
  const auto inizio = s.find_first_not_of(' ');
  if (inizio == std::string_view::npos) return {};
  const auto fine = s.find_last_not_of(' ');
  return std::string(s.substr(inizio, fine - inizio + 1));
}

std::string aUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() * 2);
  for (char c : cp1252) appendiUtf8(out, codice(byte(c)));
  return out;
}

namespace {

// One UTF-8 sequence at s[i]: its code point and the bytes it takes. An invalid
// sequence takes the bytes up to the one that broke it (at least one) and has no
// code point.
struct Sequenza {
  std::optional<char32_t> cp;
  std::size_t lunghezza = 1;
};

Sequenza sequenzaUtf8(std::string_view s, std::size_t i) {
  const unsigned char b0 = byte(s[i]);
  if (b0 < 0x80) return {b0, 1};
  int seguenti = 0;
  char32_t cp = 0;
  char32_t minimo = 0;
  if ((b0 & 0xE0) == 0xC0) {
    seguenti = 1, cp = b0 & 0x1F, minimo = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    seguenti = 2, cp = b0 & 0x0F, minimo = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    seguenti = 3, cp = b0 & 0x07, minimo = 0x10000;
  } else {
    return {};  // a stray continuation byte or an invalid lead byte
  }
  std::size_t j = i + 1;
  for (int k = 0; k < seguenti; ++k, ++j) {
    if (j >= s.size() || (byte(s[j]) & 0xC0) != 0x80) return {std::nullopt, j - i};
    cp = (cp << 6) | (byte(s[j]) & 0x3F);
  }
  if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {std::nullopt, j - i};
  return {cp, j - i};
}

}  // namespace

std::string daUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const Sequenza q = sequenzaUtf8(utf8, i);
    const int b = q.cp ? byteDi(*q.cp) : -1;
    out += b < 0 ? '?' : static_cast<char>(b);
    i += q.lunghezza;
  }
  return out;
}

std::optional<std::string> daUtf16(std::string_view byte) {
  if (byte.size() < 2 ||
      !((byte[0] == '\xFF' && byte[1] == '\xFE') || (byte[0] == '\xFE' && byte[1] == '\xFF')))
    return std::nullopt;
  const bool grande = byte[0] == '\xFE';
  auto unita = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(byte[i]), b = static_cast<unsigned char>(byte[i + 1]);
    return grande ? static_cast<char32_t>(a << 8 | b) : static_cast<char32_t>(b << 8 | a);
  };
  std::string r;
  for (std::size_t i = 2; i + 1 < byte.size(); i += 2) {
    char32_t c = unita(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < byte.size()) {
      const char32_t basso = unita(i + 2);
      if (basso >= 0xDC00 && basso < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (basso - 0xDC00);
        i += 2;
      }
    }
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;  // a lone half of a pair
    appendiUtf8(r, c);
  }
  return r;
}

bool eUtf8Esteso(std::string_view s) {
  bool esteso = false;
  for (std::size_t i = 0; i < s.size();) {
    const Sequenza q = sequenzaUtf8(s, i);
    if (!q.cp) return false;
    esteso = esteso || q.lunghezza > 1;
    i += q.lunghezza;
  }
  return esteso;
}

std::string testoScontrino(std::string_view byte, std::string_view codifica) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (byte.substr(0, kBom.size()) == kBom) byte.remove_prefix(kBom.size());
  const std::string c = maiuscole(codifica);
  const bool utf8 = c == "UTF-8" || (c == "AUTO" && eUtf8Esteso(byte));
  return utf8 ? daUtf8(byte) : std::string(byte);
}

std::string leggibile(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() * 2);
  for (char c : cp1252) {
    const unsigned char b = byte(c);
    if (b < 0x20)
      out += kNomiControllo[b];
    else if (b == 0x7F)
      out += "<DEL>";
    else
      appendiUtf8(out, codice(b));
  }
  return out;
}

}  // namespace quimbo::testo
