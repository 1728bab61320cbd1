#pragma once
// The event pump of the Qt shell: the one way the core waits while the window,
// the port and the timer keep working.

#include <functional>
#include <optional>

#include "shell/piattaforma.h"

namespace quimbo::app {

class PompaQt : public Pompa {
 public:
  explicit PompaQt(Orologio& orologio) : orologio_(orologio) {}

  // Sleeps in the event loop until an event arrives; a single-shot timer wakes it
  // for the deadline, so the CPU stays idle while the register is silent.
  bool attendi(const std::function<bool()>& fatto, std::optional<double> scadenza) override;

  // How many waits are running, one inside the other. Ending the program from in
  // here must not return into them.
  int profondita() const { return profondita_; }

  // Runs the program's main loop (QCoreApplication::exec).
  int eseguiCicloPrincipale();
  bool nelCicloPrincipale() const { return cicloPrincipale_; }

 private:
  Orologio& orologio_;
  int profondita_ = 0;
  bool cicloPrincipale_ = false;
};

// Ends the program now. Straight from the main loop the loop is simply left with
// code 0. Anywhere else (inside a wait, a modal box, or start-up before the main
// loop runs) nothing that was in progress may resume, so the process leaves on
// the spot after flushing its output.
void terminaProgramma(const PompaQt* pompa);

}  // namespace quimbo::app
