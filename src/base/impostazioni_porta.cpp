#include "base/impostazioni_porta.h"

#include <cctype>
#include <charconv>
#include <vector>

namespace quimbo {

namespace {

std::string_view pulito(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool intero(std::string_view s, int& valore) {
  s = pulito(s);
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), valore);
  return ec == std::errc() && p == s.data() + s.size();
}

}  // namespace

bool leggiImpostazioniPorta(std::string_view testo, ImpostazioniPorta& imp, std::string& errore) {
  std::vector<std::string_view> parti;
  size_t inizio = 0;
  for (;;) {
    size_t virgola = testo.find(',', inizio);
    parti.push_back(
        testo.substr(inizio, virgola == std::string_view::npos ? std::string_view::npos : virgola - inizio));
    if (virgola == std::string_view::npos) break;
    inizio = virgola + 1;
  }
  if (parti.size() != 4) {
    errore = "impostazioni della porta non valide: \"" + std::string(testo) +
             "\" (attese velocita',parita',bit di dati,bit di stop)";
    return false;
  }
  ImpostazioniPorta r;
  if (!intero(parti[0], r.baud) || r.baud <= 0) {
    errore = "velocita' non valida: \"" + std::string(pulito(parti[0])) + "\"";
    return false;
  }
  std::string_view p = pulito(parti[1]);
  char c = p.size() == 1 ? static_cast<char>(std::toupper(static_cast<unsigned char>(p[0]))) : '?';
  if (c != 'N' && c != 'E' && c != 'O' && c != 'M' && c != 'S') {
    errore = "parita' non valida: \"" + std::string(p) + "\"";
    return false;
  }
  r.parita = c;
  if (!intero(parti[2], r.bitDati) || r.bitDati < 5 || r.bitDati > 8) {
    errore = "bit di dati non validi: \"" + std::string(pulito(parti[2])) + "\"";
    return false;
  }
  std::string_view s = pulito(parti[3]);
  if (s == "1")
    r.bitStop = 1;
  else if (s == "1.5")
    r.bitStop = 1.5;
  else if (s == "2")
    r.bitStop = 2;
  else {
    errore = "bit di stop non validi: \"" + std::string(s) + "\"";
    return false;
  }
  imp = r;
  return true;
}

std::string ImpostazioniRifiutate(std::string_view testo, const std::string& motivo) {
  return "la porta non accetta le impostazioni " + std::string(testo) + " (" + motivo +
         "): controllare Settings in [Parametri Seriale] con il manuale della cassa (di solito 1200,e,7,1 o "
         "9600,n,8,1); alcuni adattatori USB non hanno 7 bit di dati, o la parit\xe0 mark e space";
}

}  // namespace quimbo
