#include "shell/applicazione.h"

namespace quimbo {

void Command1_Click(Stato& st) {
  st.finestra().abilitaTimer(false);
  st.mbErrTx = true;
  Form_Unload(st);
  st.finestra().termina();
}

void Form_Unload(Stato& st) {
  st.mbChiuso = true;
  st.porta().chiudi();
  st.finestra().abilitaTimer(false);
}

bool RichiestaChiusura(Stato& st) {
  if (!st.mbInPagamento) return true;
  st.mbChiusuraRinviata = true;
  return false;
}

double AttesaMassimaChiusura(const Stato& st) {
  return st.mdTempoMaxRisposta > 0 ? st.mdTempoMaxRisposta : 10;
}

bool ChiusuraRinviataEseguita(Stato& st) {
  if (!st.mbChiusuraRinviata || st.mbInPagamento) return false;
  st.mbChiusuraRinviata = false;
  Form_Unload(st);
  st.finestra().termina();
  return true;
}

}  // namespace quimbo
