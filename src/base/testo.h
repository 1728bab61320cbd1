#pragma once
// Windows-1252 single-byte text rules. Receipt files, INI values and register
// commands stay bytes from file to wire; these are the few places where a byte's
// meaning as a letter matters.

#include <optional>
#include <string>
#include <string_view>

namespace quimbo::testo {

// Locale-aware upper-casing of one Windows-1252 byte (è -> È, ÿ -> Ÿ, a -> A).
char maiuscolo(char c);
std::string maiuscole(std::string_view s);

// The record reader's test on an upper-cased character: digits, "/", and every
// letter that sorts between "A" and "Z" in an Italian/Western collation (so È, À,
// Ñ stay; punctuation, symbols and the euro sign do not).
bool carattereDescrizione(char c);

// Blanks only (code 32): the trimming that the receipt reader and the INI values use.
std::string senzaSpazi(std::string_view s);

// Windows-1252 <-> UTF-8, for the window only. Bytes with no character in the
// code page (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
std::string aUtf8(std::string_view cp1252);
std::string daUtf8(std::string_view utf8);  // characters outside the code page become "?"

// Text saved as UTF-16 (its byte-order mark says which byte order) as UTF-8; none
// when the bytes do not start with such a mark.
std::optional<std::string> daUtf16(std::string_view byte);

// True when the text is valid UTF-8 and holds at least one character beyond ASCII:
// then it is almost certainly not Windows-1252.
bool eUtf8Esteso(std::string_view s);

// The bytes of a receipt file as Windows-1252 text, by "Codifica": "utf-8",
// "windows-1252", or "auto" (UTF-8 when eUtf8Esteso, else Windows-1252). A leading
// UTF-8 byte-order mark is always dropped.
std::string testoScontrino(std::string_view byte, std::string_view codifica);

// Bytes shown readably for people (journal, headless output): control characters
// as their names in angle brackets (<STX>, <ETX>, <ACK>, <NAK>, <DC1>, <DC3>,
// <DC4>, <CR>, <LF>, <NUL>, ... and <DEL>), everything else as UTF-8.
std::string leggibile(std::string_view cp1252);

}  // namespace quimbo::testo
