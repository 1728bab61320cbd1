#include "programma/operatore.h"

#include "link/tasti.h"
#include "queue/coda.h"
#include "queue/dubbi.h"
#include "shell/chiusura.h"
#include "shell/percorsi.h"

namespace quimbo {

void OperatoreDelProgramma::fine() { Command1_Click(st_); }
void OperatoreDelProgramma::sblocca() { CmdSblocca_click(st_); }
void OperatoreDelProgramma::inviaTest() { comTest_Click(st_); }
void OperatoreDelProgramma::chiudi() { ChiediChiusura(st_); }

std::vector<InDubbio> OperatoreDelProgramma::inDubbio() {
  return ElencoInDubbio(cartella(st_.imp.msDirPerFile));
}

namespace {
// The question names what the operator looks for in the register's journal.
std::string Domanda(const InDubbio& d, bool ristampa) {
  const std::string quale = "lo scontrino " + d.nome + " tagliato il " + TestoOra(d.taglio) + ", totale " +
                            d.totale + " (" + d.pagamento + ")";
  if (ristampa)
    return "Stampare di nuovo " + quale +
           "?\n\nSolo se NON \xe8 nel giornale della cassa: sar\xe0 stampato una volta.";
  return "Confermare che " + quale +
         " \xe8 gi\xe0 stampato?\n\nSolo se \xe8 nel giornale della cassa: non sar\xe0 inviato.";
}
}  // namespace

// Settled by its file in scartati/, which no other receipt in doubt shares. Said in
// the message line, the log, the system's log and the status.
bool OperatoreDelProgramma::sistema(const InDubbio& d, bool ristampa) {
  if (st_.miOccupato > 0) return false;  // the window's button waits for the link too
  if (st_.finestra().chiedi(ristampa ? "Ristampa" : "Gi\xe0 stampato", Domanda(d, ristampa), Icona::Domanda,
                            Pulsanti::SiNo) != Risposta::Si)
    return false;
  std::string errore;
  const std::optional<std::string> fatto =
      Sistema(cartella(st_.imp.msDirPerFile), d.file, ristampa, st_.orologio().adesso(), errore);
  if (fatto) {
    ImpostaTesto(st_, Campo::TxtMsg, *fatto);
    Annota(st_, Livello::Informazione, *fatto);
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
