#include "drivers/vandoni.h"

#include <array>
#include <cmath>

#include "base/errore.h"
#include "base/testo.h"
#include "base/util.h"
#include "link/invio.h"
#include "link/vandoni.h"
#include "receipt/formato.h"
#include "receipt/record.h"

namespace quimbo {

namespace {

std::string Ultimi(const std::string& s, size_t n) { return s.size() <= n ? s : s.substr(s.size() - n); }

// The register's department codes: department N (1 to 20) is "N+20".
constexpr std::array<const char*, 21> masCodici = {"",   "21", "22", "23", "24", "25", "26",
                                                   "27", "28", "29", "30", "31", "32", "33",
                                                   "34", "35", "36", "37", "38", "39", "40"};

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
  LetteraNonValida(lettera);
}

int TrasVandoni(Canale& c, const RigaScontrino& riga) {
  if (const auto* v = std::get_if<RigaVendita>(&riga.dati)) {
    if (v->quantita != 1 && !c.prosegui("4" + FnDT200(v->quantita) + "14")) return c.esito();
    const std::string reparto = Ultimi("00" + StrConZero(v->reparto), 2);
    if (!testo::senzaSpazi(v->descrizione).empty()) {
      const std::string prezzo = Ultimi("00000000" + StrConZero(v->prezzo), 8);
      c.prosegui("2" + Colonna(v->descrizione, 15) + prezzo + reparto + "1");
    } else {
      const double n = std::nearbyint(util::ConvertiNumero(reparto));
      if (!(n >= 1 && n <= 20)) throw Errore(err::IndiceFuoriIntervallo);
      c.prosegui("4" + FnDT200(v->prezzo) + masCodici[static_cast<size_t>(n)]);
    }
  } else if (const auto* t = std::get_if<RigaTotale>(&riga.dati)) {
    const std::string pagamento = PagamentoVandoni(t->pagamento, t->anticipo != 0);
    if (!c.prosegui("419") || !c.prosegui("4" + FnDT200(t->sconto) + "50")) return c.esito();
    if (t->anticipo != 0) {
      if (!c.prosegui("4" + FnDT200(t->totale - t->anticipo - t->sconto)) || !c.prosegui(pagamento) ||
          !c.prosegui("420"))
        return c.esito();
    } else if (!c.prosegui(pagamento)) {
      return c.esito();
    }
    c.prosegui("497");
  }
  return c.esito();
}

namespace {

// The answers and the unlock button.
constexpr Elemento kElementi[] = {Elemento::TxtRit, Elemento::LabRit, Elemento::CmdSblocca};

}  // namespace

const Famiglia kVandoni = {
    .nome = "Vandoni",
    .nuovoStato = []() -> std::unique_ptr<StatoDellaFamiglia> { return std::make_unique<StatoVandoni>(); },
    .invia = InviaVandoni,
    .ricevi = RicezioneVandoni,
    .sblocca = SbloccaVandoni,
    .sincronizza = SincronizzaVandoni,
    .traduci = TrasVandoni,
    .elementi = kElementi,
};

}  // namespace quimbo
