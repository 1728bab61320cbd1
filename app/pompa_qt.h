#pragma once
// The event pump of the Qt shell: the one way the core waits while the window,
// the port and the timer keep working.

#include <functional>
#include <optional>

#include "base/piattaforma.h"

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

  void dopo(double secondi, std::function<void()> azione) override;
  // QCoreApplication::exec.
  int eseguiCicloPrincipale() override;
  void esci() override;
  bool nelCicloPrincipale() const { return cicloPrincipale_; }

 private:
  Orologio& orologio_;
  int profondita_ = 0;
  bool cicloPrincipale_ = false;
};

// Ends the program now, as Pompa::esci. Without a pump (a window in a test), the
// process leaves on the spot.
void terminaProgramma(const PompaQt* pompa);

}  // namespace quimbo::app
