#include "drivers/olivetti.h"

#include "link/invio.h"
#include "link/olivetti.h"
#include "receipt/formato.h"
#include "receipt/record.h"
#include "shell/testo.h"
#include "shell/util.h"

namespace quimbo {

namespace {

constexpr std::size_t kLungDescrizione = 18;

// L(x): one length-prefixed field.
std::string L(const std::string& x) { return AggCarContr(x); }

int Vendita(Canale& c, const Record& r) {
  const double quantita = comeNumero(r[3]);
  const std::string importo =
      quantita != 1 ? StrConZero(util::Arrotonda(comeNumero(r[4]) * quantita, c.stato().imp.miDecimali))
                    : StrConZero(r[4]);
  c.proseguiOlivetti(L("1325") + L(importo) + L(comeTesto(r[2]).substr(0, kLungDescrizione)) + L("") + L("") +
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

int Totale(Canale& c, const Record& r) {
  const std::string nome = NomePagamento(comeTesto(r[2]));
  const double sconto = comeNumero(r[4]);
  const double anticipo = comeNumero(r[5]);
  if (util::TestNumerico(sconto) && !c.proseguiOlivetti(L("1327") + L(StrConZero(sconto)))) return c.esito();
  if (anticipo != 0 && !c.proseguiOlivetti(L("1329") + L(StrConZero(anticipo)) + L("Anticipo")))
    return c.esito();
  // The payment carries the amount tendered when it covers the amount due.
  double dovuto = comeNumero(r[3]) - anticipo - sconto;
  const double dato = comeNumero(r[6]);
  if (dato >= dovuto) dovuto = dato;
  if (c.proseguiOlivetti(L("1329") + L(StrConZero(dovuto)) + L(nome))) c.proseguiOlivetti(L("1323"));
  return c.esito();
}

}  // namespace

int TrasOlivetti(Canale& c, const std::string& psCosa) {
  std::string psTipo;
  Record pvDati;
  LeggeRec(psCosa, psTipo, pvDati);
  if (eTipoRecord(psTipo, "00")) return Vendita(c, pvDati);
  if (eTipoRecord(psTipo, "80")) return Totale(c, pvDati);
  return 0;
}

namespace {

// The answers.
constexpr Elemento kElementi[] = {Elemento::TxtRit, Elemento::LabRit};

}  // namespace

const Famiglia kOlivetti = {
    .nome = "Olivetti",
    .nuovoStato = [] -> std::unique_ptr<StatoDellaFamiglia> { return std::make_unique<StatoOlivetti>(); },
    .invia = InviaOlivetti,
    .ricevi = RicezioneOlivetti,
    .quieta = QuietaOlivetti,
    .sincronizza = SincronizzaOlivetti,
    .traduci = TrasOlivetti,
    .elementi = kElementi,
};

}  // namespace quimbo
