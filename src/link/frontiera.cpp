#include "link/frontiera.h"

#include "link/caratteri.h"
#include "link/comm.h"
#include "link/invio.h"
#include "link/scrittura.h"

namespace quimbo {

namespace {

constexpr double kPausaFrontiera = 0.001;

}  // namespace

int InviaFrontiera(Stato& st, const std::string& psCar, bool) {
  for (char c : psCar) {
    st.pompa().attendi([] { return false; }, st.orologio().secondi() + kPausaFrontiera);
    switch (AttendiCassa(
        st, [&] { return !Link(st).mbAttesa; }, st.imp.mdTempoMaxRisposta)) {
      case EsitoAttesa::Fatto:
        break;
      case EsitoAttesa::PortaChiusa:
        throw Errore(err::PortaNonAperta);
      case EsitoAttesa::Scaduto:
        NessunaRisposta(st, "InviaCar");
        return kContinua;
    }
    st.porta().output(std::string(1, c));
  }
  Link(st).mbConfermato = true;  // this family never answers a command: written is all there is
  return kContinua;
}

void ControlloDiFlusso(Stato& st, const std::string& ricevuto) {
  for (char c : ricevuto) {
    if (c == msXOFF)
      Link(st).mbAttesa = true;
    else if (c == msXON)
      Link(st).mbAttesa = false;
  }
}

Sincronia SincronizzaFrontiera(Stato& st, EsitoComando& esito) {
  const Comando r = InviaComando(st, "K", true);
  if (r.codice == kInterrompi) return Sincronia::Interrompi;
  esito = r.esito;
  return Sincronia::Fatta;
}

bool SbloccaFrontiera(Stato& st) {
  Link(st).mbErrTx = false;
  return InviaComando(st, "K", false).esito == EsitoComando::Accettato;
}

}  // namespace quimbo
