#pragma once
// The shared state: constants, settings and link flags under the names the
// procedures use, plus the platform they talk to. One instance per program (or
// per test); no globals.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "base/collegamento.h"
#include "base/impostazioni.h"
#include "base/piattaforma.h"

namespace quimbo {

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

  // The exchange with the register: the link alone moves it, every part reads it.
  Collegamento link;

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

  // What the operator and the close ask for (base/chiusura): only their handlers
  // write these.
  // A close waits for the payment: RichiestaChiusura sets it,
  // EseguiChiusuraRinviata clears it and closes.
  bool mbChiusuraRinviata = false;
  // The window has unloaded: no scan enables the timer again. Form_Unload sets it;
  // never cleared.
  bool mbChiuso = false;

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
