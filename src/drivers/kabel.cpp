#include "drivers/kabel.h"

#include <cmath>

#include "base/errore.h"
#include "base/testo.h"
#include "base/util.h"
#include "link/invio.h"
#include "link/kabel.h"
#include "receipt/formato.h"
#include "receipt/record.h"

namespace quimbo {

namespace {

// Department n (1 to 15) has the letter at position n; 2 and 10 share the "T".
const std::string kLettereReparto = "XTPLHYUQMTZVRNJ";

int16_t Intero16(double v) {
  const double r = std::nearbyint(v);  // halves to even
  if (!(r >= -32768 && r <= 32767)) throw Errore(err::Overflow);
  return static_cast<int16_t>(r);
}

int Vendita(Canale& c, const RigaVendita& r) {
  const Stato& st = c.stato();
  double prezzo = r.prezzo;
  std::string comando;
  if (prezzo < 0) {  // a negative price is a deduction: "A" and the magnitude
    comando = "A";
    prezzo = -prezzo;
  }
  comando += ParteQuantita(st, r.quantita, "x") + StrConZero(prezzo);
  const std::string& descrizione = r.descrizione;
  if (!testo::senzaSpazi(descrizione).empty())
    comando += '"' + testo::senzaSpazi(Colonna(descrizione, st.imp.miLungMaxDesc)) + '"';
  int16_t reparto = Intero16(r.reparto);
  if (reparto == 0) reparto = st.imp.miRepDef;
  const int posizione = util::Minimo(reparto, static_cast<int>(kLettereReparto.size()));
  if (posizione < 1) throw Errore(err::ChiamataNonValida);
  c.prosegui(comando + kLettereReparto[static_cast<std::size_t>(posizione - 1)]);
  return c.esito();
}

int Totale(Canale& c, const RigaTotale& r) {
  const std::string lettera = testo::maiuscole(r.pagamento);
  const double totale = r.totale;
  const double anticipo = r.anticipo;
  const double dato = r.dato;
  std::string codice;
  if (lettera == "S") codice = "O";
  if (lettera == "R") codice = "K";
  if (anticipo == 0 && lettera == "A") codice = "S";
  if (anticipo == 0 && lettera == "C") codice = "=";
  if (codice.empty()) LetteraNonValida(r.pagamento);

  if (dato > 0 && lettera != "C" && !c.prosegui(StrConZero(dato) + "=")) return c.esito();
  std::string importo;
  if (anticipo != 0)
    importo = StrConZero(totale - anticipo);
  else if (dato > 0)
    importo =
        lettera == "C" ? StrConZero(dato) : NumeroLocale(totale - dato, c.stato().imp.msSepDecimaliLocale);
  c.prosegui(importo + codice);
  return c.esito();
}

int Intestazione(Canale& c, const RigaIntestazione& r) {
  Stato& st = c.stato();
  const std::string conf = st.finestra().confBase();
  if (st.finestra().aggConf() && testo::senzaSpazi(conf).size() == 8 && conf[2] != '1') {
    // Only a real send switches the summary on, and so needs the restore afterwards.
    if (c.invia("711{" + DetIva(conf) + "{") <= 0 && c.reale())
      StatoProprio<StatoKabel>(st).mbKabelConf = true;
  }
  c.prosegui("222{d" + r.testo + "{");
  return c.esito();
}

}  // namespace

std::string DetIva(const std::string& psConfBase) {
  return psConfBase.substr(0, 2) + "1" + (psConfBase.size() > 3 ? psConfBase.substr(3) : "");
}

std::string NumeroLocale(double valore, const std::string& sepDecimali) {
  return util::Sostituisci(StrConZero(valore), ".", sepDecimali);
}

int TrasKabel(Canale& c, const RigaScontrino& riga) {
  if (const auto* v = std::get_if<RigaVendita>(&riga.dati)) return Vendita(c, *v);
  if (const auto* t = std::get_if<RigaTotale>(&riga.dati)) return Totale(c, *t);
  if (const auto* i = std::get_if<RigaIntestazione>(&riga.dati)) return Intestazione(c, *i);
  return 0;
}

namespace {

// A receipt-specific configuration is taken back even when the receipt failed;
// only when the register heard it, else after the next receipt.
void RipristinaKabel(Stato& st) {
  StatoKabel& k = StatoProprio<StatoKabel>(st);
  if (!k.mbKabelConf || !st.porta().aperta()) return;
  if (Passato(InviaComando(st, "711{" + st.finestra().confBase() + "{", true).esito)) k.mbKabelConf = false;
}

// The answers, the test text and the receipt's own configuration.
constexpr Elemento kElementi[] = {Elemento::TxtRit,    Elemento::LabRit,      Elemento::txtProva,
                                  Elemento::comTest,   Elemento::LabConfBase, Elemento::txtConfBase,
                                  Elemento::CheAggConf};

}  // namespace

const Famiglia kKabel = {
    .nome = "Kabel",
    .nuovoStato = []() -> std::unique_ptr<StatoDellaFamiglia> { return std::make_unique<StatoKabel>(); },
    .invia = InviaKabel,
    .ricevi = RicezioneKabel,
    .quieta = QuietaKabel,
    .nuovoScontrino = NuovoScontrinoKabel,
    .inSospeso = KabelInSospeso,
    .fineScontrino = RipristinaKabel,
    .traduci = TrasKabel,
    .elementi = kElementi,
};

}  // namespace quimbo
