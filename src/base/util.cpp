#include "base/util.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

#include "base/errore.h"
#include "base/testo.h"

namespace quimbo::util {

std::vector<std::string> Dividi(std::string_view testo, std::string_view sep) {
  std::vector<std::string> pezzi;
  if (sep.empty()) {
    pezzi.emplace_back(testo);
    return pezzi;
  }
  std::size_t inizio = 0;
  for (;;) {
    const auto pos = testo.find(sep, inizio);
    if (pos == std::string_view::npos) {
      pezzi.emplace_back(testo.substr(inizio));
      return pezzi;
    }
    pezzi.emplace_back(testo.substr(inizio, pos - inizio));
    inizio = pos + sep.size();
  }
}

namespace {

// Decimal text of a validated number ("-12.5") to double; a magnitude beyond
// the double range is an overflow, as it was for the original runtime.
double leggiDecimale(const std::string& testo) {
  double valore = 0;
  const auto [fine, ec] = std::from_chars(testo.data(), testo.data() + testo.size(), valore);
  if (ec == std::errc::result_out_of_range) {
    // from_chars also reports an underflow this way: a tiny value is zero.
    const auto cifra = testo.find_first_of("123456789");
    const auto punto = testo.find('.');
    if (punto != std::string::npos && (cifra == std::string::npos || cifra > punto)) return 0.0;
    throw Errore(err::Overflow);
  }
  if (ec != std::errc() || fine != testo.data() + testo.size()) throw Errore(err::TipoNonCorrispondente);
  return valore;
}

}  // namespace

double Arrotonda(double valore, int decimali) {
  if (!std::isfinite(valore) || valore == 0.0) return valore;

  // The shortest text that reads back as the same double is the decimal number
  // the value was meant to be (1.005, not 1.00499999999999989...), so the
  // rounding works on its digits.
  char buf[64];
  const auto [fine, ec] = std::to_chars(buf, buf + sizeof buf, valore, std::chars_format::scientific);
  if (ec != std::errc()) return valore;
  const std::string_view testo(buf, static_cast<std::size_t>(fine - buf));

  const bool negativo = testo.front() == '-';
  const auto e = testo.find('e');
  std::string cifre;
  for (char c : testo.substr(0, e))
    if (c >= '0' && c <= '9') cifre += c;
  int esponente = 0;
  std::from_chars(testo.data() + e + 1 + (testo[e + 1] == '+'), testo.data() + testo.size(), esponente);

  // Digit i has the weight 10^(esponente - i); those with a weight of at least
  // 10^-decimali are kept.
  const long tenute = static_cast<long>(esponente) + decimali + 1;
  if (tenute >= static_cast<long>(cifre.size())) return valore;  // nothing to cut
  if (tenute < 0) return 0.0;                                    // below half a unit

  std::string intero = cifre.substr(0, static_cast<std::size_t>(tenute));
  if (cifre[static_cast<std::size_t>(tenute)] >= '5') {
    // Half away from zero: the sign is put back afterwards.
    int i = static_cast<int>(intero.size()) - 1;
    while (i >= 0 && intero[static_cast<std::size_t>(i)] == '9') intero[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0)
      ++intero[static_cast<std::size_t>(i)];
    else
      intero.insert(intero.begin(), '1');
  }
  if (intero.find_first_not_of('0') == std::string::npos) return 0.0;

  const std::string risultato = (negativo ? "-" : "") + intero + "e" + std::to_string(-decimali);
  double r = 0;
  std::from_chars(risultato.data(), risultato.data() + risultato.size(), r);
  return r;
}

std::string Sostituisci(std::string_view testo, std::string_view trova, std::string_view con) {
  if (trova.empty()) return std::string(testo);
  std::string r;
  r.reserve(testo.size());
  std::size_t inizio = 0;
  for (;;) {
    const auto pos = testo.find(trova, inizio);
    if (pos == std::string_view::npos) break;
    r.append(testo.substr(inizio, pos - inizio));
    r.append(con);
    inizio = pos + trova.size();
  }
  r.append(testo.substr(inizio));
  return r;
}

int Massimo(int a, int b) { return a > b ? a : b; }
int Minimo(int a, int b) { return a < b ? a : b; }

double ConvertiNumero(std::string_view testo) {
  std::size_t i = 0;
  const std::size_t n = testo.size();
  while (i < n && testo[i] == ' ') ++i;
  if (i == n) return 0.0;  // empty or blank text reads as zero

  std::string normale;
  if (testo[i] == '+' || testo[i] == '-') {
    if (testo[i] == '-') normale += '-';
    ++i;
  }
  bool cifre = false;
  bool separatore = false;
  for (; i < n; ++i) {
    const char c = testo[i];
    if (c >= '0' && c <= '9') {
      normale += c;
      cifre = true;
    } else if ((c == '.' || c == ',') && !separatore) {
      normale += '.';
      separatore = true;
    } else {
      break;
    }
  }
  while (i < n && testo[i] == ' ') ++i;
  if (!cifre || i != n) throw Errore(err::TipoNonCorrispondente);
  if (normale.back() == '.') normale.pop_back();       // "5." is 5
  if (normale[normale.front() == '-' ? 1 : 0] == '.')  // ".5" is 0.5
    normale.insert(normale.front() == '-' ? 1U : 0U, 1, '0');
  return leggiDecimale(normale);
}

bool TestNumerico(double valore) { return valore != 0.0; }

int16_t CIntero(std::string_view testo) {
  if (testo::senzaSpazi(testo).empty()) throw Errore(err::TipoNonCorrispondente);
  const double x = ConvertiNumero(testo);
  // Half to even, whatever the floating-point rounding mode happens to be.
  double r = std::floor(x);
  const double resto = x - r;
  if (resto > 0.5 || (resto == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  if (r < -32768.0 || r > 32767.0) throw Errore(err::Overflow);
  return static_cast<int16_t>(r);
}

long ArrotondaIntero(double v, long minimo, long massimo) {
  if (!std::isfinite(v)) return 0;
  double r = std::nearbyint(v);  // halves to even, as the original's conversions
  if (r < static_cast<double>(minimo) || r > static_cast<double>(massimo)) return 0;
  return static_cast<long>(r);
}

double ValoreIniziale(std::string_view testo) {
  std::size_t i = 0;
  const std::size_t n = testo.size();
  while (i < n && (testo[i] == ' ' || testo[i] == '\t')) ++i;
  std::string normale;
  if (i < n && (testo[i] == '+' || testo[i] == '-')) {
    if (testo[i] == '-') normale += '-';
    ++i;
  }
  bool cifre = false;
  std::string intera, decimale;
  while (i < n && testo[i] >= '0' && testo[i] <= '9') intera += testo[i++], cifre = true;
  if (i < n && testo[i] == '.') {
    ++i;
    while (i < n && testo[i] >= '0' && testo[i] <= '9') decimale += testo[i++], cifre = true;
  }
  if (!cifre) return 0.0;
  normale += intera.empty() ? "0" : intera;
  if (!decimale.empty()) normale += "." + decimale;
  return leggiDecimale(normale);
}

// ---------------------------------------------------------------------------

namespace {

std::string piega(std::string_view nome) { return testo::maiuscole(nome); }

std::string chiaveDi(std::string_view sezione, std::string_view chiave) {
  return piega(sezione) + '\n' + piega(chiave);
}

std::string_view senzaBianchi(std::string_view s) {
  const auto inizio = s.find_first_not_of(" \t\r");
  if (inizio == std::string_view::npos) return {};
  const auto fine = s.find_last_not_of(" \t\r");
  return s.substr(inizio, fine - inizio + 1);
}

}  // namespace

// The rules of the Windows profile functions, which the original read its settings
// with: a line ends at LF, CR or both, and a NUL ends its content; leading and
// trailing blanks go (an indented key is a key); a line that starts with ";" or "#"
// is a comment, and one that is neither a [section] nor a key=value pair is
// skipped. A ";" after the "=" is part of the value ("ConfBase=A ;B" reaches the
// register whole); one pair of matching quotes around the whole value goes; the
// first occurrence of a key wins.
FileIni FileIni::daTesto(std::string_view testo) {
  FileIni ini;
  ini.esiste_ = true;
  // Windows editors save a configuration as UTF-16 with a byte-order mark: read as
  // bytes it would be one long line of NULs.
  const std::optional<std::string> utf8 = testo::daUtf16(testo);
  if (utf8) testo = *utf8;
  if (testo.starts_with("\xEF\xBB\xBF")) testo.remove_prefix(3);
  std::string sezione;
  for (std::size_t pos = 0; pos < testo.size();) {
    std::size_t fine = testo.find_first_of("\r\n", pos);
    if (fine == std::string_view::npos) fine = testo.size();
    std::string_view riga = testo.substr(pos, fine - pos);
    pos = fine + 1;
    riga = senzaBianchi(riga.substr(0, riga.find('\0')));
    if (riga.empty() || riga[0] == ';' || riga[0] == '#') continue;
    if (riga[0] == '[') {
      const std::size_t chiusa = riga.find(']');
      if (chiusa != std::string_view::npos) {
        sezione = senzaBianchi(riga.substr(1, chiusa - 1));
        ini.sezioni_.insert(piega(sezione));
      }
      continue;
    }
    const std::size_t uguale = riga.find('=');
    if (uguale == std::string_view::npos) continue;
    std::string_view v = senzaBianchi(riga.substr(uguale + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    ini.valori_.emplace(chiaveDi(sezione, senzaBianchi(riga.substr(0, uguale))), std::string(v));
  }
  return ini;
}

FileIni FileIni::carica(const std::string& percorso) {
  struct Chiudi {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  errno = 0;
  std::unique_ptr<std::FILE, Chiudi> f(std::fopen(percorso.c_str(), "rb"));
  if (!f) {
    const int e = errno;
    if (e == ENOENT || e == ENOTDIR || e == 0) return FileIni{};  // no file: every key has its default
    throw erroreDa(std::error_code(e, std::generic_category()));
  }
  std::string contenuto;
  char buf[4096];
  for (;;) {
    const std::size_t letti = std::fread(buf, 1, sizeof buf, f.get());
    contenuto.append(buf, letti);
    if (letti < sizeof buf) break;
  }
  if (std::ferror(f.get())) {
    // A file that is there but cannot be read (a folder, a device error) is a
    // failure to report, not a reason to carry on with the defaults.
    const int e = errno != 0 ? errno : EIO;
    throw erroreDa(std::error_code(e, std::generic_category()));
  }
  return daTesto(contenuto);
}

bool FileIni::haSezione(std::string_view sezione) const {
  return sezioni_.contains(piega(senzaBianchi(sezione)));
}

std::string FileIni::leggi(std::string_view sezione, std::string_view chiave,
                           std::string_view predefinito) const {
  const auto it = valori_.find(chiaveDi(senzaBianchi(sezione), senzaBianchi(chiave)));
  return it == valori_.end() ? std::string(predefinito) : it->second;
}

}  // namespace quimbo::util
