#include "base/chiusura.h"

#include "base/registro.h"

namespace quimbo {

void Command1_Click(Stato& st) {
  st.timer().abilita(false);
  st.link.chiediFine();
  Form_Unload(st);
  st.finestra().termina();
}

void Form_Unload(Stato& st) {
  // Said now, not only at the next start: the operator may look at the register meanwhile.
  if (st.mbInPagamento && !st.mbChiuso)
    ScriviErrore(st, err::ErroreIO,
                 "Scontrino " + st.msScontrinoInCorso +
                     " interrotto durante il pagamento dalla chiusura del programma: sar\xe0 messo da parte "
                     "come in dubbio; controllare il giornale della cassa",
                 "Form_Unload");
  st.mbChiuso = true;
  st.porta().chiudi();
  st.timer().abilita(false);
}

bool RichiestaChiusura(Stato& st) {
  if (!st.mbInPagamento) return true;
  st.mbChiusuraRinviata = true;
  return false;
}

double AttesaMassimaChiusura(const Stato& st) {
  return st.imp.mdTempoMaxRisposta > 0 ? st.imp.mdTempoMaxRisposta : 10;
}

namespace {
void Chiudi(Stato& st) {
  if (st.mbChiuso) return;
  Form_Unload(st);
  st.finestra().termina();
}
}  // namespace

void ChiediChiusura(Stato& st) {
  if (RichiestaChiusura(st)) return Chiudi(st);
  st.pompa().dopo(AttesaMassimaChiusura(st), [&st] { Chiudi(st); });
}

bool EseguiChiusuraRinviata(Stato& st) {
  if (!st.mbChiusuraRinviata || st.mbInPagamento) return false;
  st.mbChiusuraRinviata = false;
  Form_Unload(st);
  st.finestra().termina();
  return true;
}

}  // namespace quimbo
