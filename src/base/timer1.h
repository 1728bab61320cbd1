#pragma once
// Timer1's rules, the same in every shell: the original control's interval and
// enabling, a tick at once when asked (a receipt landed, more are waiting), never a
// scan inside a scan, and the folder's watch set up again at a tick when it was lost.
// A shell gives the periodic timer, the "once the waiting events are processed" and
// the watch itself.

#include <functional>
#include <string>

#include "base/piattaforma.h"

namespace quimbo {

class Timer1 : public TimerScansione {
 public:
  void suScatto(std::function<void()> scatto) override { scatto_ = std::move(scatto); }
  // As the original control: a new interval takes effect at once on a running timer,
  // and an interval of 0 stops it.
  void intervallo(int millisecondi) override;
  // Enabling counts one full interval from now; enabling a running timer leaves it as
  // it is.
  void abilita(bool abilitato) override;
  // Asked for during a tick, it comes right after that tick; with the timer off, it
  // does not come.
  void subito() override;
  // Where the folder cannot be watched (missing, no watch available), the timer alone
  // scans it, and the watch is tried again at each tick.
  void osserva(const std::string& cartella) override;

  bool abilitato() const { return abilitato_; }

 protected:
  // The shell's periodic timer fired.
  void scatta();
  const std::string& cartella() const { return cartella_; }

 private:
  // The shell's periodic timer: started (again, from now) for a period, stopped, running.
  virtual void avviaGiri(int millisecondi) = 0;
  virtual void fermaGiri() = 0;
  virtual bool giriAttivi() const = 0;
  // Runs `azione` once the events waiting have been processed.
  virtual void appena(std::function<void()> azione) = 0;
  // Watches cartella() unless it is watched already; a receipt closed after writing
  // or moved in calls subito().
  virtual void sorveglia() = 0;
  virtual void smettiDiSorvegliare() = 0;

  void aggiorna(bool riparti);

  std::function<void()> scatto_;
  int intervallo_ = 4000;
  bool abilitato_ = false;
  bool inScatto_ = false;
  bool ancora_ = false;
  bool previsto_ = false;
  std::string cartella_;
};

}  // namespace quimbo
