#include "drivers/olivetti.h"

#include "base/testo.h"
#include "base/util.h"
#include "link/invio.h"
#include "link/olivetti.h"
#include "receipt/formato.h"
#include "receipt/record.h"

namespace quimbo {

namespace {

constexpr std::size_t kLungDescrizione = 18;

// L(x): one length-prefixed field.
std::string L(const std::string& x) { return AggCarContr(x); }

int Vendita(Canale& c, const RigaVendita& r) {
  const std::string importo =
      r.quantita != 1 ? StrConZero(util::Arrotonda(r.prezzo * r.quantita, c.stato().imp.miDecimali))
                      : StrConZero(r.prezzo);
  c.proseguiOlivetti(L("1325") + L(importo) + L(r.descrizione.substr(0, kLungDescrizione)) + L("") + L("") +
                     L("0"));
  return c.esito();
}

std::string NomePagamento(const std::string& lettera) {
  const std::string l = testo::maiuscole(lettera);
  if (l == "A") return "Assegni";
  if (l == "S") return "Sospeso";
  if (l == "R") return "C.Cred.";
  if (l == "C") return "Contanti";
  LetteraNonValida(lettera);
}

int Totale(Canale& c, const RigaTotale& r) {
  const std::string nome = NomePagamento(r.pagamento);
  const double sconto = r.sconto;
  const double anticipo = r.anticipo;
  if (util::TestNumerico(sconto) && !c.proseguiOlivetti(L("1327") + L(StrConZero(sconto)))) return c.esito();
  if (anticipo != 0 && !c.proseguiOlivetti(L("1329") + L(StrConZero(anticipo)) + L("Anticipo")))
    return c.esito();
  // The payment carries the amount tendered when it covers the amount due.
  double dovuto = r.totale - anticipo - sconto;
  const double dato = r.dato;
  if (dato >= dovuto) dovuto = dato;
  if (c.proseguiOlivetti(L("1329") + L(StrConZero(dovuto)) + L(nome))) c.proseguiOlivetti(L("1323"));
  return c.esito();
}

}  // namespace

int TrasOlivetti(Canale& c, const RigaScontrino& riga) {
  if (const auto* v = std::get_if<RigaVendita>(&riga.dati)) return Vendita(c, *v);
  if (const auto* t = std::get_if<RigaTotale>(&riga.dati)) return Totale(c, *t);
  return 0;
}

namespace {

// The answers.
constexpr Elemento kElementi[] = {Elemento::TxtRit, Elemento::LabRit};

}  // namespace

const Famiglia kOlivetti = {
    .nome = "Olivetti",
    .nuovoStato = []() -> std::unique_ptr<StatoDellaFamiglia> { return std::make_unique<StatoOlivetti>(); },
    .invia = InviaOlivetti,
    .ricevi = RicezioneOlivetti,
    .quieta = QuietaOlivetti,
    .sincronizza = SincronizzaOlivetti,
    .traduci = TrasOlivetti,
    .elementi = kElementi,
};

}  // namespace quimbo
