#include "receipt/formato.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "base/errore.h"
#include "base/testo.h"

namespace quimbo {

std::string StrConZero(const Valore& lvVal) {
  // Empty counts as zero; a text must read as a number (error 13 otherwise).
  return StrConZero(comeNumero(lvVal));
}

std::string StrConZero(double valore) {
  // A register cannot be sent "nan" or "inf"; such a value only comes from a
  // broken computation and is reported as the overflow it is.
  if (!std::isfinite(valore)) throw Errore(err::Overflow);
  if (valore == 0.0) return "0";  // also -0

  // 15 significant digits, rounded: d.dddddddddddddde±x
  char buf[64];
  const auto [fine, ec] = std::to_chars(buf, buf + sizeof buf, valore, std::chars_format::scientific, 14);
  if (ec != std::errc()) throw Errore(err::Overflow);
  const std::string_view t(buf, static_cast<std::size_t>(fine - buf));
  const auto e = t.find('e');
  std::string cifre;
  for (char c : t.substr(0, e))
    if (c >= '0' && c <= '9') cifre += c;
  const int esponente = std::atoi(std::string(t.substr(e + 1)).c_str());
  while (cifre.size() > 1 && cifre.back() == '0') cifre.pop_back();

  // Always plain decimal digits, never an exponent: registers read digits and a
  // point only. The leading zero goes by the rounded text, so a value just below
  // 1 that rounds to 1 is "1", not "01".
  std::string r = valore < 0 ? "-" : "";
  if (esponente < 0) {
    r += "0.";
    r.append(static_cast<std::size_t>(-esponente - 1), '0');
    r += cifre;
  } else {
    const auto interi = static_cast<std::size_t>(esponente) + 1;
    if (cifre.size() <= interi) {
      r += cifre;
      r.append(interi - cifre.size(), '0');
    } else {
      r += cifre.substr(0, interi);
      r += '.';
      r += cifre.substr(interi);
    }
  }
  return r;
}

std::string FnDT200(double pdNum) {
  const std::string t = StrConZero(pdNum);
  std::string r;
  r.reserve(t.size() * 2);
  for (char c : t) {
    if (c == '.') {
      r += "16";
    } else {
      r += '0';
      r += c;
    }
  }
  return r;
}

std::string PulTxt(const std::string& psCosa, int16_t piLung) {
  if (piLung < 0) throw Errore(err::ChiamataNonValida);
  const auto lung = static_cast<std::size_t>(piLung);
  std::string r = testo::maiuscole(std::string_view(psCosa).substr(0, lung));
  for (char& c : r) {
    const bool tenuto = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
    if (!tenuto) c = ' ';
  }
  r.resize(lung, ' ');
  return r;
}

}  // namespace quimbo
