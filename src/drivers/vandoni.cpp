#include "drivers/vandoni.h"

#include <cmath>

#include "link/invio.h"
#include "receipt/formato.h"
#include "receipt/record.h"
#include "shell/errore.h"
#include "shell/testo.h"
#include "shell/util.h"

namespace quimbo {

namespace {

std::string Ultimi(const std::string& s, size_t n) { return s.size() <= n ? s : s.substr(s.size() - n); }

}  // namespace

std::string PagamentoVandoni(const std::string& lettera, bool conAnticipo) {
  const std::string l = testo::maiuscole(lettera);
  if (l == "S") return "458";
  if (l == "R") return "456";
  if (!conAnticipo) {
    if (l == "A") return "457";
    if (l == "C") return "420";
  }
  // Without a payment command the register would be sent the previous command a
  // second time; the line is bad input and must fail before anything is sent.
  throw Errore(err::ChiamataNonValida, "Lettera di pagamento non valida: \"" + lettera + "\"");
}

int TrasVandoni(Stato& st, const std::string& psCosa) {
  std::string psTipo;
  Record pvDati;
  LeggeRec(psCosa, psTipo, pvDati);

  int risultato = 0;
  auto invia = [&](const std::string& comando) {
    risultato = static_cast<int16_t>(InviaCar(st, comando, true));
    return risultato <= 0;
  };

  if (eTipoRecord(psTipo, "00")) {
    const double quantita = comeNumero(pvDati[3]);
    if (quantita != 1 && !invia("4" + FnDT200(quantita) + "14")) return risultato;
    const std::string reparto = Ultimi("00" + StrConZero(pvDati[5]), 2);
    const std::string descrizione = comeTesto(pvDati[2]);
    if (!testo::senzaSpazi(descrizione).empty()) {
      const std::string prezzo = Ultimi("00000000" + StrConZero(pvDati[4]), 8);
      const std::string desc15 = (descrizione + std::string(15, ' ')).substr(0, 15);
      if (!invia("2" + desc15 + prezzo + reparto + "1")) return risultato;
    } else {
      const double v = std::nearbyint(util::ConvertiNumero(reparto));
      if (!(v >= 1 && v <= 20)) throw Errore(err::IndiceFuoriIntervallo);
      if (!invia("4" + FnDT200(comeNumero(pvDati[4])) + st.masCodici[static_cast<size_t>(v)]))
        return risultato;
    }
  } else if (eTipoRecord(psTipo, "80")) {
    const double totale = comeNumero(pvDati[3]);
    const double sconto = comeNumero(pvDati[4]);
    const double anticipo = comeNumero(pvDati[5]);
    const std::string pagamento = PagamentoVandoni(comeTesto(pvDati[2]), anticipo != 0);
    if (!invia("419")) return risultato;
    if (!invia("4" + FnDT200(sconto) + "50")) return risultato;
    if (anticipo != 0) {
      const double resto = totale - anticipo - sconto;
      if (!invia("4" + FnDT200(resto))) return risultato;
      if (!invia(pagamento)) return risultato;
      if (!invia("420")) return risultato;
    } else {
      if (!invia(pagamento)) return risultato;
    }
    if (!invia("497")) return risultato;
  }
  return 0;
}

}  // namespace quimbo
