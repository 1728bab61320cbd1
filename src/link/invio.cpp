#include "link/invio.h"

#include <utility>

#include "base/errore.h"
#include "base/registro.h"
#include "link/comm.h"
#include "link/famiglia.h"
#include "link/scrittura.h"

namespace quimbo {

Comando InviaComando(Stato& st, const std::string& psCar, bool pvScontrino) {
  CollegamentoOccupato occupato(st);
  Link(st).mbConfermato = false;
  // An unlock sends commands of its own from inside this one: each keeps its own record.
  const EsitoComando fuori = std::exchange(Link(st).meEsitoComando, EsitoComando::Accettato);
  const bool inattesaFuori = std::exchange(Link(st).mbInattesa, false);
  ++Link(st).miComandi;
  int risultato = kContinua;
  // With the port gone nothing can be sent: the commands of the record fail
  // quietly (the loss was logged once, when it happened).
  if (st.porta().aperta()) {
    try {
      if (st.imp.mpFamiglia)
        risultato = st.imp.mpFamiglia->invia(st, psCar, pvScontrino);
      else
        SegnaEsito(st, EsitoComando::Rifiutato);  // nothing can send it
    } catch (const Errore& e) {
      const bool persa = PortaPersa(st, e);
      if (!persa) ScriviErrore(st, e, "InviaCar");
      SegnaEsito(st, persa ? EsitoComando::LineaPersa : EsitoComando::Rifiutato);
      // The command did not get through: never let that pass for a success.
      Link(st).mbErrTx = true;
      Link(st).mbConfermato = false;
      if (!Trattenuto(st)) Link(st).mbAttesa = false;
    }
  }
  if (!st.porta().aperta()) {
    Link(st).mbErrTx = true;
    Link(st).mbConfermato = false;
    SegnaEsito(st, EsitoComando::LineaPersa);
  }
  if (risultato != kContinua || st.mbChiuso)
    SegnaEsito(st, EsitoComando::Fermato);
  else if (Link(st).meEsitoComando == EsitoComando::Accettato && !Link(st).mbConfermato)
    Link(st).meEsitoComando = EsitoComando::Inviato;
  const bool inattesa = std::exchange(Link(st).mbInattesa, inattesaFuori);
  return {std::exchange(Link(st).meEsitoComando, fuori), risultato, inattesa};
}

void NuovoScontrino(Stato& st) {
  Link(st).mbErrTx = false;
  Link(st).mbNessunaRisposta = false;
  if (const Famiglia* f = st.imp.mpFamiglia; f && f->nuovoScontrino) f->nuovoScontrino(st);
}

bool Sblocca(Stato& st) {
  // Nothing to unlock on a family without an unlock.
  return st.imp.mpFamiglia && st.imp.mpFamiglia->sblocca && st.imp.mpFamiglia->sblocca(st);
}

}  // namespace quimbo
