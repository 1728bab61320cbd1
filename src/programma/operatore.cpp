#include "programma/operatore.h"

#include "base/chiusura.h"
#include "base/percorsi.h"
#include "link/tasti.h"
#include "queue/coda.h"
#include "queue/dubbi.h"

namespace quimbo {

void OperatoreDelProgramma::fine() { Command1_Click(st_); }
void OperatoreDelProgramma::sblocca() { CmdSblocca_click(st_); }
void OperatoreDelProgramma::inviaTest() { comTest_Click(st_); }
void OperatoreDelProgramma::chiudi() { ChiediChiusura(st_); }

std::vector<InDubbio> OperatoreDelProgramma::inDubbio() {
  return ElencoInDubbio(cartella(st_.imp.msDirPerFile), st_.imp.msCodifica);
}

// Settled by its file in scartati/, which no other receipt in doubt shares. Said in
// the message line, the system's log and the status; the scan says it in the log.
bool OperatoreDelProgramma::sistema(const InDubbio& d, bool ristampa) {
  if (st_.link.occupato()) return false;  // the window's button waits for the link too
  if (st_.finestra().chiedi(ristampa ? "Ristampa" : "Gi\xe0 stampato", DomandaSistema(d, ristampa),
                            Icona::Domanda, Pulsanti::SiNo) != Risposta::Si)
    return false;
  std::string errore;
  const std::optional<std::string> fatto =
      Sistema(cartella(st_.imp.msDirPerFile), d, ristampa, st_.orologio().adesso(), errore);
  if (fatto) {
    ImpostaTesto(st_, Campo::TxtMsg, *fatto);
    servizio_.nota(*fatto);
    if (ristampa) st_.timer().subito();
  }
  if (!errore.empty()) {
    Annota(st_, Livello::Errore, errore);
    st_.finestra().chiedi("", errore, fatto ? Icona::Esclamazione : Icona::Critico, Pulsanti::Ok);
  }
  RicontaInDubbio(st_);
  return fatto.has_value();
}

}  // namespace quimbo
