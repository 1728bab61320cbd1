#include "link/tasti.h"

#include "link/comm.h"
#include "link/famiglia.h"
#include "link/invio.h"
#include "link/scrittura.h"

namespace quimbo {

void CmdSblocca_click(Stato& st) {
  // The button is disabled during an exchange; a click that slips through must
  // not start a second exchange inside the first.
  if (Link(st).miOccupato > 0) return;
  CollegamentoOccupato occupato(st);
  Sblocca(st);
}

void comTest_Click(Stato& st) {
  if (Link(st).miOccupato > 0) return;
  CollegamentoOccupato occupato(st);
  InviaCar(st, st.finestra().prova(), true);
}

bool ProvaDaRigaComandi(Stato& st, const std::string& testo) {
  st.finestra().nuovoLavoro();
  CollegamentoOccupato occupato(st);
  if (!st.imp.mpFamiglia) return false;
  Link(st).mbErrTx = false;
  return InviaComando(st, testo, true).esito == EsitoComando::Accettato;
}

bool SbloccaDaRigaComandi(Stato& st) {
  st.finestra().nuovoLavoro();
  if (!st.imp.mpFamiglia || !st.imp.mpFamiglia->sblocca) {
    ImpostaTesto(st, Campo::TxtMsg,
                 "Il registratore " + st.imp.msTipoReg + " non ha uno sblocco della tastiera");
    return false;
  }
  CollegamentoOccupato occupato(st);
  const bool accettato = Sblocca(st);
  return accettato && st.porta().aperta();
}

}  // namespace quimbo
