#include "drivers/frontiera.h"

#include <cmath>

#include "base/errore.h"
#include "base/testo.h"
#include "link/frontiera.h"
#include "link/invio.h"
#include "receipt/formato.h"
#include "receipt/record.h"

namespace quimbo {

namespace {

const char kVirgolette = '"';

std::string TraVirgolette(const std::string& s) { return kVirgolette + s + kVirgolette; }

int Vendita(Canale& c, const RigaVendita& r) {
  const Stato& st = c.stato();
  const std::string& campo = r.descrizione;
  std::string descrizione = Colonna("", st.imp.miFrontMaxDesc);
  if (!campo.empty()) descrizione = TraVirgolette(PulTxt(campo, st.imp.miFrontMaxDesc));
  if (descrizione == TraVirgolette("")) descrizione.clear();
  c.prosegui(descrizione + ParteQuantita(st, r.quantita, "*") + StrConZero(r.prezzo) + "H" +
             StrConZero(r.reparto) + "R");
  return c.esito();
}

int Totale(Canale& c, const RigaTotale& r) {
  const Stato& st = c.stato();
  const std::string lettera = testo::maiuscole(r.pagamento);
  if (lettera != "C" && lettera != "A" && lettera != "S" && lettera != "R") LetteraNonValida(r.pagamento);
  const double totale = r.totale;
  const double sconto = r.sconto;
  const double anticipo = r.anticipo;
  const double dato = r.dato;

  if (!c.prosegui("=")) return c.esito();
  if (sconto > 0 && !c.prosegui(StrConZero(sconto) + "H4M")) return c.esito();
  double display = dato;
  if (anticipo != 0) {
    display = totale - anticipo - sconto;
    const std::string dovuto = StrConZero(display) + "H12M";
    // Cash and cheques have no key of their own here: the amount due is keyed again.
    const std::string pagamento = lettera == "S" ? "12M" : lettera == "R" ? "3T" : dovuto;
    if (!c.prosegui(dovuto) || !c.prosegui(pagamento) || !c.prosegui("1T")) return c.esito();
  } else {
    std::string pagamento = lettera == "A" ? "2T" : lettera == "S" ? "12M" : "3T";
    if (lettera == "C") pagamento = dato > 0 ? StrConZero(dato) + "H1T" : "1T";
    if (!c.prosegui(pagamento)) return c.esito();
  }
  if (testo::maiuscole(st.imp.msTotDisplay) == "S" && c.prosegui(TraVirgolette("Totale") + "1%"))
    c.prosegui(TraVirgolette(TestoDisplayFrontiera(display)) + "2%");
  return c.esito();
}

int Lotteria(Canale& c, const RigaLotteria& r) {
  const std::string comando =
      TraVirgolette(testo::maiuscole(Colonna(r.codice, c.stato().imp.miFrontMaxLotteria))) + "@37F";
  c.prosegui(comando);
  c.mostra(Campo::txtTipo, comando);
  return c.esito();
}

}  // namespace

std::string TestoDisplayFrontiera(double importo) {
  if (!std::isfinite(importo)) throw Errore(err::Overflow);
  const double centesimi = std::round(std::fabs(importo));
  std::string t = StrConZero(centesimi);
  if (centesimi < 10)
    t = "00" + t;
  else if (centesimi < 100)
    t = "0" + t;
  t.insert(t.size() - 2, ",");
  return (importo < 0 && centesimi > 0 ? "-" : "") + t;
}

int TrasFrontiera(Canale& c, const RigaScontrino& riga) {
  c.mostra(Campo::TxtManda, riga.testo);  // the operator sees the record being translated
  if (const auto* v = std::get_if<RigaVendita>(&riga.dati)) return Vendita(c, *v);
  if (const auto* t = std::get_if<RigaTotale>(&riga.dati)) return Totale(c, *t);
  if (const auto* l = std::get_if<RigaLotteria>(&riga.dati)) return Lotteria(c, *l);
  return 0;
}

const Famiglia kFrontiera = {
    .nome = "Frontiera",
    .invia = InviaFrontiera,
    .ricevi = ControlloDiFlusso,
    // A hold is the register's state, not an answer: the last DC3 or DC1 a quiet
    // line dropped says whether it holds.
    .quieta = ControlloDiFlusso,
    .trattiene = true,
    .sblocca = SbloccaFrontiera,
    .sincronizza = SincronizzaFrontiera,
    .traduci = TrasFrontiera,
};

}  // namespace quimbo
