#include "link/invio.h"

#include <utility>

#include "link/caratteri.h"
#include "link/comm.h"
#include "link/olivetti.h"
#include "shell/errore.h"
#include "shell/registro.h"

namespace quimbo {

namespace {

constexpr double kPausaFrontiera = 0.001;
constexpr int kInviiOlivetti = 10;

int InviaVandoni(Stato& st, const std::string& psCar, bool pvScontrino) {
  // Fewer than one attempt would never ask the operator and resend forever.
  const int ritenta = st.miRitenta < 1 ? 1 : st.miRitenta;
  int tentativo = 1;
  for (;;) {
    const std::optional<int16_t> codice = f_trasmreg(st, psCar);
    if (!codice || *codice != 21) {
      st.mbConfermato = codice.has_value();
      return kContinua;
    }
    if (tentativo != ritenta) {
      ++tentativo;
      continue;
    }
    // An unlock started here never starts another one from inside itself.
    if (st.miSbloccoInCorso == 0) {
      ++st.miSbloccoInCorso;
      try {
        Sblocca(st);
      } catch (...) {
        --st.miSbloccoInCorso;
        throw;
      }
      --st.miSbloccoInCorso;
    }
    const std::string prima = "Verificati " + std::to_string(ritenta) + " errori in trasmissione";
    Risposta r;
    if (pvScontrino) {
      r = st.finestra().chiedi("",
                               prima +
                                   "\r\nRiprovo a trasmettere la sola riga (scelta SI)\r\n"
                                   "Riprovo a trasmettere l'intero scontrino (scelta NO)\r\n"
                                   "Interrompo trasmissione dello scontrino",
                               Icona::Domanda, Pulsanti::SiNoAnnulla);
    } else {
      r = st.finestra().chiedi("", prima + "\r\nRiprovo a trasmettere", Icona::Domanda, Pulsanti::SiNo);
    }
    if (r == Risposta::Si) {
      tentativo = 1;
      continue;
    }
    return r == Risposta::No ? kRipetiScontrino : kInterrompi;
  }
}

void InviaFrontiera(Stato& st, const std::string& psCar) {
  for (char c : psCar) {
    st.pompa().attendi([] { return false; }, st.orologio().secondi() + kPausaFrontiera);
    switch (AttendiCassa(
        st, [&] { return !st.mbAttesa; }, st.mdTempoMaxRisposta)) {
      case EsitoAttesa::Fatto:
        break;
      case EsitoAttesa::PortaChiusa:
        throw Errore(err::PortaNonAperta);
      case EsitoAttesa::Scaduto:
        NessunaRisposta(st, "InviaCar");
        return;
    }
    st.porta().output(std::string(1, c));
  }
  st.mbConfermato = true;  // this family never answers a command: written is all there is
}

void InviaOlivetti(Stato& st, const std::string& psCar) {
  const long prima = st.mlRicevuti;
  bool accettato = false;
  for (int tentativo = 0; !accettato && tentativo < kInviiOlivetti; ++tentativo) {
    OliScartaRisposte(st);
    OliInviaStr(st, psCar);
    accettato = !eTipoRisposta(st) || OliControlloOk(st, psCar);
  }
  if (!eTipoRisposta(st)) st.mbConfermato = true;
  // Silence is taken for acceptance (a bare test text gets no answer), but a command
  // of a receipt that got not even an ACK went to a register that is switched off:
  // taken for printed, the receipt would be deleted unprinted.
  if (st.mbInScontrino && eTipoRisposta(st) && st.mlRicevuti == prima && st.porta().aperta()) {
    NessunaRisposta(st, "InviaCar");
    return;
  }
  if (!accettato) {
    // A command the register never accepted is no success: the receipt's caller
    // must hear of it.
    st.mbErrTx = true;
    SegnaEsito(st, EsitoComando::Rifiutato);
    ImpostaTesto(st, Campo::TxtMsg, "Comando non accettato dalla cassa");
    ScriviErrore(st, err::ErroreIO, "Comando non accettato dalla cassa", "InviaCar");
  }
}

// A Kabel wait ends at "Pausa" seconds when that is set; otherwise only the
// register's sign (or "TempoMaxRisposta", reported here as no answer) ends it.
EsitoAttesa AttendiKabel(Stato& st, const std::function<bool()>& fatto) {
  const bool conPausa = st.mdPausa > 0;
  const EsitoAttesa esito = AttendiCassa(st, fatto, conPausa ? st.mdPausa : st.mdTempoMaxRisposta);
  if (esito == EsitoAttesa::PortaChiusa) throw Errore(err::PortaNonAperta);
  if (esito == EsitoAttesa::Scaduto && !conPausa) NessunaRisposta(st, "InviaCar");
  return esito;
}

void InviaKabel(Stato& st, const std::string& psCar) {
  if (AttendiKabel(st, [&] { return !st.mbKabelStato; }) == EsitoAttesa::Scaduto && st.mdPausa <= 0) return;
  st.porta().output(msSTX + psCar + msETX);
  ImpostaTesto(st, Campo::TxtRit, "");
  // Every command gets one status section; those dropped here still count as answers.
  ++st.miKabelInAttesa;
  const std::string scartato = st.porta().input();
  st.mlRicevuti += static_cast<long>(scartato.size());
  for (char c : scartato)
    if (c == msDC4 && st.miKabelInAttesa > 0) --st.miKabelInAttesa;
  st.mbAttesa = true;
  st.mbConfermato = AttendiKabel(st, [&] { return !st.mbAttesa; }) == EsitoAttesa::Fatto;
}

}  // namespace

Comando InviaComando(Stato& st, const std::string& psCar, bool pvScontrino) {
  CollegamentoOccupato occupato(st);
  st.mbConfermato = false;
  // An unlock sends commands of its own from inside this one: each keeps its own record.
  const EsitoComando fuori = std::exchange(st.meEsitoComando, EsitoComando::Accettato);
  ++st.miComandi;
  int risultato = kContinua;
  // With the port gone nothing can be sent: the commands of the record fail
  // quietly (the loss was logged once, when it happened).
  if (st.porta().aperta()) {
    try {
      switch (st.meFamiglia) {
        case Famiglia::Vandoni:
          risultato = InviaVandoni(st, psCar, pvScontrino);
          break;
        case Famiglia::Frontiera:
          InviaFrontiera(st, psCar);
          break;
        case Famiglia::Olivetti:
          InviaOlivetti(st, psCar);
          break;
        case Famiglia::Kabel:
          InviaKabel(st, psCar);
          break;
        case Famiglia::Sconosciuta:
          SegnaEsito(st, EsitoComando::Rifiutato);  // nothing can send it
          break;
      }
    } catch (const Errore& e) {
      const bool persa = PortaPersa(st, e);
      if (!persa) ScriviErrore(st, e, "InviaCar");
      SegnaEsito(st, persa ? EsitoComando::LineaPersa : EsitoComando::Rifiutato);
      // The command did not get through: never let that pass for a success.
      st.mbErrTx = true;
      st.mbConfermato = false;
      if (st.meFamiglia != Famiglia::Frontiera) st.mbAttesa = false;
    }
  }
  if (!st.porta().aperta()) {
    st.mbErrTx = true;
    st.mbConfermato = false;
    SegnaEsito(st, EsitoComando::LineaPersa);
  }
  if (risultato != kContinua || st.mbChiuso)
    SegnaEsito(st, EsitoComando::Fermato);
  else if (st.meEsitoComando == EsitoComando::Accettato && !st.mbConfermato)
    st.meEsitoComando = EsitoComando::Inviato;
  return {std::exchange(st.meEsitoComando, fuori), risultato};
}

bool Sblocca(Stato& st) {
  switch (st.meFamiglia) {
    case Famiglia::Vandoni: {
      st.mbErrTx = false;
      Comando r = InviaComando(st, "497", false);
      bool accettato = r.esito == EsitoComando::Accettato;
      if (r.codice > 0) return false;
      st.mbErrTx = false;
      r = InviaComando(st, "497", false);
      accettato = accettato && r.esito == EsitoComando::Accettato;
      if (r.codice <= 0) st.mbErrTx = false;
      return accettato;
    }
    case Famiglia::Frontiera:
      st.mbErrTx = false;
      return InviaComando(st, "K", false).esito == EsitoComando::Accettato;
    case Famiglia::Olivetti:
    case Famiglia::Kabel:
    case Famiglia::Sconosciuta:
      break;
  }
  return false;  // nothing to unlock on the other families
}

}  // namespace quimbo
