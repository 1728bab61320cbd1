#pragma once
// The program around the core, once its shell has made the platform's parts: the
// start-up, a command-line action or the main loop, and the exit code.

#include <memory>
#include <optional>
#include <string>

#include "base/chiusura.h"
#include "base/stato.h"
#include "programma/avvio.h"
#include "programma/operatore.h"
#include "programma/opzioni.h"
#include "programma/senza_finestra.h"
#include "queue/coda.h"

namespace quimbo {

struct PartiDellaShell {
  Porta& porta;
  Pompa& pompa;
  Orologio& orologio;
  Servizio& servizio;
  // The window; none for --headless, where the program keeps the integrator's log
  // on standard output and error itself.
  Finestra* finestra;
  TimerScansione& timer;  // Timer1: its ticks scan the folder
};

class Programma {
 public:
  Programma(const Opzioni& o, PartiDellaShell parti);
  Programma(const Programma&) = delete;
  Programma& operator=(const Programma&) = delete;

  // Where the shell's window sends the operator's actions.
  Operatore& operatore() { return operatore_; }

  // `erroreIni` is TrovaIni's: a window shows it and ends. Then Form_Load, a
  // command-line action, or the main loop until the program ends.
  int esegui(const std::string& ini, const std::string& erroreIni);

  // SIGTERM and SIGINT: as the close box.
  void chiudi() { ChiediChiusura(st_); }

 private:
  std::optional<int> FineDopoAvvio(const EsitoAvvio& esito);
  // --in-dubbio: one line per receipt in doubt of the INI's folder, on standard output.
  int ElencaInDubbio(const std::string& ini);
  // --ristampa / --gia-stampato: one receipt in doubt settled, and said.
  int SistemaInDubbio(const std::string& ini);

  const Opzioni o_;
  PartiDellaShell parti_;
  std::unique_ptr<FinestraHeadless> headless_;
  Impostazioni imp_;
  StatoCoda coda_;
  Stato st_;
  OperatoreDelProgramma operatore_{st_, parti_.servizio};
};

}  // namespace quimbo
