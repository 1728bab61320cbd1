#pragma once
// The shared state: constants, settings and link flags under the names the
// procedures use, plus the platform they talk to. One instance per program (or
// per test); no globals.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "shell/impostazioni.h"
#include "shell/piattaforma.h"

namespace quimbo {

// What happened to one command, as the link saw it; in order of weight, the worst
// last (a receipt goes on only while every command was Accettato or Inviato).
enum class EsitoComando {
  Accettato,      // the register took it: an ACK, a "!0" status, a ready sign; Frontiera,
                  // which never answers: every byte written
  Inviato,        // Kabel with "Pausa": written, its status comes later (counted before the payment)
  Rifiutato,      // refused past the retries, never accepted, or answered unexpectedly
  SenzaRisposta,  // the register kept silent past the time limit
  LineaPersa,     // the port was not open, or went away
  Fermato,        // the operator stopped it: No or Cancel after the refusals, or "&FINE"
};
inline EsitoComando Peggiore(EsitoComando a, EsitoComando b) { return a < b ? b : a; }
inline bool Passato(EsitoComando e) { return e == EsitoComando::Accettato || e == EsitoComando::Inviato; }

// A part of the state that a layer above keeps for itself: only that layer's code
// knows its type.
struct ParteDelloStato {
  virtual ~ParteDelloStato() = default;
};
// A register family's own link state, one kind per family.
struct StatoDellaFamiglia : ParteDelloStato {};
// The scan's state (queue/coda.h).
struct StatoCoda;

struct Stato {
  Stato(Piattaforma piattaforma, const Impostazioni& impostazioni, StatoCoda& statoCoda)
      : pf(piattaforma), imp(impostazioni), coda(statoCoda) {}

  Piattaforma pf;
  // The settings: whoever owns the program's state owns them, and only Form_Load
  // writes them.
  const Impostazioni& imp;

  // The chosen family's own link state: its row makes it at start-up, and only
  // that family's code reaches it.
  std::unique_ptr<StatoDellaFamiglia> mpStatoFamiglia;
  // The scan's own state from one tick to the next: its owner is the owner of this
  // state, and only the queue's code knows its type.
  StatoCoda& coda;

  // The link's (link/): only its code writes these, the layers above read them. The
  // decisions about a command are taken from InviaComando's result; these stay for
  // the procedures that read them.
  //
  // Vandoni, Olivetti and Kabel: an answer is awaited. f_trasmreg and InviaKabel set
  // it before writing; the receive handler clears it at the answer (Kabel: the ready
  // sign), and so do NessunaRisposta, a failed exchange and LineaQuieta.
  // Frontiera: the register holds the sender. DC3 sets it and DC1 clears it, in the
  // receive handler and in LineaQuieta; InviaFrontiera waits while it is set.
  bool mbAttesa = false;
  // Something did not get through. Only the link writes it: set by the receive
  // handler (an unexpected answer), NessunaRisposta, a failed f_trasmreg or InviaCar,
  // the port lost, an Olivetti command never accepted; cleared by NuovoScontrino (each
  // receipt's start and restart), before the second "415", by Sblocca and by --prova.
  // A receipt reads it only for what happened between two commands.
  bool mbErrTx = false;
  // The register did not answer within the time limit, in this receipt (each receipt
  // clears it); and whether it is silent since then (cleared by its next answer).
  // NessunaRisposta sets it; NuovoScontrino, and the start of an exchange (the
  // outermost CollegamentoOccupato), clear it.
  bool mbNessunaRisposta = false;
  // Bytes received from the register since start-up: a receipt that got none went
  // to a register that is switched off, even where no single wait could tell. The
  // receive handler and the readers that bypass it count them; never cleared.
  long mlRicevuti = 0;
  // The register positively took the last command (an ACK, a "!0" status, a ready
  // sign); "no answer in time" does not count. InviaComando clears it at its start,
  // the family's sender sets it.
  bool mbConfermato = false;
  // What has happened so far to the command InviaComando is sending: set by the
  // link where it sees a failure, worst first; read only through InviaComando's result.
  EsitoComando meEsitoComando = EsitoComando::Accettato;
  // An exchange with the register is under way (a button's, or a receipt's):
  // CollegamentoOccupato counts it.
  int miOccupato = 0;
  // Depth of keyboard unlocks started from inside a send; bounds their nesting.
  int miSbloccoInCorso = 0;
  // The last "port not available" said to the integrator's log.
  std::string msPortaNonDisponibile;
  // Commands handed to the register (InviaCar) since start-up: a receipt's log line
  // counts its own from the difference. Only InviaComando writes it.
  int miComandi = 0;

  // The scan's (queue/), which the layers below read: only the scan writes them.
  // The register is silent since a receipt was held for it: only the scan writes it,
  // setting it in DiciCassaMuta and clearing it when a receipt gets an answer
  // (DiciCassaRisponde); NessunaRisposta reads it so as not to say it again.
  bool mbCassaMuta = false;
  // A receipt is being sent (not a button's command), and its file's name: set and
  // cleared around ElaboraScontrino.
  bool mbInScontrino = false;
  std::string msScontrinoInCorso;
  // The total line of a receipt is being sent: a close waits for it to end. Set at
  // the first command of the total line, cleared at the end of each attempt.
  bool mbInPagamento = false;

  // What the operator and the close ask for (shell/chiusura): only their handlers
  // write these.
  // A close waits for the payment: RichiestaChiusura sets it,
  // EseguiChiusuraRinviata clears it and closes.
  bool mbChiusuraRinviata = false;
  // The window has unloaded: no scan enables the timer again. Form_Unload sets it;
  // never cleared.
  bool mbChiuso = false;
  // "&FINE" asked for the stop: a wait for a missing receipt file ends, and nothing
  // more of a receipt counts as sent. Command1_Click sets it; never cleared.
  bool mbFine = false;

  // What the display shows now (the window gets every change).
  std::string TxtManda, TxtRit, TxtMsg, txtTipo;

  // Convenience access to the platform.
  Porta& porta() { return pf.porta; }
  Finestra& finestra() { return pf.finestra; }
  TimerScansione& timer() { return pf.timer; }
  Pompa& pompa() { return pf.pompa; }
  Orologio& orologio() { return pf.orologio; }
};

// Display helpers: keep the copy and tell the window.
void ImpostaTesto(Stato& st, Campo campo, const std::string& testo);
void AggiungiTesto(Stato& st, Campo campo, const std::string& testo);

// A line of the integrator's log.
void Annota(Stato& st, Livello livello, const std::string& riga);
// "1 scontrino in attesa", "2 scontrini in attesa"
std::string ScontriniInAttesa(int n);

}  // namespace quimbo
